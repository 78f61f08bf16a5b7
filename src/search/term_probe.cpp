// SPDX-License-Identifier: MIT
#include "search/term_probe.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decode/byte_words.h"
#include "decode/cp932.h"
#include "decode/japanese.h"
#include "decode/text.h"
#include "decode/utf8.h"
#include "message/find_bytes.h"
#include "message/line_reader.h"

namespace pelmora {

namespace {

constexpr char kEsc = 0x1B;
// Stands in the stream for a converted double-byte stretch: no term byte
// the proof looks for is one.
constexpr char kBarrier = static_cast<char>(0x80);

using words::HasByte;
using words::kHighBits;

// A term byte the proof may look for: ASCII, and neither a line end (the
// base64 text drops them) nor one of 0x60-0x7A, which upper-casing makes
// out of other bytes (the second byte of a full-width small letter) or
// never leaves standing alone (a-z).
bool isProbeByte(char c) {
    const auto b = static_cast<std::uint8_t>(c);
    return b < 0x80 && b != '\r' && b != '\n' && (b < 0x60 || b > 0x7A);
}

// Appends text folded, without CR and LF when dropLineEnds.
void appendFolded(std::string& out, std::string_view text, bool dropLineEnds) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size(), [text, base, dropLineEnds](char* data, std::size_t) {
        char* put = data + base;
        const char* in = text.data();
        const std::size_t n = text.size();
        std::size_t i = 0;
        while (i < n) {
            for (; i + 8 <= n; i += 8, put += 8) {
                std::uint64_t word;
                std::memcpy(&word, in + i, 8);
                if (dropLineEnds && (HasByte(word, '\r') || HasByte(word, '\n'))) break;
                word = words::UpperCaseLetters(word);
                std::memcpy(put, &word, 8);
            }
            // Up to eight bytes one by one, line ends dropped.
            for (const std::size_t stop = std::min(n, i + 8); i < stop; ++i) {
                const char c = in[i];
                if (dropLineEnds && (c == '\r' || c == '\n')) continue;
                *put++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
            }
        }
        return static_cast<std::size_t>(put - data);
    });
}

// The first escape at or after from, or the end.
std::size_t nextEscape(std::string_view text, std::size_t from) {
    const void* esc = std::memchr(text.data() + from, kEsc, text.size() - from);
    return esc != nullptr ? static_cast<std::size_t>(static_cast<const char*>(esc) - text.data())
                          : text.size();
}

bool isJisByte(std::uint8_t b) {
    return b >= 0x21 && b <= 0x7E;
}

// The bytes firstPicked looks for: an escape or 0x80 and above, or any
// that is no JIS X 0208 pair's byte.
enum class Pick { EscapeOrHigh, NotJis };

template <Pick pick>
bool picked(std::uint8_t b) {
    return pick == Pick::EscapeOrHigh ? b == kEsc || b >= 0x80 : !isJisByte(b);
}

// firstPicked sixteen bytes at a time.
template <Pick pick>
std::size_t firstPickedNarrow(const char* data, std::size_t from, std::size_t to, std::size_t readable) {
    std::size_t i = from;
#if defined(__SSE2__)
    // Sixteen bytes are read wherever they lie before readable; the bits of
    // those at or past to are ignored.
    for (; i < to && i + 16 <= readable; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        unsigned bits = 0;
        if constexpr (pick == Pick::EscapeOrHigh) {
            bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(kEsc))) |
                                         _mm_movemask_epi8(x));
        } else {
            // Bytes of 0x80 and above are below 0x21 as signed bytes.
            bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                _mm_cmplt_epi8(x, _mm_set1_epi8(0x21)), _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)))));
        }
        if (bits != 0) return std::min(to, i + static_cast<std::size_t>(__builtin_ctz(bits)));
    }
    if (i >= to) return to;
#endif
    for (; i < to; ++i)
        if (picked<pick>(static_cast<std::uint8_t>(data[i]))) return i;
    return to;
}

#if defined(__x86_64__)
// The same, 32 bytes at a time, where the processor can (HasWideCompare).
template <Pick pick>
__attribute__((target("avx2"))) std::size_t firstPickedWide(const char* data, std::size_t from,
                                                            std::size_t to, std::size_t readable) {
    std::size_t i = from;
    for (; i < to && i + 32 <= readable; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        unsigned bits = 0;
        if constexpr (pick == Pick::EscapeOrHigh) {
            bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, _mm256_set1_epi8(kEsc)))) |
                   static_cast<unsigned>(_mm256_movemask_epi8(x));
        } else {
            bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(
                _mm256_cmpgt_epi8(_mm256_set1_epi8(0x21), x), _mm256_cmpeq_epi8(x, _mm256_set1_epi8(0x7F)))));
        }
        if (bits != 0) return std::min(to, i + static_cast<std::size_t>(__builtin_ctz(bits)));
    }
    return i >= to ? to : firstPickedNarrow<pick>(data, i, to, readable);
}
#endif

// The first byte in [from, to) that pick takes, or to; bytes up to
// readable may be read.
template <Pick pick>
std::size_t firstPicked(const char* data, std::size_t from, std::size_t to, std::size_t readable) {
#if defined(__x86_64__)
    static const bool wide = HasWideCompare();
    if (wide) return firstPickedWide<pick>(data, from, to, readable);
#endif
    return firstPickedNarrow<pick>(data, from, to, readable);
}

// ISO-2022-JP units, one after another in text, cut into the stretches the
// conversion makes of them: single-byte stretches and stretches of pairs,
// escapes left out. Each unit is converted on its own, so it starts in
// single-byte mode and an escape cut short by its end ends there. In
// single-byte mode a unit's end changes nothing, so a stretch may run
// across many units, which is what makes the walk cheap: most of a body is
// found to be one stretch by one search for an escape. On the way the walk
// tells whether the units are plain ISO-2022-JP: no byte of 0x80 or above,
// and every pair of the double-byte mode a JIS X 0208 code.
class Iso2022JpStretches {
public:
    // units is not empty; text ends with the last of them.
    Iso2022JpStretches(std::string_view text, std::span<const BodyUnit> units)
        : m_text(text), m_units(units), m_at(units.front().begin) {}

    // The next stretch [begin, end); false at the end.
    bool next(std::size_t& begin, std::size_t& end, bool& pairs) {
        for (;;) {
            if (m_at >= m_text.size()) return false;
            if (m_text[m_at] == kEsc) {
                pastEscape();
                continue;
            }
            begin = m_at;
            pairs = m_doubleByte;
            end = m_at = pairs ? pairsEnd(begin) : singleByteEnd(begin);
            return true;
        }
    }

    bool plain() const { return m_plain; }

private:
    std::size_t singleByteEnd(std::size_t begin) {
        const std::size_t end =
            firstPicked<Pick::EscapeOrHigh>(m_text.data(), begin, m_text.size(), m_text.size());
        if (end == m_text.size() || m_text[end] == kEsc) return end;
        m_plain = false;
        return nextEscape(m_text, end);
    }

    // An escape counts only where a pair would begin; one in the second
    // byte of a pair is part of the pair. The stretch ends with its unit at
    // the latest.
    std::size_t pairsEnd(std::size_t begin) {
        const std::size_t unitEnd = this->unitEnd(begin);
        std::size_t end = firstPicked<Pick::NotJis>(m_text.data(), begin, unitEnd, m_text.size());
        if (end < unitEnd && m_text[end] == kEsc && (end - begin) % 2 == 0) return end;
        if (end == unitEnd && (end - begin) % 2 == 0) {
            m_doubleByte = false;
            return end;
        }
        m_plain = false;
        const std::string_view unit = m_text.substr(0, unitEnd);
        end = nextEscape(unit, begin);
        while (end < unit.size() && (end - begin) % 2 != 0) end = nextEscape(unit, end + 1);
        if (end == unit.size()) m_doubleByte = false;
        return end;
    }

    // The end of the unit that holds position at.
    std::size_t unitEnd(std::size_t at) {
        while (m_unit + 1 < m_units.size() && m_units[m_unit].end <= at) ++m_unit;
        return std::max(m_units[m_unit].end, at + 1);
    }

    // Only an escape's second byte counts, and it is three bytes long
    // whatever its third is.
    void pastEscape() {
        const std::size_t end = unitEnd(m_at);
        if (m_at + 3 >= end) {
            // The next unit starts in single-byte mode.
            m_at = end;
            m_doubleByte = false;
            return;
        }
        if (m_text[m_at + 1] == '$') m_doubleByte = true;
        if (m_text[m_at + 1] == '(') m_doubleByte = false;
        m_at += 3;
    }

    std::string_view m_text;
    std::span<const BodyUnit> m_units;
    std::size_t m_unit = 0;
    std::size_t m_at;
    bool m_doubleByte = false;
    bool m_plain = true;
};

bool unitsAdjoin(std::span<const BodyUnit> units) {
    for (std::size_t u = 1; u < units.size(); ++u)
        if (units[u].begin != units[u - 1].end) return false;
    return true;
}

// The stretches of units, in order, to visit(stretch, pairs), as
// Iso2022JpStretches cuts them; when checked, false when the units are not
// plain ISO-2022-JP. Units that adjoin are walked one at a time, as a
// unit's end changes nothing in single-byte mode; most lines are all pairs
// between two escapes, or have no escape at all, and are told so by one
// look at their bytes.
template <bool checked, class Visit>
bool visitStretches(std::string_view text, std::span<const BodyUnit> units, Visit&& visit) {
    // Where plainness does not count, only the escapes cut the stretches.
    const auto noEscapeIn = [&](std::size_t from, std::size_t to) {
        return std::memchr(text.data() + from, kEsc, to - from) == nullptr;
    };
    const auto walk = [&](std::span<const BodyUnit> some) {
        Iso2022JpStretches stretches(text.substr(0, some.back().end), some);
        std::size_t begin = 0, end = 0;
        bool pairs = false;
        while (stretches.next(begin, end, pairs)) visit(text.substr(begin, end - begin), pairs);
        return stretches.plain();
    };
    if (!unitsAdjoin(units)) return walk(units);
    bool plain = true;
    for (std::size_t u = 0; u < units.size(); ++u) {
        const std::size_t begin = units[u].begin, end = units[u].end;
        if (end - begin >= 6 && text[begin] == kEsc && text[begin + 1] == '$' && text[end - 3] == kEsc &&
            (end - begin) % 2 == 0 &&
            (checked ? firstPicked<Pick::NotJis>(text.data(), begin + 3, end - 3, text.size()) == end - 3
                     : noEscapeIn(begin + 3, end - 3))) {
            if (end - begin > 6) visit(text.substr(begin + 3, end - begin - 6), true);
        } else if (checked ? firstPicked<Pick::EscapeOrHigh>(text.data(), begin, end, text.size()) == end
                           : noEscapeIn(begin, end)) {
            if (end > begin) visit(text.substr(begin, end - begin), false);
        } else {
            plain = walk(units.subspan(u, 1)) && plain;
        }
    }
    return plain;
}

// ISO-2022-JP walked as the conversion walks it: single-byte stretches
// are kept, escapes dropped, each stretch of pairs one barrier.
void appendIso2022JpAscii(std::string& out, std::string_view text, std::span<const BodyUnit> units,
                          bool dropLineEnds) {
    visitStretches<false>(text, units, [&](std::string_view stretch, bool pairs) {
        if (pairs)
            out += kBarrier;
        else
            appendFolded(out, stretch, dropLineEnds);
    });
}

// False when a sequence, read as the conversion reads it (the lead byte
// alone decides its length), stands for a code point below 0x80: the
// conversion would make an ASCII character of bytes that are not.
bool utf8MakesNoAsciiOfOtherBytes(std::string_view text) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t lead = data[i];
        if (lead < 0x80) {
            // Eight ASCII bytes at once where they come in a row.
            std::uint64_t word;
            if (i + 8 <= n && (std::memcpy(&word, data + i, 8), (word & kHighBits) == 0))
                i += 8;
            else
                ++i;
            continue;
        }
        // Most leads cannot stand for a small code point whatever follows.
        if (lead >= 0xC2 && lead <= 0xDF) {
            i += 2;
            continue;
        }
        if (lead >= 0xE1 && lead <= 0xEF) {
            i += 3;
            continue;
        }
        std::size_t length = 6;
        if ((lead & 0xE0) == 0xC0)
            length = 2;
        else if ((lead & 0xF0) == 0xE0)
            length = 3;
        else if ((lead & 0xF8) == 0xF0)
            length = 4;
        else if ((lead & 0xFC) == 0xF8)
            length = 5;
        // A sequence cut short by the end is kept as it is.
        if (n - i < length) return true;
        char32_t value = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (data[i + k] & 0x3F);
        if (value < 0x80) return false;
        i += length;
    }
    return true;
}

// The JIS X 0208 pair of a code page 932 character, or "" for one that is
// no such pair's conversion or is a full-width letter (which upper-casing
// may make of another).
std::string jisPairOf(std::uint8_t high, std::uint8_t low) {
    if (IsFullWidthLetter(high, low)) return {};
    for (unsigned j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (unsigned j2 = 0x21; j2 <= 0x7E; ++j2) {
            const auto [h, l] = JisToSjisPair(static_cast<std::uint8_t>(j1), static_cast<std::uint8_t>(j2));
            if (h == high && l == low) return {static_cast<char>(j1), static_cast<char>(j2)};
        }
    }
    return {};
}

// The UTF-8 of the only character that converts to a code page 932
// character, or "" for one that many or none convert to, or a full-width
// letter.
std::string utf8SourceOf(std::uint8_t high, std::uint8_t low) {
    // For each code, the character below 0x10000 that converts to it: 0 for
    // none, 0xFFFF (no character) for many. Made once, for every thread.
    static const std::vector<std::uint16_t> sources = [] {
        std::vector<std::uint16_t> only(0x10000, 0);
        for (char32_t c = 0x80; c < 0xFFFF; ++c)
            if (const std::uint16_t code = UnicodeToSjis(c); code != 0)
                only[code] = only[code] == 0 ? static_cast<std::uint16_t>(c) : 0xFFFF;
        return only;
    }();
    if (IsFullWidthLetter(high, low)) return {};
    const std::uint16_t source = sources[static_cast<std::size_t>(high << 8 | low)];
    std::string bytes;
    if (source != 0 && source != 0xFFFF) AppendUtf8(bytes, source);
    return bytes;
}

// The longest stretch of the term's double-byte characters that all have a
// piece (a JIS pair, a UTF-8 source), as those pieces.
template <class PieceOf>
std::string probeOf(std::string_view term, PieceOf pieceOf) {
    std::string longest, current;
    std::size_t i = 0;
    while (i < term.size()) {
        const auto lead = static_cast<std::uint8_t>(term[i]);
        std::string piece;
        std::size_t step = 1;
        if (IsCp932LeadByte(lead) && i + 1 < term.size()) {
            piece = pieceOf(lead, static_cast<std::uint8_t>(term[i + 1]));
            step = 2;
        }
        if (piece.empty()) {
            current.clear();
        } else {
            current += piece;
            if (current.size() > longest.size()) longest = current;
        }
        i += step;
    }
    return longest;
}

// The characters the code page has, a bit each, for a sequence of
// `length` UTF-8 bytes: only those that UTF-8 writes in that many bytes at
// the shortest, so a longer form is not among them.
template <int length>
const std::array<std::uint64_t, 1024>& inCodePage() {
    static const std::array<std::uint64_t, 1024> bits = [] {
        std::array<std::uint64_t, 1024> has{};
        const char32_t from = length == 2 ? 0x80 : 0x800, to = length == 2 ? 0x800 : 0x10000;
        for (char32_t c = from; c < to; ++c)
            if (UnicodeToSjis(c) != 0) has[c >> 6] |= std::uint64_t{1} << (c & 63);
        return has;
    }();
    return bits;
}

bool has(const std::array<std::uint64_t, 1024>& bits, char32_t c) {
    return (bits[c >> 6] >> (c & 63) & 1) != 0;
}

// Whether every character of bytes is one the code page has, in UTF-8's
// shortest form and whole: the conversion then gives each its own code
// page character, which only that character gives.
bool utf8AllInCodePage(std::string_view bytes) {
    const auto& twoBytes = inCodePage<2>();
    const auto& threeBytes = inCodePage<3>();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // Japanese text is mostly three-byte sequences one after another:
        // the lead and its two following bytes are told apart at once, two
        // characters at a time where the bytes can be read as one word.
        if constexpr (std::endian::native == std::endian::little) {
            for (; i + 8 <= n; i += 6) {
                const std::uint64_t w = words::Load(bytes.data() + i);
                if ((w & 0xC0C0F0C0C0F0) != 0x8080E08080E0) break;
                const auto first =
                    static_cast<char32_t>((w & 0x0F) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F));
                const auto second =
                    static_cast<char32_t>((w >> 24 & 0x0F) << 12 | (w >> 26 & 0xFC0) | (w >> 40 & 0x3F));
                if (!has(threeBytes, first) || !has(threeBytes, second)) return false;
            }
        }
        for (; i + 3 <= n; i += 3) {
            const std::uint32_t w = data[i] | data[i + 1] << 8 | data[i + 2] << 16;
            if ((w & 0xC0C0F0) != 0x8080E0) break;
            if (!has(threeBytes, (w & 0x0F) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F))) return false;
        }
        if (i == n) break;
        const std::uint8_t lead = data[i];
        if (lead < 0x80) {
            if (i + 8 <= n && (words::Load(bytes.data() + i) & kHighBits) == 0)
                i += 8;
            else
                ++i;
        } else if ((lead & 0xE0) == 0xC0 && n - i >= 2 && (data[i + 1] & 0xC0) == 0x80) {
            if (!has(twoBytes, static_cast<char32_t>(lead & 0x1F) << 6 | (data[i + 1] & 0x3F))) return false;
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

// Two bytes one after the other, as an index of BodyPrefilter's table of
// them (the probes' bytes are ASCII).
std::size_t meetingOf(char first, char second) {
    return (static_cast<std::size_t>(first) & 0x7F) << 7 | (static_cast<std::size_t>(second) & 0x7F);
}

// Whether probe occurs in before + after, starting in before and ending in
// after. Joins come up to once a line, and a comparison of a few bytes
// costs less done here than by a library call.
bool occursAcross(std::string_view before, std::string_view after, std::string_view probe) {
    if (probe.empty()) return false;
    for (std::size_t inBefore = std::min(before.size(), probe.size() - 1); inBefore > 0; --inBefore) {
        const std::size_t inAfter = probe.size() - inBefore;
        if (inAfter <= after.size() && before.back() == probe[inBefore - 1] &&
            after.front() == probe[inBefore] && before.ends_with(probe.substr(0, inBefore)) &&
            after.starts_with(probe.substr(inBefore)))
            return true;
    }
    return false;
}

// A probe byte as a test of a text byte: (byte & mask) == value. Folded, a
// letter clears the bit that tells a-z from A-Z, and only a letter's two
// cases give that value.
struct ByteTest {
    std::uint8_t mask;
    std::uint8_t value;
};

ByteTest testFor(char probeByte, bool folded) {
    const auto b = static_cast<std::uint8_t>(probeByte);
    const bool letter = b >= 'A' && b <= 'Z';
    return {static_cast<std::uint8_t>(folded && letter ? 0xDF : 0xFF), b};
}

bool passes(char c, ByteTest test) {
    return (static_cast<std::uint8_t>(c) & test.mask) == test.value;
}

bool matchesAt(const char* at, std::string_view probe, bool folded) {
    if (!folded) return std::memcmp(at, probe.data(), probe.size()) == 0;
    for (std::size_t k = 0; k < probe.size(); ++k)
        if (!passes(at[k], testFor(probe[k], true))) return false;
    return true;
}

// Whether probe matches at any of the places from at whose bit is set.
bool matchesAtAny(const char* at, unsigned places, std::string_view probe, bool folded) {
    for (; places != 0; places &= places - 1)
        if (matchesAt(at + __builtin_ctz(places), probe, folded)) return true;
    return false;
}

// occursTested from place i on, sixteen places at a time.
bool occursTestedNarrow(std::string_view text, std::string_view probe, bool folded, std::size_t key,
                        std::size_t i) {
    const std::size_t length = probe.size();
    const std::size_t places = text.size() - length + 1;
    const char* const data = text.data();
#if defined(__SSE2__)
    const ByteTest first = testFor(probe[key], folded);
    const ByteTest last = testFor(probe.back(), folded);
    const __m128i firstMask = _mm_set1_epi8(static_cast<char>(first.mask));
    const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first.value));
    const __m128i lastMask = _mm_set1_epi8(static_cast<char>(last.mask));
    const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last.value));
    for (; i + 16 <= places; i += 16) {
        const __m128i keys = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + key));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + length - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(keys, firstMask), firstValue),
                                           _mm_cmpeq_epi8(_mm_and_si128(tails, lastMask), lastValue));
        if (matchesAtAny(data + i, static_cast<unsigned>(_mm_movemask_epi8(both)), probe, folded))
            return true;
    }
#endif
    for (; i < places; ++i)
        if (matchesAt(data + i, probe, folded)) return true;
    return false;
}

#if defined(__x86_64__)
// The same, 32 places at a time, where the processor can (HasWideCompare).
__attribute__((target("avx2"))) bool occursTestedWide(std::string_view text, std::string_view probe,
                                                      bool folded, std::size_t key) {
    const std::size_t length = probe.size();
    const std::size_t places = text.size() - length + 1;
    const char* const data = text.data();
    const ByteTest first = testFor(probe[key], folded);
    const ByteTest last = testFor(probe.back(), folded);
    const __m256i firstMask = _mm256_set1_epi8(static_cast<char>(first.mask));
    const __m256i firstValue = _mm256_set1_epi8(static_cast<char>(first.value));
    const __m256i lastMask = _mm256_set1_epi8(static_cast<char>(last.mask));
    const __m256i lastValue = _mm256_set1_epi8(static_cast<char>(last.value));
    std::size_t i = 0;
    for (; i + 32 <= places; i += 32) {
        const __m256i keys = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + key));
        const __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + length - 1));
        const __m256i both =
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(keys, firstMask), firstValue),
                             _mm256_cmpeq_epi8(_mm256_and_si256(tails, lastMask), lastValue));
        if (matchesAtAny(data + i, static_cast<unsigned>(_mm256_movemask_epi8(both)), probe, folded))
            return true;
    }
    return occursTestedNarrow(text, probe, folded, key, i);
}
#endif

// Whether probe occurs in text; folded, with text's a-z taken as A-Z (the
// probe upper-cased, none of its bytes a-z): what a search of the folded
// text tells, without folding it. Many places at a time are tested on
// two of the probe's bytes, the one at key and its last; only a place that
// passes both is compared in full. A key byte that is rare in the text
// saves those comparisons.
bool occursTested(std::string_view text, std::string_view probe, bool folded, std::size_t key) {
    if (probe.empty()) return true;
    if (text.size() < probe.size()) return false;
    key = std::min(key, probe.size() - 1);
#if defined(__x86_64__)
    static const bool wide = HasWideCompare();
    if (wide) return occursTestedWide(text, probe, folded, key);
#endif
    return occursTestedNarrow(text, probe, folded, key, 0);
}

}  // namespace

void BodyPrefilter::prepare(const TermList& terms) {
    const std::size_t count = (terms.size() + 1) / 2;
    bool same = m_texts.size() == count;
    for (std::size_t i = 0; same && i < terms.size(); i += 2) same = m_texts[i / 2] == terms[i].text;
    if (same) return;
    m_texts.clear();
    m_probes.clear();
    m_jisMeetings.reset();
    for (std::size_t i = 0; i < terms.size(); i += 2) {
        const std::string& text = terms[i].text;
        m_texts.push_back(text);
        Probes probes;
        std::size_t at = 0;
        while (at < text.size()) {
            if (!isProbeByte(text[at])) {
                ++at;
                continue;
            }
            std::size_t end = at;
            while (end < text.size() && isProbeByte(text[end])) ++end;
            probes.whole.push_back(text.substr(at, end - at));
            if (end - at > 1) probes.afterFirst.push_back(text.substr(at + 1, end - at - 1));
            at = end;
        }
        probes.jis = probeOf(text, jisPairOf);
        probes.utf8 = probeOf(text, utf8SourceOf);
        for (std::size_t k = 1; k < probes.jis.size(); ++k)
            m_jisMeetings.set(meetingOf(probes.jis[k - 1], probes.jis[k]));
        m_probes.push_back(std::move(probes));
    }
}

bool BodyPrefilter::begin(BodyConversion conversion, bool dropLineEnds) {
    m_conversion = conversion;
    m_dropLineEnds = dropLineEnds;
    m_stream.clear();
    m_direct = {};
    m_jisTail.clear();
    m_jisJoinable = false;
    m_jisSeen.assign(m_probes.size(), false);
    // Only terms that have JIS pairs to look for need the pairs' stream.
    m_jisSound = conversion == BodyConversion::Iso2022Jp &&
                 std::ranges::any_of(m_probes, [](const Probes& p) { return !p.jis.empty(); });
    m_utf8Sound = conversion == BodyConversion::Utf8 &&
                  std::ranges::any_of(m_probes, [](const Probes& p) { return !p.utf8.empty(); });
    if (conversion == BodyConversion::EucJp || m_probes.empty()) return false;
    const bool whole = conversion == BodyConversion::AsIs;
    m_needAscii = std::ranges::any_of(
        m_probes, [&](const Probes& p) { return !(whole ? p.whole : p.afterFirst).empty(); });
    return std::ranges::all_of(m_probes, [&](const Probes& p) {
        return !(whole ? p.whole : p.afterFirst).empty() || (m_jisSound && !p.jis.empty()) ||
               (m_utf8Sound && !p.utf8.empty());
    });
}

bool BodyPrefilter::asciiProves(const Probes& probes) const {
    const std::vector<std::string>& needed =
        m_conversion == BodyConversion::AsIs ? probes.whole : probes.afterFirst;
    return !needed.empty() &&
           !std::ranges::all_of(needed, [&](const std::string& probe) { return inStream(probe, 0); });
}

bool BodyPrefilter::inStream(std::string_view probe, std::size_t key) const {
    return m_direct.data() != nullptr ? occursTested(m_direct, probe, true, key)
                                      : occursTested(m_stream, probe, false, key);
}

bool BodyPrefilter::add(std::string_view bytes) {
    const BodyUnit whole{0, bytes.size(), 0};
    return addUnits(bytes, std::span(&whole, 1));
}

// Bytes whose stream is the bytes themselves, folded: the first such bytes
// are probed where they lie, without a copy, as long as nothing else is
// added to them (line ends count, when they are dropped).
void BodyPrefilter::addAsIs(std::string_view bytes) {
    if (m_stream.empty() && m_direct.data() == nullptr && !m_dropLineEnds) {
        m_direct = bytes.data() != nullptr ? bytes : std::string_view("", 0);
        return;
    }
    foldDirect();
    if (m_needAscii) {
        appendFolded(m_stream, bytes, m_dropLineEnds);
        return;
    }
    // Only probes of bytes 0x80 and above are looked for, which folding
    // leaves as they are: the bytes are kept, less the line ends dropped.
    if (!m_dropLineEnds) {
        m_stream += bytes;
        return;
    }
    const char* from = bytes.data();
    const char* const end = from + bytes.size();
    while (from < end) {
        const char* const stop = FindFirstOf(from, end, '\r', '\n', '\n');
        m_stream.append(from, static_cast<std::size_t>(stop - from));
        from = stop + (stop < end ? 1 : 0);
    }
}

// The bytes probed where they lay join the folded stream, which more is
// added to.
void BodyPrefilter::foldDirect() {
    if (m_direct.data() != nullptr) appendFolded(m_stream, std::exchange(m_direct, {}), m_dropLineEnds);
}

bool BodyPrefilter::addUnits(std::string_view text, std::span<const BodyUnit> units) {
    if (units.empty()) return true;
    // The units lie one after another: their bytes are one stretch of text.
    const std::size_t from = units.front().begin;
    const std::string_view bytes = text.substr(from, units.back().end - from);
    switch (m_conversion) {
        case BodyConversion::AsIs:
            addAsIs(bytes);
            return true;
        case BodyConversion::Utf8:
            for (const BodyUnit& unit : units) {
                const std::string_view unitBytes = text.substr(unit.begin, unit.end - unit.begin);
                if (m_utf8Sound) m_utf8Sound = utf8AllInCodePage(unitBytes);
                // Characters all in the code page make no ASCII of other bytes.
                if (!m_utf8Sound && !utf8MakesNoAsciiOfOtherBytes(unitBytes)) return false;
            }
            addAsIs(bytes);
            return true;
        case BodyConversion::Iso2022Jp: {
            // Without an escape the text is one single-byte stretch.
            const bool plain = std::memchr(bytes.data(), kEsc, bytes.size()) == nullptr;
            if (m_needAscii && plain) addAsIs(bytes);
            if (m_needAscii && !plain) {
                foldDirect();
                appendIso2022JpAscii(m_stream, text.substr(0, units.back().end), units, m_dropLineEnds);
            }
            if (m_jisSound) m_jisSound = scanJisPairs(text.substr(0, units.back().end), units);
            return true;
        }
        case BodyConversion::EucJp:
            break;
    }
    return false;
}

// The stream of pairs holds a probe where the bytes hold it, within one
// stretch, or where it spans the meeting of two stretches with nothing
// shown between them: escapes one after another (as where one line ends
// and the next begins), or line ends that are dropped. Only the meetings
// are looked at apart, through the tail of the stream before each, so the
// pairs are not copied.
bool BodyPrefilter::scanJisPairs(std::string_view text, std::span<const BodyUnit> units) {
    JisTail tail = startJisTail();
    const bool plain = visitStretches<true>(text, units, [&](std::string_view stretch, bool pairs) {
        if (pairs)
            addJisPairs(stretch, tail);
        else
            addJisSingleBytes(stretch);
    });
    if (m_jisJoinable) m_jisTail.assign(tail.bytes);
    if (!plain) return false;
    markJisProbesIn(text.substr(units.front().begin));
    return true;
}

BodyPrefilter::JisTail BodyPrefilter::startJisTail() const {
    std::size_t longest = 0;
    for (const Probes& probes : m_probes) longest = std::max(longest, probes.jis.size());
    return {m_jisTail, longest - 1};
}

// A stretch of pairs joins the stream: only its meeting with the stream's
// tail is looked at here.
void BodyPrefilter::addJisPairs(std::string_view stretch, JisTail& tail) {
    // A probe across the join holds the two bytes that meet there.
    if (m_jisJoinable && !tail.bytes.empty() &&
        m_jisMeetings.test(meetingOf(tail.bytes.back(), stretch.front())))
        for (std::size_t k = 0; k < m_probes.size(); ++k)
            if (!m_jisSeen[k]) m_jisSeen[k] = occursAcross(tail.bytes, stretch, m_probes[k].jis);
    const std::size_t keep = tail.keep;
    if (stretch.size() >= keep || !m_jisJoinable) {
        tail.bytes = stretch.substr(stretch.size() - std::min(stretch.size(), keep));
    } else {
        // Carried from the units before or gathered from short stretches:
        // a copy.
        std::string& joined = m_jisJoined;
        joined.assign(
            tail.bytes.substr(tail.bytes.size() - std::min(tail.bytes.size(), keep - stretch.size())));
        joined += stretch;
        std::swap(joined, m_jisTail);
        tail.bytes = m_jisTail;
    }
    m_jisJoinable = true;
}

void BodyPrefilter::addJisSingleBytes(std::string_view stretch) {
    if (!m_dropLineEnds || stretch.find_first_not_of("\r\n") != std::string_view::npos) m_jisJoinable = false;
}

namespace {

// Of 64 bytes: the line feeds; those that keep a line from being read
// where it lies (an escape, 0x80 and above, a CR, the end mark); and those
// that are no JIS X 0208 pair's byte.
struct LineMasks {
    std::uint64_t lineFeeds = 0;
    std::uint64_t special = 0;
    std::uint64_t notJis = 0;
};

[[gnu::always_inline]] inline LineMasks lineMasksOf(const char* bytes) {
    LineMasks masks;
#if defined(__SSE2__)
    for (int part = 0; part < 4; ++part) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        const auto bits = [part](__m128i picked) {
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(picked)))
                   << (16 * part);
        };
        const auto is = [&x](char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
        masks.lineFeeds |= bits(is('\n'));
        // The high bit of x itself marks 0x80 and above.
        masks.special |=
            bits(_mm_or_si128(_mm_or_si128(is(kEsc), is('\r')), _mm_or_si128(is(LineReader::kEndMark), x)));
        masks.notJis |= bits(_mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x21)), is(0x7F)));
    }
#else
    for (int i = 0; i < 64; ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (b == '\n') masks.lineFeeds |= bit;
        if (b == kEsc || b == '\r' || b == LineReader::kEndMark || b >= 0x80) masks.special |= bit;
        if (!isJisByte(b)) masks.notJis |= bit;
    }
#endif
    return masks;
}

#if defined(__x86_64__)
// The same 32 bytes at a time, where the processor can (HasWideCompare).
__attribute__((target("avx2"))) LineMasks lineMasksOfWide(const char* bytes) {
    LineMasks masks;
    for (int part = 0; part < 2; ++part) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * part));
        const __m256i lineFeed = _mm256_cmpeq_epi8(x, _mm256_set1_epi8('\n'));
        const __m256i escape = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(kEsc));
        const __m256i cr = _mm256_cmpeq_epi8(x, _mm256_set1_epi8('\r'));
        const __m256i endMark = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(LineReader::kEndMark));
        const __m256i del = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(0x7F));
        const __m256i special = _mm256_or_si256(_mm256_or_si256(escape, cr), _mm256_or_si256(endMark, x));
        const __m256i notJis = _mm256_or_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(0x21), x), del);
        const int shift = 32 * part;
        masks.lineFeeds |= std::uint64_t{static_cast<unsigned>(_mm256_movemask_epi8(lineFeed))} << shift;
        masks.special |= std::uint64_t{static_cast<unsigned>(_mm256_movemask_epi8(special))} << shift;
        masks.notJis |= std::uint64_t{static_cast<unsigned>(_mm256_movemask_epi8(notJis))} << shift;
    }
    return masks;
}
#endif

// Calls onLine(begin, lineFeed, special, notJis) for each line of bytes,
// ended by a line feed, with the counts of the special bytes and of the
// bytes that are no pair's byte before the line feed; false as soon as
// onLine returns false.
template <bool wide, class OnLine>
[[gnu::always_inline]] inline bool forEachCountedLine(std::string_view bytes, OnLine& onLine) {
    const char* const data = bytes.data();
    std::size_t lineBegin = 0;
    std::size_t specialBefore = 0, notJisBefore = 0;  // before the block of 64
    std::size_t specialAtLine = 0, notJisAtLine = 0;  // before the line
    for (std::size_t block = 0; block < bytes.size(); block += 64) {
        LineMasks masks;
        const std::size_t left = bytes.size() - block;
        const char* from = data + block;
        char last[64];
        if (left < 64) {
            std::memset(last, 0, sizeof last);
            from = static_cast<const char*>(std::memcpy(last, from, left));
        }
#if defined(__x86_64__)
        if constexpr (wide)
            masks = lineMasksOfWide(from);
        else
#endif
            masks = lineMasksOf(from);
        if (left < 64) {
            const std::uint64_t inside = (std::uint64_t{1} << left) - 1;
            masks.special &= inside;
            masks.notJis &= inside;
        }
        for (std::uint64_t feeds = masks.lineFeeds; feeds != 0; feeds &= feeds - 1) {
            const auto at = static_cast<unsigned>(std::countr_zero(feeds));
            const std::uint64_t before = (std::uint64_t{1} << at) - 1;
            const std::size_t special =
                specialBefore + static_cast<std::size_t>(std::popcount(masks.special & before));
            const std::size_t notJis =
                notJisBefore + static_cast<std::size_t>(std::popcount(masks.notJis & before));
            const std::size_t lineFeed = block + at;
            if (!onLine(lineBegin, lineFeed, special - specialAtLine, notJis - notJisAtLine)) return false;
            lineBegin = lineFeed + 1;
            specialAtLine = special;
            notJisAtLine = notJis + 1;  // the line feed is none
        }
        specialBefore += static_cast<std::size_t>(std::popcount(masks.special));
        notJisBefore += static_cast<std::size_t>(std::popcount(masks.notJis));
    }
    return true;
}

#if defined(__x86_64__)
bool hasWideCounts() {
    return HasWideCompare() && __builtin_cpu_supports("popcnt");
}

// The same 32 bytes at a time and with the processor's own count of bits,
// which the baseline instruction set lacks (each count is a library call
// there).
template <class OnLine>
__attribute__((target("avx2,popcnt"))) bool forEachCountedLineWide(std::string_view bytes, OnLine& onLine) {
    return forEachCountedLine<true>(bytes, onLine);
}
#else
bool hasWideCounts() {
    return false;
}

template <class OnLine>
bool forEachCountedLineWide(std::string_view bytes, OnLine& onLine) {
    return forEachCountedLine<false>(bytes, onLine);
}
#endif

}  // namespace

// One pass over the bytes marks the line feeds and the bytes that count;
// each line is then told by two counts: of its special bytes and of those
// that are no pair's byte. A line with no special byte is one single-byte
// stretch; one whose only special bytes are an escape into double-byte mode
// at its start and another escape three bytes before its end, with pair
// bytes alone between, is one stretch of pairs. Both are visited as
// visitStretches visits them. Any other line, a line too long to come
// whole, a lone CR or the end mark leaves the lines to the line reader.
bool BodyPrefilter::addJisLines(std::string_view rest, std::size_t& count) {
    if (m_conversion != BodyConversion::Iso2022Jp || rest.empty() || rest.back() != '\n') return false;
    JisTail tail = m_jisSound ? startJisTail() : JisTail{};
    if (m_needAscii) foldDirect();
    count = 0;
    auto onLine = [&](std::size_t begin, std::size_t lineFeed, std::size_t special, std::size_t notJis) {
        if (!addJisLine(rest.substr(begin, lineFeed - begin), special, notJis, tail)) return false;
        ++count;
        return true;
    };
    static const bool wide = hasWideCounts();
    if (!(wide ? forEachCountedLineWide(rest, onLine) : forEachCountedLine<false>(rest, onLine)))
        return false;
    if (!m_jisSound) return true;
    if (m_jisJoinable) m_jisTail.assign(tail.bytes);
    markJisProbesIn(rest);
    return true;
}

// line: up to its line feed; special and notJis: its counts of those bytes.
bool BodyPrefilter::addJisLine(std::string_view line, std::size_t special, std::size_t notJis,
                               JisTail& tail) {
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
        --special;
        --notJis;
    }
    if (line.size() + 1 >= kLinePieceBytes) return false;
    const auto visit = [&](std::string_view stretch, bool pairs) {
        if (m_jisSound) {
            if (pairs)
                addJisPairs(stretch, tail);
            else
                addJisSingleBytes(stretch);
        }
        if (m_needAscii) {
            if (pairs)
                m_stream += kBarrier;
            else
                appendFolded(m_stream, stretch, m_dropLineEnds);
        }
    };
    if (special == 0) {
        if (!line.empty()) visit(line, false);
        return true;
    }
    const std::size_t n = line.size();
    if (special != 2 || n < 6 || n % 2 != 0 || line[0] != kEsc || line[1] != '$' || line[n - 3] != kEsc)
        return false;
    // Between the escapes, pair bytes only: the line's other bytes that are
    // none are among the escapes' own six.
    std::size_t inEscapes = 0;
    for (const std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{2}, n - 3, n - 2, n - 1})
        inEscapes += isJisByte(static_cast<std::uint8_t>(line[at])) ? 0 : 1;
    if (notJis != inEscapes) return false;
    if (n > 6) visit(line.substr(3, n - 6), true);
    return true;
}

void BodyPrefilter::markJisProbesIn(std::string_view bytes) {
    for (std::size_t k = 0; k < m_probes.size(); ++k)
        if (!m_jisSeen[k] && !m_probes[k].jis.empty())
            // A pair's second byte tells more of it than its first.
            m_jisSeen[k] = occursTested(bytes, m_probes[k].jis, false, 1);
}

bool BodyPrefilter::provesAbsent(const TermList& terms) {
    for (std::size_t i = 0; i < terms.size(); i += 2) {
        if (terms[i].mark > 0) continue;
        const Probes& probes = m_probes[i / 2];
        const bool jisProves = m_jisSound && !probes.jis.empty() && !m_jisSeen[i / 2];
        // The first character's last byte tells more of it than its lead.
        const bool utf8Proves = m_utf8Sound && !probes.utf8.empty() && !inStream(probes.utf8, 2);
        if (!jisProves && !utf8Proves && !asciiProves(probes)) return false;
    }
    return true;
}

}  // namespace pelmora
