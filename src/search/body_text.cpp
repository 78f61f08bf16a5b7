// SPDX-License-Identifier: MIT
#include "search/body_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "decode/cp932.h"
#include "decode/japanese.h"

namespace pelmora {

namespace {

// Full-width ａ-ｚ are 0x82 0x81-0x9A, and Ａ-Ｚ 0x82 0x60-0x79.
constexpr std::uint8_t kFullWidthLead = 0x82;
constexpr std::uint8_t kFullWidthSmallFirst = 0x81;
constexpr std::uint8_t kFullWidthSmallLast = 0x9A;
constexpr std::uint8_t kFullWidthCaseDistance = 0x21;

constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Eight ASCII bytes at once: a-z lose their 0x20 bit.
std::uint64_t upperCaseAsciiWord(std::uint64_t word) {
    const std::uint64_t atLeastA = word + (0x80 - 'a') * kEveryByte;
    const std::uint64_t aboveZ = word + (0x80 - 'z' - 1) * kEveryByte;
    const std::uint64_t lower = atLeastA & ~aboveZ & kHighBits;
    return word ^ (lower >> 2);
}

bool hasHighByte(std::string_view s) {
    std::uint8_t any = 0;
    for (char c : s) any |= static_cast<std::uint8_t>(c);
    return (any & 0x80) != 0;
}

bool hasEscape(std::string_view s) { return std::memchr(s.data(), 0x1b, s.size()) != nullptr; }

// The length of a UTF-8 sequence as its lead byte alone tells it.
std::size_t utf8SequenceLength(std::uint8_t lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    return 6;
}

void appendConverted(std::string& out, std::string_view in, BodyConversion conversion) {
    switch (conversion) {
    case BodyConversion::AsIs:
        out.append(in);
        return;
    case BodyConversion::Iso2022Jp:
        AppendIso2022JpAsSjis(out, in);
        return;
    case BodyConversion::Utf8:
        AppendUtf8AsSjis(out, in);
        return;
    case BodyConversion::EucJp:
        if (hasHighByte(in) || hasEscape(in))
            out += Iso2022JpToSjis(EucJpToIso2022Jp(in));
        else
            out.append(in);
        return;
    }
}

bool endsBody(const std::string& line, const std::string* boundary) {
    return boundary != nullptr && line.size() >= boundary->size() + 2 && line.starts_with("--") &&
           std::string_view(line).substr(2, boundary->size()) == *boundary;
}

// The value of each base64 character; -1 for every other byte.
constexpr std::array<std::int8_t, 256> kBase64Values = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i) table[static_cast<std::uint8_t>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}();

// 0-15 for "0"-"9" and upper-case "A"-"F"; -1 for every other byte.
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<std::int8_t>(c - 'A' + 10);
    return table;
}();

}  // namespace

// Both conversions give at most as many bytes as they take (an escape
// yields nothing, a lone last byte after one yields two), so the output is
// written through a pointer into room made beforehand.
void AppendIso2022JpAsSjis(std::string& out, std::string_view text) {
    constexpr char kEsc = 0x1b;
    const std::size_t base = out.size();
    out.resize(base + text.size());
    char* put = out.data() + base;
    bool doubleByte = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == kEsc) {
            // Only the second byte is looked at; an escape is always three bytes.
            if (i + 1 < text.size()) {
                if (text[i + 1] == '$') doubleByte = true;
                if (text[i + 1] == '(') doubleByte = false;
            }
            i += 3;
        } else if (doubleByte) {
            const auto first = static_cast<std::uint8_t>(text[i]);
            const std::uint8_t second = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
            const auto [high, low] = JisToSjisPair(first, second);
            *put++ = static_cast<char>(high);
            *put++ = static_cast<char>(low);
            i += 2;
        } else {
            const void* esc = std::memchr(text.data() + i, kEsc, text.size() - i);
            const std::size_t end = esc != nullptr ? static_cast<const char*>(esc) - text.data() : text.size();
            std::memcpy(put, text.data() + i, end - i);
            put += end - i;
            i = end;
        }
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
}

void AppendUtf8AsSjis(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize(base + text.size());
    char* put = out.data() + base;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (run < text.size() && static_cast<std::uint8_t>(text[run]) < 0x80) ++run;
        std::memcpy(put, text.data() + i, run - i);
        put += run - i;
        i = run;
        if (i == text.size()) break;
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = utf8SequenceLength(lead);
        // A sequence cut short by the end stays as it is.
        if (text.size() - i < length) length = text.size() - i;
        // The bytes after the lead are taken without checking their form.
        char32_t value = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
        const std::uint16_t code = text.size() - i < utf8SequenceLength(lead) ? 0 : UnicodeToSjis(value);
        if (code == 0) {
            std::memcpy(put, text.data() + i, length);
            put += length;
        } else {
            if (code >= 0x100) *put++ = static_cast<char>(code >> 8);
            *put++ = static_cast<char>(code & 0xFF);
        }
        i += length;
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
}

void AppendBase64Decoded(std::string& out, std::string_view line) {
    const std::size_t base = out.size();
    out.resize(base + line.size() / 4 * 3 + 3);
    char* put = out.data() + base;
    std::uint32_t group = 0;
    int count = 0;
    for (char c : line) {
        // Padding, blanks and every other foreign byte are passed over.
        const int value = kBase64Values[static_cast<std::uint8_t>(c)];
        if (value < 0) continue;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            *put++ = static_cast<char>(group >> 16);
            *put++ = static_cast<char>(group >> 8);
            *put++ = static_cast<char>(group);
            group = 0;
            count = 0;
        }
    }
    // Two characters left give one byte, three give two.
    if (count == 2) *put++ = static_cast<char>(group >> 4);
    if (count == 3) {
        *put++ = static_cast<char>(group >> 10);
        *put++ = static_cast<char>(group >> 2);
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
}

void AppendQuotedPrintableDecoded(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize(base + text.size());
    char* put = out.data() + base;
    for (std::size_t i = 0; i < text.size();) {
        // Only two upper-case hexadecimal digits make an escape; anything
        // else keeps the "=" as it stands.
        if (text[i] == '=' && i + 2 < text.size()) {
            const int high = kHexDigits[static_cast<std::uint8_t>(text[i + 1])];
            const int low = kHexDigits[static_cast<std::uint8_t>(text[i + 2])];
            if (high >= 0 && low >= 0) {
                *put++ = static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        *put++ = text[i++];
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
}

void UpperCaseDisplayRange(char* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, data + i, 8);
            if ((word & kHighBits) == 0) {
                word = upperCaseAsciiWord(word);
                std::memcpy(data + i, &word, 8);
                i += 8;
                continue;
            }
        }
        const auto byte = static_cast<std::uint8_t>(data[i]);
        if (byte < 0x80) {
            if (byte >= 'a' && byte <= 'z') data[i] = static_cast<char>(byte - ('a' - 'A'));
            ++i;
        } else if (IsCp932LeadByte(byte) && i + 1 < size) {
            const auto trail = static_cast<std::uint8_t>(data[i + 1]);
            if (byte == kFullWidthLead && trail >= kFullWidthSmallFirst && trail <= kFullWidthSmallLast)
                data[i + 1] = static_cast<char>(trail - kFullWidthCaseDistance);
            i += 2;
        } else {
            ++i;
        }
    }
}

void BuildLineUnits(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                    BodyConversion conversion, bool quotedPrintable) {
    body.text.clear();
    body.units.clear();
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (endsBody(lines[i], boundary)) break;
        BodyUnit unit;
        unit.begin = body.text.size();
        if (quotedPrintable) {
            // Soft line breaks: a line ending in "=" goes on in the next
            // line, which is never taken for a delimiter.
            std::string& joined = body.scratch;
            joined = lines[i];
            while (joined.ends_with('=') && i + 1 < lines.size()) {
                joined.pop_back();
                joined += lines[++i];
            }
            if (joined.find('=') != std::string::npos) {
                body.decoded.clear();
                AppendQuotedPrintableDecoded(body.decoded, joined);
                appendConverted(body.text, body.decoded, conversion);
            } else {
                appendConverted(body.text, joined, conversion);
            }
        } else {
            appendConverted(body.text, lines[i], conversion);
        }
        unit.end = body.text.size();
        unit.lastLine = i;
        UpperCaseDisplayRange(body.text.data() + unit.begin, unit.end - unit.begin);
        body.units.push_back(unit);
    }
}

void BuildBase64Unit(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                     BodyConversion conversion) {
    body.text.clear();
    body.units.clear();
    std::string& decoded = body.decoded;
    decoded.clear();
    for (std::size_t i = first; i < lines.size() && !endsBody(lines[i], boundary); ++i)
        AppendBase64Decoded(decoded, lines[i]);
    appendConverted(body.text, decoded, conversion);
    std::erase_if(body.text, [](char c) { return c == '\r' || c == '\n'; });
    UpperCaseDisplayRange(body.text.data(), body.text.size());
    body.units.push_back({0, body.text.size(), lines.empty() ? 0 : lines.size() - 1});
}

}  // namespace pelmora
