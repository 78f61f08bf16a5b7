// SPDX-License-Identifier: MIT
// Base64 (RFC 2045 6.8), quoted-printable (RFC 2045 6.7) and the B and Q
// encodings of RFC 2047 4.1 and 4.2, each as lenient as mail needs: bodies
// skip or keep what they do not understand, encoded words never fail.
#include "decode/transfer.h"

#include <array>
#include <cstdint>
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

// The values of 0-9, A-F and a-f, -1 for every other byte. RFC 2045 6.7
// asks for upper-case escapes and asks decoders to take lower-case ones
// too; mail programs write both.
constexpr std::array<signed char, 256> kHexValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        values['A' + i] = static_cast<signed char>(10 + i);
        values['a' + i] = static_cast<signed char>(10 + i);
    }
    return values;
}();

// The byte two hexadecimal digits stand for, indexed by the two bytes as
// they lie in memory (the first in the low byte), -1 where either is no
// digit: an escape costs one look-up. Made on first use: it is too large a
// table for every compiler to make while compiling.
const std::array<std::int16_t, 0x10000>& hexPairValues() {
    static const std::array<std::int16_t, 0x10000> values = [] {
        std::array<std::int16_t, 0x10000> table{};
        for (unsigned first = 0; first < 256; ++first)
            for (unsigned second = 0; second < 256; ++second) {
                const int high = kHexValues[first], low = kHexValues[second];
                table[first | second << 8] =
                    static_cast<std::int16_t>((high | low) < 0 ? -1 : high * 16 + low);
            }
        return table;
    }();
    return values;
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
    Base64Stream stream;
    stream.append(out, text);
    stream.finish(out);
}

// Whole groups of four alphabet bytes, the most of every line, are taken at
// once while no group is open; the first group with another byte, and the
// rest of it, one byte at a time.
void Base64Stream::append(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    // The open values and the text give at most three bytes for every four.
    out.resize_and_overwrite(
        base + (text.size() + 3) / 4 * 3 + 2, [this, text, base](char* data, std::size_t) {
            char* put = data + base;
            const auto* in = reinterpret_cast<const unsigned char*>(text.data());
            const std::size_t n = text.size();
            std::size_t i = 0;
            while (i < n) {
                // Whole groups between line ends, taken four bytes at a time
                // (the member is read once: the bytes put might be it).
                if (m_count == 0) {
                    for (; i + 4 <= n; i += 4) {
                        const int a = kBase64Values[in[i]], b = kBase64Values[in[i + 1]];
                        const int c = kBase64Values[in[i + 2]], d = kBase64Values[in[i + 3]];
                        if ((a | b | c | d) < 0) break;
                        put = putGroup(put, static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d));
                    }
                }
                if (i == n) break;
                const unsigned char byte = in[i++];
                const int value = kBase64Values[byte];
                if (value >= 0) {
                    m_group = (m_group << 6) | static_cast<std::uint32_t>(value);
                    if (++m_count == 4) {
                        put = putGroup(put, m_group);
                        m_group = 0;
                        m_count = 0;
                    }
                } else if (byte == '=') {
                    // RFC 2045 6.8: the pad ends the data of its group. Text
                    // after it starts a new group, as in a body whose lines were
                    // encoded one by one, each with its own padding.
                    put = putOpenGroup(put);
                }
                // Blanks, line ends and other foreign bytes are skipped.
            }
            return static_cast<std::size_t>(put - data);
        });
}

void Base64Stream::finish(std::string& out) {
    char rest[2];
    out.append(rest, static_cast<std::size_t>(putOpenGroup(rest) - rest));
}

char* Base64Stream::putGroup(char* put, std::uint32_t group) {
    *put++ = static_cast<char>(group >> 16 & 0xFF);
    *put++ = static_cast<char>(group >> 8 & 0xFF);
    *put++ = static_cast<char>(group & 0xFF);
    return put;
}

// Two values give one byte, three give two, one gives none.
char* Base64Stream::putOpenGroup(char* put) {
    if (m_count == 2) *put++ = static_cast<char>(m_group >> 4 & 0xFF);
    if (m_count == 3) {
        *put++ = static_cast<char>(m_group >> 10 & 0xFF);
        *put++ = static_cast<char>(m_group >> 2 & 0xFF);
    }
    m_group = 0;
    m_count = 0;
    return put;
}

void AppendQuotedPrintableDecoded(std::string& out, std::string_view text) {
    const std::size_t base = out.size();
    const auto& pairValues = hexPairValues();
    out.resize_and_overwrite(base + text.size(), [text, base, &pairValues](char* data, std::size_t) {
        char* put = data + base;
        const auto* in = reinterpret_cast<const unsigned char*>(text.data());
        const auto* const end = in + text.size();
        while (in < end) {
            if (*in != '=') {
                const auto* equals = static_cast<const unsigned char*>(std::memchr(in, '=', end - in));
                if (equals == nullptr) equals = end;
                std::memcpy(put, in, equals - in);
                put += equals - in;
                in = equals;
                continue;
            }
            // Japanese text is escapes one after another: they are taken
            // here without a search between them.
            for (int value; end - in >= 3 && in[0] == '=' && (value = pairValues[in[1] | in[2] << 8]) >= 0;
                 in += 3)
                *put++ = static_cast<char>(value);
            // An "=" the loop stopped at is no escape: it is kept and the
            // bytes after it are read as usual.
            if (in < end && *in == '=') {
                *put++ = '=';
                ++in;
            }
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
                const int high = kHexValues[static_cast<unsigned char>(encoded[i + 1])];
                const int low = kHexValues[static_cast<unsigned char>(encoded[i + 2])];
                if ((high | low) >= 0) {
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
