// SPDX-License-Identifier: MIT
#include "decode/unicode_text.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "decode/ascii.h"
#include "decode/cp932.h"
#include "decode/japanese.h"
#include "decode/transfer.h"
#include "decode/utf8.h"

namespace pelmora {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

enum class Family { UsAscii, Utf8, Iso2022Jp, Iso2022JpExtended, ShiftJis, EucJp, Other };

bool startsWithAny(std::string_view name, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view prefix : prefixes)
        if (name.starts_with(prefix)) return true;
    return false;
}

bool isAny(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view candidate : names)
        if (name == candidate) return true;
    return false;
}

// name is lower case. The Japanese names are the ones mail programs write;
// the JIS X 0213 variants are left to iconv, which knows their extra rows.
Family familyOf(std::string_view name) {
    if (isAny(name, {"", "us-ascii", "ascii", "us_ascii", "ansi_x3.4-1968", "iso646-us"}))
        return Family::UsAscii;
    if (isAny(name, {"utf-8", "utf8", "x-utf-8"})) return Family::Utf8;
    if (isAny(name, {"iso-2022-jp", "iso2022jp", "iso2022_jp", "csiso2022jp", "iso-2022-jp-ms"}))
        return Family::Iso2022Jp;
    // The extensions of ISO-2022-JP (other scripts, JIS X 0212 and 0213)
    // are iconv's; what it cannot read the program's converter reads.
    if (startsWithAny(name, {"iso-2022-jp-", "iso2022_jp_"})) return Family::Iso2022JpExtended;
    if (isAny(name, {"shift_jis", "shift-jis", "x-sjis", "sjis", "s-jis", "x-shift_jis", "windows-31j",
                     "cp932", "ms932", "ms_kanji", "csshiftjis", "x-ms-cp932", "cswindows31j"}))
        return Family::ShiftJis;
    if (isAny(name, {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "x-euc", "cseucpkdfmtjapanese", "ujis"}))
        return Family::EucJp;
    return Family::Other;
}

// Names mail carries that the C library spells otherwise.
std::optional<std::string_view> iconvAlias(std::string_view name) {
    struct Alias {
        std::string_view mail, library;
    };
    static constexpr std::array<Alias, 9> kAliases = {{
        {"ks_c_5601-1987", "CP949"},
        {"ks_c_5601", "CP949"},
        {"ksc5601", "CP949"},
        {"unicode-1-1-utf-7", "UTF-7"},
        // Mail labelled GB2312 is mostly GBK, which reads GB2312 text alike.
        {"gb2312", "GBK"},
        {"iso-8859-8-i", "ISO-8859-8"},
        {"iso-8859-6-i", "ISO-8859-6"},
        {"euc_jis_2004", "EUC-JISX0213"},
        {"shift_jis_2004", "SHIFT_JISX0213"},
    }};
    for (const Alias& alias : kAliases)
        if (alias.mail == name) return alias.library;
    return std::nullopt;
}

void appendLatin1(std::string& out, std::string_view bytes) {
    for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
}

// bytes through iconv from the charset the library knows as name; false
// when it knows no such charset. Bytes it cannot convert become U+FFFD one
// by one.
bool iconvToUtf8(std::string_view bytes, const std::string& name, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    const std::size_t base = out.size();
    std::size_t used = base;
    out.resize(base + bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    auto room = [&](std::size_t need) {
        if (out.size() - used < need) out.resize(out.size() * 2 + need);
    };
    for (;;) {
        char* put = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t done = iconv(cd, inLeft > 0 ? &in : nullptr, &inLeft, &put, &outLeft);
        used = static_cast<std::size_t>(put - out.data());
        if (done != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) {
            room(out.size() - base + 16);
        } else if (errno == EILSEQ && inLeft > 0) {
            room(kReplacement.size());
            out.replace(used, kReplacement.size(), kReplacement);
            used += kReplacement.size();
            ++in;
            --inLeft;
        } else {
            // An incomplete sequence at the end.
            room(kReplacement.size());
            out.replace(used, kReplacement.size(), kReplacement);
            used += kReplacement.size();
            break;
        }
    }
    out.resize(used);
    iconv_close(cd);
    return true;
}

bool otherToUtf8(std::string_view bytes, std::string_view lowerName, std::string& out) {
    if (const auto alias = iconvAlias(lowerName)) return iconvToUtf8(bytes, std::string(*alias), out);
    std::string name(lowerName);
    if (iconvToUtf8(bytes, name, out)) return true;
    for (char& c : name)
        if (c == '_') c = '-';
    if (iconvToUtf8(bytes, name, out)) return true;
    if (name.starts_with("x-") && iconvToUtf8(bytes, name.substr(2), out)) return true;
    std::erase(name, '-');
    return iconvToUtf8(bytes, name, out);
}

// Each line on its own, as the body search converts them: a line that
// leaves double-byte mode open does not take the next line with it, and the
// line ends never pass through the converter.
template <typename Convert>
std::string perLine(std::string_view bytes, Convert convert) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) end = bytes.size();
        const std::size_t content = end > start && bytes[end - 1] == '\r' ? end - 1 : end;
        out += convert(bytes.substr(start, content - start));
        out.append(bytes.substr(content, next - content));
        start = next;
    }
    return out;
}

std::string iso2022JpToUtf8(std::string_view bytes) {
    return perLine(bytes, [](std::string_view line) { return Cp932ToUtf8(Iso2022JpToSjis(line)); });
}

bool plainAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\x1B') return false;
    return true;
}

}  // namespace

void AppendWellFormedUtf8(std::string& out, std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
}

bool IsWellFormedUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string UnlabelledToUtf8(std::string_view bytes) {
    if (bytes.find('\x1B') != std::string_view::npos) return iso2022JpToUtf8(bytes);
    if (IsWellFormedUtf8(bytes)) return std::string(bytes);
    return Cp932ToUtf8(bytes);
}

Utf8Text CharsetToUtf8(std::string_view bytes, std::string_view charset) {
    std::string name(charset);
    for (char& c : name) c = ascii::ToLower(c);
    Utf8Text text;
    switch (familyOf(name)) {
        case Family::UsAscii:
            text.utf8 = plainAscii(bytes) ? std::string(bytes) : UnlabelledToUtf8(bytes);
            break;
        case Family::Utf8:
            AppendWellFormedUtf8(text.utf8, bytes);
            break;
        case Family::Iso2022Jp:
            text.utf8 = iso2022JpToUtf8(bytes);
            break;
        case Family::Iso2022JpExtended:
            if (!otherToUtf8(bytes, name, text.utf8) || text.utf8.find(kReplacement) != std::string::npos)
                text.utf8 = iso2022JpToUtf8(bytes);
            break;
        case Family::ShiftJis:
            text.utf8 = Cp932ToUtf8(bytes);
            break;
        case Family::EucJp:
            text.utf8 = perLine(bytes, [](std::string_view line) {
                return Cp932ToUtf8(Iso2022JpToSjis(EucJpToIso2022Jp(line)));
            });
            break;
        case Family::Other:
            if (!otherToUtf8(bytes, name, text.utf8)) {
                text.utf8.clear();
                appendLatin1(text.utf8, bytes);
                text.charsetUnknown = true;
            }
            break;
    }
    return text;
}

namespace {

struct EncodedWord {
    std::size_t begin = 0, end = 0;  // of "=?" and one past "?="
    std::string_view charset;
    std::string bytes;
};

// The well-formed word =?charset?B|Q?text?= at value[at]; RFC 2231's
// "*language" after the charset is dropped.
std::optional<EncodedWord> wordAt(std::string_view value, std::size_t at) {
    const std::size_t second = value.find('?', at + 2);
    if (second == std::string_view::npos || second + 3 >= value.size() || value[second + 2] != '?')
        return std::nullopt;
    const char letter = ascii::ToLower(value[second + 1]);
    if (letter != 'b' && letter != 'q') return std::nullopt;
    const std::size_t close = value.find("?=", second + 3);
    if (close == std::string_view::npos) return std::nullopt;
    EncodedWord word;
    word.begin = at;
    word.end = close + 2;
    word.charset = value.substr(at + 2, second - at - 2);
    word.charset = word.charset.substr(0, word.charset.find('*'));
    const std::string_view text = value.substr(second + 3, close - second - 3);
    word.bytes = letter == 'b' ? Base64Decode(text) : EncodedWordQDecode(text);
    return word;
}

bool onlyBlanks(std::string_view text) {
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

}  // namespace

std::string EncodedWordsToUtf8(std::string_view value) {
    std::string out;
    std::string pending;  // bytes of adjacent words of one charset, which may split a character
    std::string_view pendingCharset;
    auto flush = [&] {
        if (!pending.empty()) out += CharsetToUtf8(pending, pendingCharset).utf8;
        pending.clear();
    };
    std::size_t done = 0;
    bool lastWasWord = false;
    for (std::size_t at = value.find("=?"); at != std::string_view::npos; at = value.find("=?", at + 1)) {
        if (at < done) continue;
        std::optional<EncodedWord> word = wordAt(value, at);
        if (!word) continue;
        const std::string_view between = value.substr(done, at - done);
        if (!(lastWasWord && onlyBlanks(between))) {
            flush();
            out += UnlabelledToUtf8(between);
        }
        if (!ascii::EqualsNoCase(word->charset, pendingCharset)) flush();
        pendingCharset = word->charset;
        pending += word->bytes;
        done = word->end;
        at = done - 1;
        lastWasWord = true;
    }
    flush();
    out += UnlabelledToUtf8(value.substr(done));
    return out;
}

}  // namespace pelmora
