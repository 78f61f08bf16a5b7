// SPDX-License-Identifier: MIT
// Header values into display text: RFC 2047 encoded words, then raw
// ISO-2022-JP. The usual value, plain ISO-2022-JP and UTF-8 words between
// literal text, is decoded in one walk; every other one by the general
// passes (header_general.cpp).
#include "decode/header.h"

#include <string.h>

#include <bit>
#include <cstdint>

#include "decode/ascii.h"
#include "decode/header_detail.h"
#include "decode/header_general.h"
#include "decode/japanese.h"
#include "decode/transfer.h"

namespace pelmora {

namespace {

constexpr auto npos = std::string_view::npos;

bool hasIso2022Escape(std::string_view s) {
    return s.find("\x1B$") != npos || s.find("\x1B(") != npos;
}

bool hasEscapeByte(std::string_view s) {
    return memchr(s.data(), '\x1B', s.size()) != nullptr;
}

// Raw ISO-2022-JP in the value and escapes that decoded words brought in.
// Each pass removes every escape it reads, so the loop ends.
void convertIso2022JpEscapes(std::string& s) {
    if (!hasEscapeByte(s)) return;
    while (hasIso2022Escape(s)) Iso2022JpToSjisInPlace(s);
}

// The first c in s at or after from, eight bytes at a time. The stretches
// searched between and inside words are a few dozen bytes, too short for
// memchr to pay.
std::size_t findNear(std::string_view s, char c, std::size_t from) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::size_t i = from;
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t pattern = kOnes * static_cast<std::uint8_t>(c);
        for (; i + 8 <= s.size(); i += 8) {
            std::uint64_t word;
            memcpy(&word, s.data() + i, sizeof word);
            word ^= pattern;
            // The lowest flagged byte is the first that equals c; a borrow
            // can only flag bytes above it.
            const std::uint64_t flagged = (word - kOnes) & ~word & kHighBits;
            if (flagged != 0) return i + static_cast<std::size_t>(std::countr_zero(flagged) / 8);
        }
    }
    for (; i < s.size(); ++i)
        if (s[i] == c) return i;
    return npos;
}

// The first "=?" in s at or after from, the same way.
std::size_t findWordStartNear(std::string_view s, std::size_t from) {
    for (std::size_t i = findNear(s, '=', from); i != npos; i = findNear(s, '=', i + 1))
        if (i + 1 < s.size() && s[i + 1] == '?') return i;
    return npos;
}

enum class SimpleCharset { None, Iso2022Jp, Utf8 };

// True when charset is name (given in capitals), ignoring the case of a-z.
bool isCharset(std::string_view charset, std::string_view name) {
    return ascii::EqualsNoCase(charset, name);
}

SimpleCharset simpleCharset(std::string_view charset) {
    if (isCharset(charset, "ISO-2022-JP")) return SimpleCharset::Iso2022Jp;
    if (isCharset(charset, "UTF-8")) return SimpleCharset::Utf8;
    return SimpleCharset::None;
}

// The transfer-decoded bytes of one word, reused from word to word.
std::string& wordBytes() {
    thread_local std::string bytes;
    return bytes;
}

// The decoded value, reused from value to value; the result is copied out
// of it at its exact size.
std::string& valueBuffer() {
    thread_local std::string buffer;
    return buffer;
}

}  // namespace

namespace detail {

// Why the result equals the general passes': the value is literal stretches
// without "=?" and words =?charset?L?text?= whose text holds no "?", so each
// prefixed start the passes find is one of these words, and each word's own
// "?=" is the first after its third "?". A word's replacement cannot make a
// new "=?" (it holds no "=", never starts with "?" right after an "=", and a
// word is never followed by "?"); a "?" in it can only make a "?=" that no
// remaining word reaches before its own. So every word is decoded on its
// own: by the prefixed passes, or, where an empty replacement slides the
// next ISO word onto a start already passed, by the last pass, which
// converts it the same way. What is left is the stretches and words in turn.
bool DecodeSimpleEncodedWords(std::string_view value, std::string& out) {
    std::string& bytes = wordBytes();
    std::size_t done = 0;
    for (std::size_t start = findWordStartNear(value, 0); start != npos;
         start = findWordStartNear(value, done)) {
        const std::size_t second = findNear(value, '?', start + 2);
        if (second == npos || second + 2 >= value.size()) return false;
        const SimpleCharset charset = simpleCharset(value.substr(start + 2, second - start - 2));
        if (charset == SimpleCharset::None) return false;
        const char letter = value[second + 1];
        if (std::string_view("BbQq").find(letter) == npos || value[second + 2] != '?') return false;
        const std::size_t third = second + 2;
        const std::size_t close = findNear(value, '?', third + 1);
        if (close == npos || close + 1 >= value.size() || value[close + 1] != '=') return false;
        const std::size_t end = close + 2;
        if (end < value.size() && value[end] == '?') return false;

        const std::string_view text = value.substr(third + 1, close - third - 1);
        bytes.clear();
        if (letter == 'Q' || letter == 'q') {
            AppendEncodedWordQDecoded(bytes, text);
        } else {
            AppendEncodedWordBDecoded(bytes, text);
        }
        out.append(value.substr(done, start - done));
        const std::size_t mark = out.size();
        if (charset == SimpleCharset::Iso2022Jp) {
            AppendIso2022JpAsSjis(out, bytes);
        } else {
            AppendUtf8AsAnsi(out, bytes);
        }
        const std::string_view converted = std::string_view(out).substr(mark);
        if (findNear(converted, '=', 0) != npos) return false;
        if (converted.starts_with('?') && start > 0 && value[start - 1] == '=') return false;
        done = end;
    }
    out.append(value.substr(done));
    return true;
}

}  // namespace detail

std::string DecodeEncodedWords(std::string_view value) {
    if (value.find("=?") == npos) return std::string(value);
    std::string& buffer = valueBuffer();
    buffer.clear();
    if (detail::DecodeSimpleEncodedWords(value, buffer)) return std::string(buffer);
    return detail::DecodeEncodedWordsGeneral(value);
}

std::string DecodeHeaderText(std::string_view value) {
    if (value.find("=?") == npos) {
        std::string s(value);
        convertIso2022JpEscapes(s);
        return s;
    }
    std::string& buffer = valueBuffer();
    buffer.clear();
    if (detail::DecodeSimpleEncodedWords(value, buffer)) {
        convertIso2022JpEscapes(buffer);
        return std::string(buffer);
    }
    std::string s = detail::DecodeEncodedWordsGeneral(value);
    convertIso2022JpEscapes(s);
    return s;
}

}  // namespace pelmora
