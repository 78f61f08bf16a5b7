// SPDX-License-Identifier: MIT
// ISO-2022-JP (RFC 1468), EUC-JP and UTF-8 into code page 932 display text.
#include "decode/japanese.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "decode/appending.h"
#include "decode/ascii.h"
#include "decode/cp932_encode.h"
#include "decode/utf8.h"

namespace pelmora {

namespace {

constexpr char kEsc = '\x1B';

void appendSjisCode(std::string& out, std::uint16_t code) {
    if (code >= 0x100) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

char* putSjisCode(char* put, std::uint16_t code) {
    if (code >= 0x100) *put++ = static_cast<char>(code >> 8);
    *put++ = static_cast<char>(code & 0xFF);
    return put;
}

std::uint8_t byteAt(std::string_view text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

// The length of the well-formed multi-byte UTF-8 sequence at text[i], 0
// when the bytes there form none (or one ASCII byte). Sets codePoint.
std::size_t wellFormedUtf8(std::string_view text, std::size_t i, char32_t& codePoint) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length < 2) return 0;
    char32_t value = byteAt(text, i) & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (byteAt(text, i + k) & 0x3F);
    codePoint = value;
    return length;
}

// One past the run of ASCII bytes that starts at text[i].
std::size_t asciiRunEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && byteAt(text, i) < 0x80) ++i;
    return i;
}

// The length of a UTF-8 sequence as its lead byte alone tells it.
std::size_t leadByteLength(std::uint8_t lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    return 6;
}

// ISO-2022-JP at `text` converted to `put`, which may be text.data()
// itself: an escape writes nothing and a double-byte pair two bytes, so
// the writing never overtakes the reading (a lone last byte, written as
// two, comes after an escape of three). Returns one past the last byte put.
char* convertIso2022Jp(std::string_view text, char* put) {
    bool doubleByte = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == kEsc) {
            // Only the escape's second byte is looked at; the escape is always
            // three bytes long, whatever its third byte is.
            if (i + 1 < text.size()) {
                if (text[i + 1] == '$') doubleByte = true;
                if (text[i + 1] == '(') doubleByte = false;
            }
            i += 3;
        } else if (doubleByte) {
            const std::uint8_t second = i + 1 < text.size() ? byteAt(text, i + 1) : 0;
            const auto [high, low] = JisToSjisPair(byteAt(text, i), second);
            *put++ = static_cast<char>(high);
            *put++ = static_cast<char>(low);
            i += 2;
        } else {
            // A short run (the blank between two names) is copied byte by
            // byte; the rest of a long one (a body line) at once.
            const std::size_t quick = std::min(text.size(), i + 16);
            while (i < quick && text[i] != kEsc) *put++ = text[i++];
            if (i == quick && i < text.size()) {
                const void* esc = std::memchr(text.data() + i, kEsc, text.size() - i);
                const std::size_t end =
                    esc != nullptr ? static_cast<std::size_t>(static_cast<const char*>(esc) - text.data())
                                   : text.size();
                std::memmove(put, text.data() + i, end - i);
                put += end - i;
                i = end;
            }
        }
    }
    return put;
}

struct KnownCharset {
    std::string_view name;
    CharsetKind kind;
};

constexpr std::array<KnownCharset, 18> kKnownCharsets = {{
    {"iso-2022-jp", CharsetKind::Iso2022Jp},
    {"shift_jis", CharsetKind::AsIs},
    {"shift-jis", CharsetKind::AsIs},
    {"utf-8", CharsetKind::Utf8},
    {"iso-8859-1", CharsetKind::AsIs},
    {"us-ascii", CharsetKind::AsIs},
    {"x-sjis", CharsetKind::AsIs},
    {"koi8-r", CharsetKind::AsIs},
    {"euc-jp", CharsetKind::EucJp},
    {"windows-1250", CharsetKind::AsIs},
    {"windows-1251", CharsetKind::AsIs},
    {"windows-1252", CharsetKind::AsIs},
    {"windows-1253", CharsetKind::AsIs},
    {"windows-1254", CharsetKind::AsIs},
    {"windows-1255", CharsetKind::AsIs},
    {"windows-1256", CharsetKind::AsIs},
    {"windows-1257", CharsetKind::AsIs},
    {"windows-1258", CharsetKind::AsIs},
}};

}  // namespace

std::pair<std::uint8_t, std::uint8_t> JisToSjisPair(std::uint8_t j1, std::uint8_t j2) {
    // Defined for every byte pair, not only for 0x21-0x7E, so that damaged
    // text still converts to something of the same length.
    const unsigned value = (j1 * 256u + j2 + 0xA17Eu) & 0xFFFFu;
    unsigned high = value >> 8;
    unsigned low = value & 0xFFu;
    if (high % 2 == 0) low = (low - 0x5Eu - (low < 0xDEu ? 1u : 0u)) & 0xFFu;
    high = (high / 2) ^ 0xE0u;
    return {static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)};
}

std::string Iso2022JpToSjis(std::string_view text) {
    return detail::Converted<AppendIso2022JpAsSjis>(text);
}

void AppendIso2022JpAsSjis(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size(), [text, base](char* data, std::size_t) {
        return static_cast<std::size_t>(convertIso2022Jp(text, data + base) - data);
    });
}

void Iso2022JpToSjisInPlace(std::string& text) {
    char* end = convertIso2022Jp(text, text.data());
    text.resize(static_cast<std::size_t>(end - text.data()));
}

std::string EucJpToIso2022Jp(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    bool doubleByte = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::uint8_t c = byteAt(text, i);
        // A blank stands in for the byte after the last one.
        const std::uint8_t d = i + 1 < text.size() ? byteAt(text, i + 1) : ' ';
        if (c > 0x80 && d > 0x80) {
            if (!doubleByte) out += "\x1B$B";
            doubleByte = true;
            out += static_cast<char>(c - 0x80);
            out += static_cast<char>(d - 0x80);
            i += 2;
        } else if (c < 0x80) {
            if (doubleByte) out += "\x1B(J";
            doubleByte = false;
            out += static_cast<char>(c);
            ++i;
        } else {
            ++i;  // a half pair or 0x80: dropped
        }
    }
    if (doubleByte) out += "\x1B(J";
    return out;
}

std::uint16_t UnicodeToSjis(char32_t codePoint) {
    return cp932::UnicodeToCode(codePoint);
}

Utf8Char Utf8NextChar(std::string_view text) {
    if (text.empty()) return {0, {}};
    const std::uint8_t lead = byteAt(text, 0);
    if (lead < 0x80) return {1, std::string(1, static_cast<char>(lead))};
    // The lead byte alone decides the length; the bytes that follow are taken
    // without checking their form.
    std::size_t length = 6;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
    } else if ((lead & 0xFC) == 0xF8) {
        length = 5;
    }
    if (text.size() < length) return {text.size(), std::string(text)};
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (byteAt(text, k) & 0x3F);
    const std::uint16_t code = UnicodeToSjis(value);
    if (code == 0) return {length, std::string(text.substr(0, length))};
    std::string sjis;
    appendSjisCode(sjis, code);
    return {length, std::move(sjis)};
}

std::string Utf8ToSjis(std::string_view text) {
    return detail::Converted<AppendUtf8AsSjis>(text);
}

std::string Utf8ToAnsi(std::string_view text) {
    return detail::Converted<AppendUtf8AsAnsi>(text);
}

// Both conversions give at most as many bytes as they take: a sequence of
// two or more bytes becomes one or two, everything else stays one byte.
void AppendUtf8AsSjis(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size(), [text, base](char* data, std::size_t) {
        char* put = data + base;
        std::size_t i = 0;
        while (i < text.size()) {
            // Japanese text is mostly three-byte sequences one after another,
            // most of them characters of two bytes in the code page.
            const auto* in = reinterpret_cast<const std::uint8_t*>(text.data()) + i;
            const auto* const end = reinterpret_cast<const std::uint8_t*>(text.data()) + text.size();
            for (; end - in >= 3 && (in[0] & 0xF0) == 0xE0; in += 3) {
                const char32_t value = static_cast<char32_t>(in[0] & 0x0F) << 12 |
                                       static_cast<char32_t>(in[1] & 0x3F) << 6 | (in[2] & 0x3F);
                const std::uint16_t code = UnicodeToSjis(value);
                if (code >= 0x100) {
                    put[0] = static_cast<char>(code >> 8);
                    put[1] = static_cast<char>(code & 0xFF);
                    put += 2;
                } else if (code != 0) {
                    *put++ = static_cast<char>(code);
                } else {
                    std::memcpy(put, in, 3);
                    put += 3;
                }
            }
            i = static_cast<std::size_t>(in - reinterpret_cast<const std::uint8_t*>(text.data()));
            const std::size_t run = asciiRunEnd(text, i);
            std::memcpy(put, text.data() + i, run - i);
            put += run - i;
            i = run;
            if (i == text.size()) break;
            const std::uint8_t lead = byteAt(text, i);
            const std::size_t length = leadByteLength(lead);
            // A sequence cut short by the end is the rest of the text, kept.
            if (text.size() - i < length) {
                std::memcpy(put, text.data() + i, text.size() - i);
                put += text.size() - i;
                break;
            }
            // The bytes after the lead are taken without checking their form.
            char32_t value = lead & (0x7F >> length);
            for (std::size_t k = 1; k < length; ++k) value = (value << 6) | (byteAt(text, i + k) & 0x3F);
            const std::uint16_t code = UnicodeToSjis(value);
            if (code == 0) {
                std::memcpy(put, text.data() + i, length);
                put += length;
            } else {
                put = putSjisCode(put, code);
            }
            i += length;
        }
        return static_cast<std::size_t>(put - data);
    });
}

void AppendUtf8AsAnsi(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size(), [text, base](char* data, std::size_t) {
        char* put = data + base;
        std::size_t i = 0;
        while (i < text.size()) {
            const std::size_t run = asciiRunEnd(text, i);
            std::memcpy(put, text.data() + i, run - i);
            put += run - i;
            i = run;
            if (i == text.size()) break;
            char32_t codePoint = 0;
            const std::size_t length = wellFormedUtf8(text, i, codePoint);
            if (length == 0) {
                // One "?" for the lead byte only; what follows gets its own chance.
                *put++ = '?';
                ++i;
                continue;
            }
            const std::uint16_t code = UnicodeToSjis(codePoint);
            if (code == 0) {
                *put++ = '?';
            } else {
                put = putSjisCode(put, code);
            }
            i += length;
        }
        return static_cast<std::size_t>(put - data);
    });
}

std::optional<CharsetKind> KnownCharsets(std::string_view name) {
    for (const KnownCharset& entry : kKnownCharsets) {
        if (ascii::EqualsNoCase(entry.name, name)) return entry.kind;
    }
    return std::nullopt;
}

}  // namespace pelmora
