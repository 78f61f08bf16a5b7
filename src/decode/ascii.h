// SPDX-License-Identifier: MIT
// Letter case of ASCII only: what header names, charset and encoding names,
// file extensions and settings keys need. Display text folds through
// UpperCaseCp932 and CompareTextNoCase instead, which also fold full-width
// letters and never touch the second byte of a double-byte character.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace pelmora::ascii {

constexpr char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

constexpr char ToUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

// The bytes a header value is trimmed of: blanks and every control byte.
constexpr bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

constexpr std::string_view TrimLeftBlanksAndControls(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    return text;
}

constexpr std::string_view TrimBlanksAndControls(std::string_view text) {
    text = TrimLeftBlanksAndControls(text);
    while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
    return text;
}

inline std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ToLower(c);
    return out;
}

inline std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ToUpper(c);
    return out;
}

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLower(a[i]) != ToLower(b[i])) return false;
    return true;
}

namespace detail {
// The 0x20 bit of every byte of word that is a lower-case letter; word
// holds ASCII bytes only.
inline std::uint64_t lowerLetterBits(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t high = 0x8080808080808080ull;
    return ((word + (0x80 - 'a') * ones) & ~(word + (0x80 - 'z' - 1) * ones) & high) >> 2;
}
}  // namespace detail

// True when text begins with lowerPrefix (ASCII, given in lower case),
// letters folded. Setting the 0x20 bit turns only "X" into "x", so a byte
// agrees with a letter of the prefix once that bit is set, and with
// anything else as it is; eight bytes are compared at once, as the reader
// tests every header line this way.
inline bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    std::size_t i = 0;
    for (; i + 8 <= lowerPrefix.size(); i += 8) {
        std::uint64_t got;
        std::uint64_t wanted;
        std::memcpy(&got, text.data() + i, 8);
        std::memcpy(&wanted, lowerPrefix.data() + i, 8);
        if ((got | detail::lowerLetterBits(wanted)) != wanted) return false;
    }
    for (; i < lowerPrefix.size(); ++i) {
        const char wanted = lowerPrefix[i];
        const char c = wanted >= 'a' && wanted <= 'z' ? static_cast<char>(text[i] | 0x20) : text[i];
        if (c != wanted) return false;
    }
    return true;
}

// The position of lowerNeedle in text at or after from, letters folded;
// npos when absent.
inline std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from = 0) {
    for (std::size_t at = from; at + lowerNeedle.size() <= text.size(); ++at)
        if (StartsWithNoCase(text.substr(at), lowerNeedle)) return at;
    return std::string_view::npos;
}

}  // namespace pelmora::ascii
