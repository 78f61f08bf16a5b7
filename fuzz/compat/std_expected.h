// SPDX-License-Identifier: MIT
// std::expected for clang 14 with GCC 12's libstdc++. That <expected> is
// there, but it opens only when __cpp_concepts reaches 202002L, and clang 14
// reports 201907L: it lacks conditionally trivial special members, which
// libstdc++'s expected relies on. The fuzz build force-includes this file
// when a test compile finds no std::expected; every other build uses the
// library's. Only what the program uses is here, built on std::variant.
#pragma once

#include <expected>

#if !defined(__cpp_lib_expected)

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace std {

template <class E>
class unexpected {
public:
    template <class G = E>
    requires(!is_same_v<remove_cvref_t<G>, unexpected>) constexpr explicit unexpected(G&& error)
        : m_error(std::forward<G>(error)) {}

    constexpr E& error() & noexcept { return m_error; }
    constexpr const E& error() const& noexcept { return m_error; }
    constexpr E&& error() && noexcept { return std::move(m_error); }

private:
    E m_error;
};

template <class E>
unexpected(E) -> unexpected<E>;

class bad_expected_access_base : public exception {
public:
    const char* what() const noexcept override {
        return "bad access to std::expected without expected value";
    }
};

template <class T, class E>
class expected {
public:
    using value_type = T;
    using error_type = E;

    constexpr expected() : m_state(in_place_index<0>) {}
    template <class U = T>
    requires(!is_same_v<remove_cvref_t<U>, expected> &&
             is_constructible_v<T, U>) constexpr expected(U&& value)
        : m_state(in_place_index<0>, std::forward<U>(value)) {}
    template <class G>
    constexpr expected(const unexpected<G>& error) : m_state(in_place_index<1>, error.error()) {}
    template <class G>
    constexpr expected(unexpected<G>&& error) : m_state(in_place_index<1>, std::move(error).error()) {}

    constexpr bool has_value() const noexcept { return m_state.index() == 0; }
    constexpr explicit operator bool() const noexcept { return has_value(); }

    constexpr T& value() & { return check(), std::get<0>(m_state); }
    constexpr const T& value() const& { return check(), std::get<0>(m_state); }
    constexpr T&& value() && { return check(), std::get<0>(std::move(m_state)); }
    constexpr T& operator*() & noexcept { return std::get<0>(m_state); }
    constexpr const T& operator*() const& noexcept { return std::get<0>(m_state); }
    constexpr T&& operator*() && noexcept { return std::get<0>(std::move(m_state)); }
    constexpr T* operator->() noexcept { return &std::get<0>(m_state); }
    constexpr const T* operator->() const noexcept { return &std::get<0>(m_state); }

    constexpr E& error() & noexcept { return std::get<1>(m_state); }
    constexpr const E& error() const& noexcept { return std::get<1>(m_state); }
    constexpr E&& error() && noexcept { return std::get<1>(std::move(m_state)); }

    template <class U>
    constexpr T value_or(U&& other) const& {
        return has_value() ? **this : static_cast<T>(std::forward<U>(other));
    }
    template <class U>
    constexpr T value_or(U&& other) && {
        return has_value() ? std::move(**this) : static_cast<T>(std::forward<U>(other));
    }

private:
    void check() const {
        if (!has_value()) throw bad_expected_access_base();
    }

    variant<T, E> m_state;
};

template <class E>
class expected<void, E> {
public:
    using value_type = void;
    using error_type = E;

    constexpr expected() noexcept = default;
    template <class G>
    constexpr expected(const unexpected<G>& error) : m_error(in_place, error.error()) {}
    template <class G>
    constexpr expected(unexpected<G>&& error) : m_error(in_place, std::move(error).error()) {}

    constexpr bool has_value() const noexcept { return !m_error.has_value(); }
    constexpr explicit operator bool() const noexcept { return has_value(); }
    constexpr void value() const {
        if (!has_value()) throw bad_expected_access_base();
    }
    constexpr void operator*() const noexcept {}

    constexpr E& error() & noexcept { return *m_error; }
    constexpr const E& error() const& noexcept { return *m_error; }
    constexpr E&& error() && noexcept { return std::move(*m_error); }

private:
    optional<E> m_error;
};

}  // namespace std

#endif
