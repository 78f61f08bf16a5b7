// SPDX-License-Identifier: MIT
// Text types of a message entry that take less room than std::string. A
// folder of 100,000 messages keeps 100,000 entries; the texts every entry of
// one folder has alike, and the ones that are read far less often than they
// are stored, are kept in these. Both read as strings: they convert to
// std::string_view and std::string and compare with any text.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace pelmora {

// An immutable text shared by its copies: the folder of every entry read
// from one folder is one string, however many entries there are. One
// pointer wide (a shared_ptr takes two), to a block holding its count.
class SharedText {
public:
    SharedText() = default;
    SharedText(std::string_view text) { assign(text); }  // NOLINT(google-explicit-constructor)
    SharedText(const char* text) : SharedText(std::string_view(text)) {}
    SharedText(const std::string& text) : SharedText(std::string_view(text)) {}
    SharedText(const SharedText& other) noexcept : m_block(other.m_block) {
        if (m_block) m_block->count.fetch_add(1, std::memory_order_relaxed);
    }
    SharedText(SharedText&& other) noexcept : m_block(std::exchange(other.m_block, nullptr)) {}
    SharedText& operator=(const SharedText& other) noexcept {
        SharedText copy(other);
        std::swap(m_block, copy.m_block);
        return *this;
    }
    SharedText& operator=(SharedText&& other) noexcept {
        SharedText taken(std::move(other));
        std::swap(m_block, taken.m_block);
        return *this;
    }
    SharedText& operator=(std::string_view text) { return *this = SharedText(text); }
    SharedText& operator=(const char* text) { return *this = std::string_view(text); }
    SharedText& operator=(const std::string& text) { return *this = std::string_view(text); }
    ~SharedText() { release(); }

    const std::string& str() const { return m_block ? m_block->text : none(); }
    operator const std::string&() const { return str(); }  // NOLINT(google-explicit-constructor)
    operator std::string_view() const { return str(); }    // NOLINT(google-explicit-constructor)
    const char* c_str() const { return str().c_str(); }
    const char* data() const { return str().data(); }
    std::size_t size() const { return str().size(); }
    bool empty() const { return size() == 0; }

    friend bool operator==(const SharedText& a, const SharedText& b) {
        return a.m_block == b.m_block || a.str() == b.str();
    }
    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, const char* b) { return a.str() == b; }
    friend std::ostream& operator<<(std::ostream& out, const SharedText& text) { return out << text.str(); }

private:
    struct Block {
        explicit Block(std::string_view from) : text(from) {}
        std::atomic<std::size_t> count{1};
        const std::string text;
    };

    static const std::string& none() {
        static const std::string text;
        return text;
    }
    void assign(std::string_view text) {
        if (!text.empty()) m_block = new Block(text);
    }
    void release() noexcept {
        // The last copy, on whichever thread lets it go, frees the block.
        if (m_block && m_block->count.fetch_sub(1, std::memory_order_acq_rel) == 1) delete m_block;
        m_block = nullptr;
    }

    Block* m_block = nullptr;
};

// A text in 17 bytes that needs no alignment: up to 16 bytes in place
// (every date text of the list, a size, a file extension), a longer one in a
// block of its own exactly as long as the text, where std::string takes 32
// bytes and a block for anything past 15. It is not zero-terminated.
class CompactText {
public:
    CompactText() = default;
    CompactText(std::string_view text) { assign(text); }  // NOLINT(google-explicit-constructor)
    CompactText(const char* text) : CompactText(std::string_view(text)) {}
    CompactText(const std::string& text) : CompactText(std::string_view(text)) {}
    CompactText(const CompactText& other) : CompactText(other.view()) {}
    CompactText(CompactText&& other) noexcept { take(other); }
    CompactText& operator=(const CompactText& other) {
        if (this != &other) *this = other.view();
        return *this;
    }
    CompactText& operator=(CompactText&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    CompactText& operator=(std::string_view text) {
        // The old text may be part of the new one.
        CompactText copy(text);
        return *this = std::move(copy);
    }
    CompactText& operator=(const std::string& text) { return *this = std::string_view(text); }
    CompactText& operator=(const char* text) { return *this = std::string_view(text); }
    ~CompactText() { release(); }

    std::string_view view() const { return {data(), size()}; }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const { return view(); }  // NOLINT(google-explicit-constructor)
    operator std::string() const { return str(); }        // NOLINT(google-explicit-constructor)
    const char* data() const { return onHeap() ? heapPointer() : m_bytes; }
    std::size_t size() const { return onHeap() ? heapSize() : static_cast<unsigned char>(m_bytes[kTag]); }
    bool empty() const { return size() == 0; }
    char operator[](std::size_t i) const { return data()[i]; }
    void clear() { *this = CompactText(); }

    friend bool operator==(const CompactText& a, const CompactText& b) { return a.view() == b.view(); }
    friend bool operator==(const CompactText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const CompactText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const CompactText& a, const char* b) { return a.view() == b; }
    friend std::string operator+(const CompactText& a, std::string_view b) {
        std::string joined;
        joined.reserve(a.size() + b.size());
        joined.append(a.data(), a.size());
        joined.append(b.data(), b.size());
        return joined;
    }
    friend std::ostream& operator<<(std::ostream& out, const CompactText& text) { return out << text.view(); }

private:
    static constexpr std::size_t kInline = 16;
    static constexpr std::size_t kTag = kInline;  // the size in place, or kOnHeap
    static constexpr unsigned char kOnHeap = 0xFF;

    bool onHeap() const { return static_cast<unsigned char>(m_bytes[kTag]) == kOnHeap; }
    char* heapPointer() const {
        char* p = nullptr;
        std::memcpy(&p, m_bytes, sizeof p);
        return p;
    }
    std::size_t heapSize() const {
        std::size_t n = 0;
        std::memcpy(&n, m_bytes + sizeof(char*), sizeof n);
        return n;
    }
    void assign(std::string_view text) {
        if (text.size() <= kInline) {
            if (!text.empty()) std::memcpy(m_bytes, text.data(), text.size());
            m_bytes[kTag] = static_cast<char>(text.size());
            return;
        }
        char* p = new char[text.size()];
        std::memcpy(p, text.data(), text.size());
        const std::size_t n = text.size();
        std::memcpy(m_bytes, &p, sizeof p);
        std::memcpy(m_bytes + sizeof p, &n, sizeof n);
        m_bytes[kTag] = static_cast<char>(kOnHeap);
    }
    void take(CompactText& other) {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.m_bytes[kTag] = 0;
    }
    void release() {
        if (onHeap()) delete[] heapPointer();
    }

    static_assert(kInline >= sizeof(char*) + sizeof(std::size_t));
    char m_bytes[kInline + 1] = {};
};

}  // namespace pelmora
