// SPDX-License-Identifier: MIT
// Base64 (RFC 2045 6.8), quoted-printable (RFC 2045 6.7) and the B and Q
// encodings of RFC 2047 4.1 and 4.2, each as lenient as mail needs: bodies
// skip or keep what they do not understand, encoded words never fail.
#include "decode/transfer.h"

#include <array>

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

// Appends the bytes of a group of `count` 6-bit values: three for a full
// group, two for three values, one for two values, none otherwise.
void appendGroup(std::string& out, const int (&group)[4], int count) {
    const auto first = static_cast<char>((group[0] * 4 + group[1] / 16) & 0xFF);
    const auto second = static_cast<char>(((group[1] % 16) * 16 + group[2] / 4) & 0xFF);
    const auto third = static_cast<char>(((group[2] % 4) * 64 + group[3]) & 0xFF);
    if (count >= 2) out += first;
    if (count >= 3) out += second;
    if (count >= 4) out += third;
}

int hexValue(unsigned char c, bool lowerCaseAllowed) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (lowerCaseAllowed && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int Base64CharValue(std::uint8_t byte) {
    const int value = kBase64Values[byte];
    return value < 0 ? 0 : value;
}

std::string Base64Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    int group[4] = {0, 0, 0, 0};
    int count = 0;
    for (const char c : text) {
        // Padding, blanks and line ends are skipped like any other foreign byte.
        const int value = kBase64Values[static_cast<unsigned char>(c)];
        if (value < 0) continue;
        group[count++] = value;
        if (count == 4) {
            appendGroup(out, group, 4);
            count = 0;
        }
    }
    for (int i = count; i < 4; ++i) group[i] = 0;
    appendGroup(out, group, count);
    return out;
}

std::string QuotedPrintableDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' && i + 2 < text.size()) {
            const int high = hexValue(static_cast<unsigned char>(text[i + 1]), false);
            const int low = hexValue(static_cast<unsigned char>(text[i + 2]), false);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string EncodedWordBDecode(std::string_view encoded) {
    // The closing "?=" of the word takes part in the last group, as it does
    // in the header text; the zero bytes it and the padding produce are
    // removed at the end together with any zero byte the text encoded.
    // Written in place: every encoded name of a folder load comes here.
    const std::size_t length = encoded.size() + 2;
    auto at = [&encoded](std::size_t i) {
        const char c = i < encoded.size() ? encoded[i] : i == encoded.size() ? '?' : '=';
        return static_cast<std::uint32_t>(Base64CharValue(static_cast<std::uint8_t>(c)));
    };
    std::string out(length / 4 * 3, '\0');
    char* put = out.data();
    for (std::size_t i = 0; i + 4 <= length; i += 4) {
        const std::uint32_t v = at(i) << 18 | at(i + 1) << 12 | at(i + 2) << 6 | at(i + 3);
        *put++ = static_cast<char>(v >> 16 & 0xFF);
        *put++ = static_cast<char>(v >> 8 & 0xFF);
        *put++ = static_cast<char>(v & 0xFF);
    }
    std::erase(out, '\0');
    return out;
}

std::string EncodedWordQDecode(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '_') {
            out += ' ';
            continue;
        }
        if (c == '=' && i + 2 < encoded.size()) {
            const int high = hexValue(static_cast<unsigned char>(encoded[i + 1]), true);
            const int low = hexValue(static_cast<unsigned char>(encoded[i + 2]), true);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
            // Not an escape: the "=" is kept and the walk goes on with the
            // next character, so one bad escape costs nothing else.
        }
        out += c;
    }
    return out;
}

}  // namespace pelmora
