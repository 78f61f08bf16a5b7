// SPDX-License-Identifier: MIT
// The appending and in-place decoders, and the value-returning ones built
// on them, against small reference decoders written here straight from the
// rules, over every short text of a few telling bytes and many longer ones.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "decode/japanese.h"
#include "decode/transfer.h"
#include "hex.h"

namespace pelmora {
namespace {

using test::Hex;
using namespace std::string_view_literals;

std::uint8_t at(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

void pushCode(std::string& out, std::uint16_t code) {
    if (code >= 0x100) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

std::string refIso2022Jp(std::string_view s) {
    std::string out;
    bool doubleByte = false;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '\x1B') {
            if (i + 1 < s.size() && s[i + 1] == '$') doubleByte = true;
            if (i + 1 < s.size() && s[i + 1] == '(') doubleByte = false;
            i += 3;
        } else if (doubleByte) {
            const auto pair = JisToSjisPair(at(s, i), i + 1 < s.size() ? at(s, i + 1) : 0);
            out.push_back(static_cast<char>(pair.first));
            out.push_back(static_cast<char>(pair.second));
            i += 2;
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

// The lead byte alone gives the length; a sequence longer than the rest of
// the text is the rest, kept as it is.
std::string refUtf8ToSjis(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::uint8_t lead = at(s, i);
        // The leading one bits count the bytes; a stray continuation byte
        // or 0xFE/0xFF takes the longest form, six.
        const int ones = std::countl_one(lead);
        const std::size_t length = ones == 0 ? 1 : ones >= 2 && ones <= 5 ? ones : 6;
        const int payloadBits = length == 1 ? 7 : 7 - static_cast<int>(length);
        if (length > s.size() - i) {
            out.append(s.substr(i));
            break;
        }
        char32_t value = lead & ((1u << payloadBits) - 1);
        for (std::size_t k = 1; k < length; ++k) value = value << 6 | (at(s, i + k) & 0x3F);
        const std::uint16_t code = length == 1 ? lead : UnicodeToSjis(value);
        if (code == 0 && length > 1) {
            out.append(s.substr(i, length));
        } else {
            pushCode(out, code);
        }
        i += length;
    }
    return out;
}

// Well-formed sequences only (no overlong forms, surrogates or values past
// U+10FFFF); a byte that starts none is one "?", and so is a character
// without a code.
std::string refUtf8ToAnsi(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::uint8_t lead = at(s, i);
        if (lead < 0x80) {
            out.push_back(s[i++]);
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t value = lead & (0xFF >> (length + 1));
        bool good = lead >= 0xC2 && lead <= 0xF4 && length <= s.size() - i;
        for (std::size_t k = 1; good && k < length; ++k) {
            good = (at(s, i + k) & 0xC0) == 0x80;
            value = value << 6 | (at(s, i + k) & 0x3F);
        }
        const char32_t lowest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        good = good && value >= lowest && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
        if (!good) {
            out.push_back('?');
            ++i;
            continue;
        }
        const std::uint16_t code = UnicodeToSjis(value);
        if (code == 0) {
            out.push_back('?');
        } else {
            pushCode(out, code);
        }
        i += length;
    }
    return out;
}

int base64Value(char c) {
    const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t at = alphabet.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void pushGroup(std::string& out, const int (&g)[4], int count) {
    const int bytes[3] = {(g[0] * 4 + g[1] / 16) % 256, (g[1] % 16) * 16 + g[2] / 4, (g[2] % 4) * 64 + g[3]};
    for (int k = 0; k + 1 < count; ++k) out.push_back(static_cast<char>(bytes[k]));
}

std::string refBase64(std::string_view s) {
    std::string out;
    int group[4] = {};
    int count = 0;
    for (const char c : s) {
        if (c == '=') {
            for (int k = count; k < 4; ++k) group[k] = 0;
            pushGroup(out, group, count);
            count = 0;
        }
        if (base64Value(c) < 0) continue;
        group[count++] = base64Value(c);
        if (count == 4) {
            pushGroup(out, group, 4);
            count = 0;
        }
    }
    for (int k = count; k < 4; ++k) group[k] = 0;
    pushGroup(out, group, count);
    return out;
}

int hexDigit(char c) {
    const std::string_view digits = "0123456789ABCDEFabcdef";
    const std::size_t at = digits.find(c);
    if (at == std::string_view::npos || c == '\0') return -1;
    return static_cast<int>(at < 16 ? at : at - 6);
}

// Quoted-printable, or the Q encoding ("_" is a blank); both take
// lower-case digits.
std::string refEscapes(std::string_view s, bool qWord) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (qWord && s[i] == '_') {
            out.push_back(' ');
        } else if (s[i] == '=' && s.size() - i >= 3 && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2])));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string refBWord(std::string_view s) {
    const std::string w = std::string(s) + "?=";
    std::string out;
    for (std::size_t i = 0; i + 4 <= w.size(); i += 4) {
        int group[4];
        for (int k = 0; k < 4; ++k) group[k] = std::max(base64Value(w[i + k]), 0);
        pushGroup(out, group, 4);
    }
    std::erase(out, '\0');
    return out;
}

struct Decoder {
    const char* name;
    std::string_view alphabet;  // the bytes that matter to it
    std::size_t exhaustiveLength;
    std::function<std::string(std::string_view)> reference;
    std::function<void(std::string&, std::string_view)> append;
    std::function<std::string(std::string_view)> value;
};

const Decoder kDecoders[] = {
    {"Iso2022Jp",
     "\x1B$(B@\x21\x7E"
     "a\x80\xFF"sv,
     6, refIso2022Jp, AppendIso2022JpAsSjis, Iso2022JpToSjis},
    {"Utf8ToSjis", "A\xC3\xA9\xE3\x81\x82\xEF\xBD\xB1\xF0\x9F\xF8\xFC\xFE\x80\xC1\xC2\x00"sv, 4,
     refUtf8ToSjis, AppendUtf8AsSjis, Utf8ToSjis},
    {"Utf8ToAnsi", "A\xC2\xA7\xE0\xED\xA0\xE3\x81\x82\xEF\xBF\xF0\x9F\x90\xF4\x8F\xF5\xC0"sv, 4,
     refUtf8ToAnsi, AppendUtf8AsAnsi, Utf8ToAnsi},
    {"Base64", "QUJD=a+/ \x80", 6, refBase64, AppendBase64Decoded, Base64Decode},
    {"QuotedPrintable", "=3Dafx_ ", 6, [](std::string_view s) { return refEscapes(s, false); },
     AppendQuotedPrintableDecoded, QuotedPrintableDecode},
    {"EncodedWordB", "QUJD=A?+/", 6, refBWord, AppendEncodedWordBDecoded, EncodedWordBDecode},
    {"EncodedWordQ", "=3Dafx_G", 6, [](std::string_view s) { return refEscapes(s, true); },
     AppendEncodedWordQDecoded, EncodedWordQDecode},
};

// Every text over the alphabet up to the exhaustive length, then random
// longer ones.
template <typename Check>
void forTextsOver(std::string_view alphabet, std::size_t maxLength, Check check) {
    std::string text;
    auto extend = [&](auto& self, std::size_t length) -> void {
        check(text);
        if (length == maxLength) return;
        for (const char c : alphabet) {
            text.push_back(c);
            self(self, length + 1);
            text.pop_back();
        }
    };
    extend(extend, 0);
    std::mt19937 random(11);
    for (int n = 0; n < 5000; ++n) {
        std::string longer(8 + random() % 90, ' ');
        for (char& c : longer) c = alphabet[random() % alphabet.size()];
        check(longer);
    }
}

void PrintTo(const Decoder& decoder, std::ostream* os) {
    *os << decoder.name;
}

class AppendingDecoderTest : public testing::TestWithParam<Decoder> {};

TEST_P(AppendingDecoderTest, SameBytesAsTheReferenceAfterWhatOutHeld) {
    const Decoder& decoder = GetParam();
    forTextsOver(decoder.alphabet, decoder.exhaustiveLength, [&](const std::string& text) {
        const std::string expected = decoder.reference(text);
        std::string out = "kept";
        decoder.append(out, text);
        ASSERT_EQ(out, "kept" + expected) << Hex(text) << " gave " << Hex(out) << ", not " << Hex(expected);
        const std::string value = decoder.value(text);
        ASSERT_EQ(value, expected) << Hex(text) << " gave " << Hex(value) << ", not " << Hex(expected);
    });
}

std::string decoderName(const testing::TestParamInfo<Decoder>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(All, AppendingDecoderTest, testing::ValuesIn(kDecoders), decoderName);

TEST(Iso2022JpToSjisInPlaceTest, SameBytesAsTheReference) {
    forTextsOver(
        "\x1B$(B@\x21\x7E"
        "a\x80",
        6, [](const std::string& text) {
            std::string converted = text;
            Iso2022JpToSjisInPlace(converted);
            ASSERT_EQ(converted, refIso2022Jp(text)) << Hex(text) << " gave " << Hex(converted);
        });
}

// A body's lines are one base64 text, wherever they are cut.
TEST(Base64StreamTest, AnyCutGivesTheBytesOfTheWholeText) {
    forTextsOver("QUJD=a+/ \x80", 4, [](const std::string& text) {
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            Base64Stream stream;
            std::string out = "kept";
            stream.append(out, std::string_view(text).substr(0, cut));
            stream.append(out, std::string_view(text).substr(cut));
            stream.finish(out);
            ASSERT_EQ(out, "kept" + refBase64(text)) << Hex(text) << " cut at " << cut;
        }
    });
}

// Appending must leave room for the longest result: a lone last byte of a
// double-byte run becomes two, full base64 groups give three of four.
TEST(AppendingDecoderTest, LongestResultsFit) {
    std::string out;
    AppendIso2022JpAsSjis(out, "\x1B$B$");
    EXPECT_EQ(Hex(out), Hex("\x82\x7E"));
    out = "x";
    AppendBase64Decoded(out, "////QQ");
    EXPECT_EQ(Hex(out), Hex("x\xFF\xFF\xFF"
                            "A"));
    out = "x";
    AppendEncodedWordBDecoded(out, "//////");
    EXPECT_EQ(Hex(out), Hex("x\xFF\xFF\xFF\xFF\xF0"));
}

}  // namespace
}  // namespace pelmora
