// SPDX-License-Identifier: MIT
// Base64 (RFC 2045 6.8), quoted-printable (RFC 2045 6.7) and the B and Q
// encodings of RFC 2047 4.1 and 4.2, each as lenient as mail needs: bodies
// skip or keep what they do not understand, encoded words never fail.
#include "decode/transfer.h"

#include <array>
#include <cstring>

#include "decode/appending.h"

namespace pelmora {

namespace {

// -1 marks bytes outside the base64 alphabet.
constexpr std::array<signed char, 256> kBase64Values = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return values;
}();

// The same with 0 for them, as the B encoding of a header word reads them.
constexpr std::array<std::uint8_t, 256> kBase64ValuesOrZero = [] {
    std::array<std::uint8_t, 256> values{};
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint8_t>(kBase64Values[i] < 0 ? 0 : kBase64Values[i]);
    return values;
}();

// The values of 0-9 and A-F, -1 for every other byte (body escapes are
// upper case).
constexpr std::array<signed char, 256> kHexValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) values['A' + i] = static_cast<signed char>(10 + i);
    return values;
}();

int hexValue(unsigned char c, bool lowerCaseAllowed) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (lowerCaseAllowed && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int Base64CharValue(std::uint8_t byte) {
    return kBase64ValuesOrZero[byte];
}

std::string Base64Decode(std::string_view text) {
    return detail::Converted<AppendBase64Decoded>(text);
}

std::string QuotedPrintableDecode(std::string_view text) {
    return detail::Converted<AppendQuotedPrintableDecoded>(text);
}

std::string EncodedWordBDecode(std::string_view encoded) {
    return detail::Converted<AppendEncodedWordBDecoded>(encoded);
}

std::string EncodedWordQDecode(std::string_view encoded) {
    return detail::Converted<AppendEncodedWordQDecoded>(encoded);
}

// Each decoder below writes through a pointer into room made beforehand
// for the most it can give, and then trims the string to what it wrote.

void AppendBase64Decoded(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size() / 4 * 3 + 2, [text, base](char* data, std::size_t) {
        char* put = data + base;
        std::uint32_t group = 0;
        int count = 0;
        // Whole groups of four alphabet bytes, the most of every line, at
        // once; the first group with another byte and the rest one by one.
        const auto* in = reinterpret_cast<const unsigned char*>(text.data());
        std::size_t i = 0;
        for (; i + 4 <= text.size(); i += 4) {
            const int a = kBase64Values[in[i]], b = kBase64Values[in[i + 1]];
            const int c = kBase64Values[in[i + 2]], d = kBase64Values[in[i + 3]];
            if ((a | b | c | d) < 0) break;
            const auto v = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
            *put++ = static_cast<char>(v >> 16 & 0xFF);
            *put++ = static_cast<char>(v >> 8 & 0xFF);
            *put++ = static_cast<char>(v & 0xFF);
        }
        for (const char c : text.substr(i)) {
            // Padding, blanks and line ends are skipped like any other foreign byte.
            const int value = kBase64Values[static_cast<unsigned char>(c)];
            if (value < 0) continue;
            group = (group << 6) | static_cast<std::uint32_t>(value);
            if (++count == 4) {
                *put++ = static_cast<char>(group >> 16 & 0xFF);
                *put++ = static_cast<char>(group >> 8 & 0xFF);
                *put++ = static_cast<char>(group & 0xFF);
                group = 0;
                count = 0;
            }
        }
        // Two values left give one byte, three give two, one gives none.
        if (count == 2) *put++ = static_cast<char>(group >> 4 & 0xFF);
        if (count == 3) {
            *put++ = static_cast<char>(group >> 10 & 0xFF);
            *put++ = static_cast<char>(group >> 2 & 0xFF);
        }
        return static_cast<std::size_t>(put - data);
    });
}

void AppendQuotedPrintableDecoded(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + text.size(), [text, base](char* data, std::size_t) {
        char* put = data + base;
        const std::size_t n = text.size();
        std::size_t i = 0;
        while (i < n) {
            if (text[i] != '=') {
                const void* equals = std::memchr(text.data() + i, '=', n - i);
                const std::size_t at =
                    equals != nullptr
                        ? static_cast<std::size_t>(static_cast<const char*>(equals) - text.data())
                        : n;
                std::memcpy(put, text.data() + i, at - i);
                put += at - i;
                i = at;
                continue;
            }
            // Japanese text is escapes one after another: they are taken
            // here without a search between them.
            if (i + 2 < n) {
                const int high = kHexValues[static_cast<unsigned char>(text[i + 1])];
                const int low = kHexValues[static_cast<unsigned char>(text[i + 2])];
                if ((high | low) >= 0) {
                    *put++ = static_cast<char>(high * 16 + low);
                    i += 3;
                    continue;
                }
            }
            // Not an escape: the "=" is kept and the bytes after it are read as usual.
            *put++ = '=';
            ++i;
        }
        return static_cast<std::size_t>(put - data);
    });
}

void AppendEncodedWordBDecoded(std::string& out, std::string_view encoded) {
    // The closing "?=" of the word takes part in the last group, as it does
    // in the header text; the zero bytes it and the padding produce are
    // left out together with any zero byte the text encoded.
    const std::size_t length = encoded.size() + 2;
    auto at = [encoded](std::size_t i) {
        const char c = i < encoded.size() ? encoded[i] : i == encoded.size() ? '?' : '=';
        return static_cast<std::uint32_t>(Base64CharValue(static_cast<std::uint8_t>(c)));
    };
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + length / 4 * 3, [&](char* data, std::size_t) {
        char* put = data + base;
        auto putGroup = [&put](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
            const std::uint32_t v = a << 18 | b << 12 | c << 6 | d;
            for (const std::uint32_t byte : {v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF}) {
                *put = static_cast<char>(byte);
                put += byte != 0 ? 1 : 0;
            }
        };
        std::size_t i = 0;
        for (; i + 4 <= encoded.size(); i += 4) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(encoded.data() + i);
            putGroup(kBase64ValuesOrZero[p[0]], kBase64ValuesOrZero[p[1]], kBase64ValuesOrZero[p[2]],
                     kBase64ValuesOrZero[p[3]]);
        }
        // The group that reaches into the closing "?=", if there is one.
        if (i + 4 <= length) putGroup(at(i), at(i + 1), at(i + 2), at(i + 3));
        return static_cast<std::size_t>(put - data);
    });
}

void AppendEncodedWordQDecoded(std::string& out, std::string_view encoded) {
    const std::size_t base = out.size();
    out.resize_and_overwrite(base + encoded.size(), [encoded, base](char* data, std::size_t) {
        char* put = data + base;
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            const char c = encoded[i];
            if (c == '_') {
                *put++ = ' ';
                continue;
            }
            if (c == '=' && i + 2 < encoded.size()) {
                const int high = hexValue(static_cast<unsigned char>(encoded[i + 1]), true);
                const int low = hexValue(static_cast<unsigned char>(encoded[i + 2]), true);
                if (high >= 0 && low >= 0) {
                    *put++ = static_cast<char>(high * 16 + low);
                    i += 2;
                    continue;
                }
                // Not an escape: the "=" is kept and the walk goes on with the
                // next character, so one bad escape costs nothing else.
            }
            *put++ = c;
        }
        return static_cast<std::size_t>(put - data);
    });
}

}  // namespace pelmora
