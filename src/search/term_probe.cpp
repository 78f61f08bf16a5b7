// SPDX-License-Identifier: MIT
#include "search/term_probe.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "decode/text.h"

namespace pelmora {

namespace {

constexpr char kEsc = 0x1B;
// Stands in the stream for a converted double-byte stretch: no term byte
// the proof looks for is one.
constexpr char kBarrier = static_cast<char>(0x80);

constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// A term byte the proof may look for: ASCII, and neither a line end (the
// base64 text drops them) nor one of 0x60-0x7A, which upper-casing makes
// out of other bytes (the second byte of a full-width small letter) or
// never leaves standing alone (a-z).
bool isProbeByte(char c) {
    const auto b = static_cast<std::uint8_t>(c);
    return b < 0x80 && b != '\r' && b != '\n' && (b < 0x60 || b > 0x7A);
}

// Eight bytes at once: a-z of every byte, whatever character it belongs
// to, become A-Z, so that the stream's letters compare without regard to
// case. Bytes of 0x80 and above are left alone: their high bit stays out of
// the sums.
std::uint64_t foldWord(std::uint64_t word) {
    const std::uint64_t low7 = word & ~kHighBits;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kEveryByte;
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kEveryByte;
    return word ^ ((atLeastA & ~aboveZ & ~word & kHighBits) >> 2);
}

// Whether one of the eight bytes is c (exact for the first such byte).
bool hasByte(std::uint64_t word, char c) {
    const std::uint64_t x = word ^ (static_cast<std::uint8_t>(c) * kEveryByte);
    return ((x - kEveryByte) & ~x & kHighBits) != 0;
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
                if (dropLineEnds && (hasByte(word, '\r') || hasByte(word, '\n'))) break;
                word = foldWord(word);
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

// Past the escape at text[i], as the conversion reads it: only its second
// byte counts, and it is three bytes long whatever its third is.
std::size_t pastEscape(std::string_view text, std::size_t i, bool& doubleByte) {
    if (i + 1 < text.size()) {
        if (text[i + 1] == '$') doubleByte = true;
        if (text[i + 1] == '(') doubleByte = false;
    }
    return i + 3;
}

// ISO-2022-JP walked as the conversion walks it: single-byte stretches
// are kept, escapes dropped, each stretch of pairs one barrier.
void appendIso2022JpAscii(std::string& out, std::string_view text, bool dropLineEnds) {
    bool doubleByte = false;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (text[i] == kEsc) {
            i = pastEscape(text, i, doubleByte);
        } else if (doubleByte) {
            // An escape counts only where a pair would begin; one in the
            // second byte of a pair is part of the pair.
            const std::size_t start = i;
            std::size_t esc = nextEscape(text, i);
            while (esc < n && (esc - start) % 2 != 0) esc = nextEscape(text, esc + 1);
            i = esc;
            out += kBarrier;
        } else {
            const std::size_t end = nextEscape(text, i);
            appendFolded(out, text.substr(i, end - i), dropLineEnds);
            i = end;
        }
    }
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

bool isJisByte(std::uint8_t b) {
    return b >= 0x21 && b <= 0x7E;
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

// The longest stretch of the term's double-byte characters that all have a
// JIS pair, as those pairs.
std::string jisProbeOf(std::string_view term) {
    std::string longest, current;
    std::size_t i = 0;
    while (i < term.size()) {
        const auto lead = static_cast<std::uint8_t>(term[i]);
        std::string pair;
        std::size_t step = 1;
        if (IsCp932LeadByte(lead) && i + 1 < term.size()) {
            pair = jisPairOf(lead, static_cast<std::uint8_t>(term[i + 1]));
            step = 2;
        }
        if (pair.empty()) {
            current.clear();
        } else {
            current += pair;
            if (current.size() > longest.size()) longest = current;
        }
        i += step;
    }
    return longest;
}

// ISO-2022-JP walked as the conversion walks it, the pairs of its
// double-byte mode kept and each single-byte stretch one barrier (line ends
// nothing when the text drops them); false when the bytes are not plain
// ISO-2022-JP (see the header), a pair that would take an escape's first
// byte or run past the end among them.
bool appendJisPairs(std::string& out, std::string_view text, bool dropLineEnds) {
    bool doubleByte = false;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (text[i] == kEsc) {
            i = pastEscape(text, i, doubleByte);
            continue;
        }
        const std::size_t end = nextEscape(text, i);
        if (doubleByte) {
            if ((end - i) % 2 != 0) return false;
            for (std::size_t k = i; k < end; ++k)
                if (!isJisByte(static_cast<std::uint8_t>(text[k]))) return false;
            out.append(text.data() + i, end - i);
        } else {
            bool shown = false;
            for (std::size_t k = i; k < end; ++k) {
                const auto b = static_cast<std::uint8_t>(text[k]);
                if (b >= 0x80) return false;
                shown = shown || !(dropLineEnds && (b == '\r' || b == '\n'));
            }
            if (shown && (out.empty() || out.back() != kBarrier)) out += kBarrier;
        }
        i = end;
    }
    return true;
}

bool occursIn(const std::string& stream, const std::string& probe) {
    return memmem(stream.data(), stream.size(), probe.data(), probe.size()) != nullptr;
}

}  // namespace

void BodyPrefilter::prepare(const TermList& terms) {
    const std::size_t count = (terms.size() + 1) / 2;
    bool same = m_texts.size() == count;
    for (std::size_t i = 0; same && i < terms.size(); i += 2) same = m_texts[i / 2] == terms[i].text;
    if (same) return;
    m_texts.clear();
    m_probes.clear();
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
        probes.jis = jisProbeOf(text);
        m_probes.push_back(std::move(probes));
    }
}

bool BodyPrefilter::begin(BodyConversion conversion, bool dropLineEnds) {
    m_conversion = conversion;
    m_dropLineEnds = dropLineEnds;
    m_stream.clear();
    m_jisStream.clear();
    // Only terms that have JIS pairs to look for need the pairs' stream.
    m_jisSound = conversion == BodyConversion::Iso2022Jp &&
                 std::ranges::any_of(m_probes, [](const Probes& p) { return !p.jis.empty(); });
    if (conversion == BodyConversion::EucJp || m_probes.empty()) return false;
    const bool whole = conversion == BodyConversion::AsIs;
    m_needAscii = std::ranges::any_of(
        m_probes, [&](const Probes& p) { return !(whole ? p.whole : p.afterFirst).empty(); });
    return std::ranges::all_of(m_probes, [&](const Probes& p) {
        return !(whole ? p.whole : p.afterFirst).empty() || (m_jisSound && !p.jis.empty());
    });
}

bool BodyPrefilter::asciiProves(const Probes& probes) const {
    const std::vector<std::string>& needed =
        m_conversion == BodyConversion::AsIs ? probes.whole : probes.afterFirst;
    return !needed.empty() &&
           !std::ranges::all_of(needed, [&](const std::string& probe) { return occursIn(m_stream, probe); });
}

bool BodyPrefilter::add(std::string_view bytes) {
    switch (m_conversion) {
        case BodyConversion::AsIs:
            appendFolded(m_stream, bytes, m_dropLineEnds);
            return true;
        case BodyConversion::Utf8:
            if (!utf8MakesNoAsciiOfOtherBytes(bytes)) return false;
            appendFolded(m_stream, bytes, m_dropLineEnds);
            return true;
        case BodyConversion::Iso2022Jp:
            if (m_needAscii) appendIso2022JpAscii(m_stream, bytes, m_dropLineEnds);
            if (m_jisSound) m_jisSound = appendJisPairs(m_jisStream, bytes, m_dropLineEnds);
            return true;
        case BodyConversion::EucJp:
            break;
    }
    return false;
}

bool BodyPrefilter::provesAbsent(const TermList& terms) {
    for (std::size_t i = 0; i < terms.size(); i += 2) {
        if (terms[i].mark > 0) continue;
        const Probes& probes = m_probes[i / 2];
        const bool jisProves = m_jisSound && !probes.jis.empty() && !occursIn(m_jisStream, probes.jis);
        if (!jisProves && !asciiProves(probes)) return false;
    }
    return true;
}

}  // namespace pelmora
