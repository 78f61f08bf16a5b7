// SPDX-License-Identifier: MIT
#include "decode/text.h"

#include "decode/ascii.h"
#include "decode/cp932.h"

namespace pelmora {

namespace {

// Walks display text one character at a time and hands out the bytes of
// its upper-cased form, so comparisons need no copy.
class FoldedBytes {
public:
    explicit FoldedBytes(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    std::uint8_t next() {
        const auto byte = static_cast<std::uint8_t>(m_text[m_pos]);
        if (m_inTrail) {
            m_inTrail = false;
            ++m_pos;
            if (m_foldTrail) return FullWidthCapitalTrail(byte);
            return byte;
        }
        ++m_pos;
        if (IsCp932LeadByte(byte) && m_pos < m_text.size()) {
            const auto trail = static_cast<std::uint8_t>(m_text[m_pos]);
            m_inTrail = true;
            m_foldTrail = IsFullWidthSmallLetter(byte, trail);
            return byte;
        }
        return static_cast<std::uint8_t>(ascii::ToUpper(static_cast<char>(byte)));
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_inTrail = false;
    bool m_foldTrail = false;
};

}  // namespace

std::string UpperCaseCp932(std::string_view cp932) {
    std::string out(cp932);
    UpperCaseCp932InPlace(out);
    return out;
}

void UpperCaseCp932InPlace(std::string& cp932) {
    FoldedBytes folded(cp932);
    for (char& c : cp932) c = static_cast<char>(folded.next());
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
    FoldedBytes left(a);
    FoldedBytes right(b);
    while (!left.atEnd() && !right.atEnd()) {
        const std::uint8_t x = left.next();
        const std::uint8_t y = right.next();
        if (x != y) return x < y ? -1 : 1;
    }
    if (left.atEnd() && right.atEnd()) return 0;
    return left.atEnd() ? -1 : 1;
}

}  // namespace pelmora
