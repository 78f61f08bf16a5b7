// SPDX-License-Identifier: MIT
#include "search/body_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "decode/transfer.h"

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

void appendSjisCode(std::string& out, std::uint16_t code) {
    if (code >= 0x100) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

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

constexpr std::array<bool, 256> kBase64Alphabet = [] {
    std::array<bool, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) table[c] = true;
    for (int c = '0'; c <= '9'; ++c) table[c] = true;
    table['+'] = table['/'] = true;
    return table;
}();

std::size_t base64Characters(std::string_view line) {
    std::size_t count = 0;
    for (char c : line) count += kBase64Alphabet[static_cast<std::uint8_t>(c)] ? 1 : 0;
    return count;
}

}  // namespace

void AppendIso2022JpAsSjis(std::string& out, std::string_view text) {
    constexpr char kEsc = 0x1b;
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
            out += static_cast<char>(high);
            out += static_cast<char>(low);
            i += 2;
        } else {
            const void* esc = std::memchr(text.data() + i, kEsc, text.size() - i);
            const std::size_t end = esc != nullptr ? static_cast<const char*>(esc) - text.data() : text.size();
            out.append(text, i, end - i);
            i = end;
        }
    }
}

void AppendUtf8AsSjis(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (run < text.size() && static_cast<std::uint8_t>(text[run]) < 0x80) ++run;
        out.append(text, i, run - i);
        i = run;
        if (i == text.size()) break;
        const auto lead = static_cast<std::uint8_t>(text[i]);
        const std::size_t length = utf8SequenceLength(lead);
        if (text.size() - i < length) {
            // A sequence cut short by the end stays as it is.
            out.append(text, i);
            break;
        }
        // The bytes after the lead are taken without checking their form.
        char32_t value = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
        const std::uint16_t code = UnicodeToSjis(value);
        if (code == 0)
            out.append(text, i, length);
        else
            appendSjisCode(out, code);
        i += length;
    }
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
            if (joined.find('=') != std::string::npos)
                appendConverted(body.text, QuotedPrintableDecode(joined), conversion);
            else
                appendConverted(body.text, joined, conversion);
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
    // Decoding lines one by one equals decoding them joined as long as every
    // line but the last of a batch holds whole groups of four characters.
    std::string& pending = body.scratch;
    std::string decoded;
    pending.clear();
    for (std::size_t i = first; i < lines.size() && !endsBody(lines[i], boundary); ++i) {
        pending += lines[i];
        if (base64Characters(lines[i]) % 4 != 0) {
            decoded += Base64Decode(pending);
            pending.clear();
        }
    }
    if (!pending.empty()) decoded += Base64Decode(pending);
    appendConverted(body.text, decoded, conversion);
    std::erase_if(body.text, [](char c) { return c == '\r' || c == '\n'; });
    UpperCaseDisplayRange(body.text.data(), body.text.size());
    body.units.push_back({0, body.text.size(), lines.empty() ? 0 : lines.size() - 1});
}

}  // namespace pelmora
