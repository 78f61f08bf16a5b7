// SPDX-License-Identifier: MIT
// RFC 2047 encoded words in header values, the general way.
//
// Words are first found by three charset prefixes in a fixed priority
// ("=?ISO", then "=?WINDOWS", then "=?UTF-8"), the way headers have always
// been shown here; a last left-to-right pass then decodes the well-formed
// words of every other charset.
#include "decode/header_detail.h"

#include <string.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "decode/japanese.h"
#include "decode/transfer.h"

namespace pelmora {

namespace {

constexpr auto npos = std::string_view::npos;

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Where one prefix ("=?ISO", ...) starts in the value, ignoring the case of
// its ASCII letters, kept up to date as words are replaced. Finding the
// first start then costs a binary search instead of a walk over the value,
// which keeps a To: line of a few thousand encoded names fast.
class PrefixStarts {
public:
    explicit PrefixStarts(std::string_view prefix) : m_prefix(prefix) {}

    // The starts of the three prefixes, found in one walk over the value.
    static void scanAll(std::string_view s, std::initializer_list<PrefixStarts*> all) {
        for (std::size_t i = s.find("=?"); i != npos; i = s.find("=?", i + 1))
            for (PrefixStarts* starts : all)
                if (starts->startsAt(s, i)) starts->m_starts.push_back(i);
    }

    std::size_t firstFrom(std::size_t from) const {
        const auto it = std::lower_bound(m_starts.begin(), m_starts.end(), from);
        return it == m_starts.end() ? npos : *it;
    }

    // s[begin, end) of the old value has been replaced by `inserted` bytes;
    // `s` is the new value. Starts whose bytes touch the replaced stretch
    // are found anew; the ones after it move by the change in length.
    void replaced(std::string_view s, std::size_t begin, std::size_t end, std::size_t inserted) {
        const std::size_t touched = begin >= m_prefix.size() - 1 ? begin - (m_prefix.size() - 1) : 0;
        auto first = std::lower_bound(m_starts.begin(), m_starts.end(), touched);
        auto last = std::lower_bound(first, m_starts.end(), end);
        auto rest = m_starts.erase(first, last);
        for (auto it = rest; it != m_starts.end(); ++it) *it = *it - (end - begin) + inserted;
        const std::vector<std::size_t> fresh = scan(s, touched, begin + inserted);
        m_starts.insert(rest, fresh.begin(), fresh.end());
    }

private:
    // True when the prefix begins at s[i], which is "=?".
    bool startsAt(std::string_view s, std::size_t i) const {
        if (i + m_prefix.size() > s.size()) return false;
        for (std::size_t k = 2; k < m_prefix.size(); ++k)
            if (upperAscii(s[i + k]) != m_prefix[k]) return false;
        return true;
    }

    std::vector<std::size_t> scan(std::string_view s, std::size_t from, std::size_t to) const {
        std::vector<std::size_t> starts;
        // Only the "=" must lie before `to`; the rest of a start may run past it.
        for (std::size_t i = s.find("=?", from); i != npos && i < to; i = s.find("=?", i + 1))
            if (startsAt(s, i)) starts.push_back(i);
        return starts;
    }

    std::string_view m_prefix;
    std::vector<std::size_t> m_starts;
};

// b is ASCII, so the cp932 case folding of CompareTextNoCase comes down
// to folding a-z: a double-byte character never equals an ASCII byte.
bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

struct Word {
    std::size_t start;  // the "=" of "=?"
    std::size_t end;    // one past the closing "?="
    std::string_view charset;
    char letter;
    std::string_view text;  // between the third "?" and the closing "?="
};

std::string decodeWordText(const Word& word) {
    return (word.letter == 'Q' || word.letter == 'q') ? EncodedWordQDecode(word.text)
                                                      : EncodedWordBDecode(word.text);
}

// The highest start position from which a "?", a later "?" and a later
// "?=" can still be found the way a prefixed word looks for them; a start
// above it can never become a word while the value stays as it is.
std::size_t lastPossibleStart(std::string_view s) {
    // The last "?=", found by its "=" from the end (memrchr is vectorised).
    std::size_t close = npos;
    for (std::size_t end = s.size(); end > 1;) {
        const void* equals = memrchr(s.data() + 1, '=', end - 1);
        if (equals == nullptr) break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(equals) - s.data());
        if (s[at - 1] == '?') {
            close = at - 1;
            break;
        }
        end = at;
    }
    if (close == npos || close == 0) return npos;
    const std::size_t third = s.rfind('?', close - 1);
    if (third == npos || third == 0) return npos;
    const std::size_t second = s.rfind('?', third - 1);
    if (second == npos || second < 5) return npos;
    return second - 5;
}

// A prefixed word starting at `start`: its delimiters are searched in the
// whole rest of the value, so a word without its own "?=" runs on to the
// next one.
std::optional<Word> prefixedWordAt(std::string_view s, std::size_t start) {
    const std::size_t second = s.find('?', start + 5);
    if (second == npos) return std::nullopt;
    const std::size_t third = s.find('?', second + 1);
    if (third == npos) return std::nullopt;
    const std::size_t close = s.find("?=", third + 1);
    if (close == npos) return std::nullopt;
    return Word{start, close + 2, s.substr(start + 2, second - start - 2), s[second + 1],
                s.substr(third + 1, close - third - 1)};
}

std::string convertPrefixedWord(const Word& word) {
    std::string bytes = decodeWordText(word);
    if (equalsNoCase(word.charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (equalsNoCase(word.charset, "UTF-8")) return Utf8ToAnsi(bytes);
    return bytes;
}

// Decodes the words of the three prefixes in their fixed order: "=?ISO"
// words left to right (looking again at what a decoded word put in, from
// its second byte on), then each time the first "=?WINDOWS" word, else the
// first "=?UTF-8" word, of the whole value. Only starts up to `limit` can
// still form a word; searching for the other two prefixes from the
// beginning would otherwise find a malformed word again and again.
class PrefixedWordDecoder {
public:
    explicit PrefixedWordDecoder(std::string& s)
        : m_s(s), m_iso("=?ISO"), m_windows("=?WINDOWS"), m_utf8("=?UTF-8") {
        PrefixStarts::scanAll(s, {&m_iso, &m_windows, &m_utf8});
    }

    void run() {
        std::size_t limit = lastPossibleStart(m_s);
        std::size_t start = nextStart(0, limit);
        while (start != npos) {
            // Every start up to `limit` has its three delimiters.
            if (const std::optional<Word> word = prefixedWordAt(m_s, start)) {
                const std::string converted = convertPrefixedWord(*word);
                replace(*word, converted);
                limit = limitAfter(limit, *word, converted.size());
            }
            start = nextStart(start + 1, limit);
        }
    }

private:
    // The limit once `word` has become `inserted` bytes. When the word lies
    // before the second "?" of the last word, that word and everything
    // after it only moved; otherwise the value is searched again.
    std::size_t limitAfter(std::size_t limit, const Word& word, std::size_t inserted) const {
        const std::size_t second = limit + 5;
        if (second < word.end) return lastPossibleStart(m_s);
        const std::size_t moved = second - (word.end - word.start) + inserted;
        return moved < 5 ? npos : moved - 5;
    }

    std::size_t nextStart(std::size_t isoFrom, std::size_t limit) const {
        if (limit == npos) return npos;
        for (const auto& [starts, from] : {std::pair{&m_iso, isoFrom}, std::pair{&m_windows, std::size_t{0}},
                                           std::pair{&m_utf8, std::size_t{0}}}) {
            const std::size_t found = starts->firstFrom(from);
            if (found != npos && found <= limit) return found;
        }
        return npos;
    }

    void replace(const Word& word, const std::string& converted) {
        m_s.replace(word.start, word.end - word.start, converted);
        for (PrefixStarts* starts : {&m_iso, &m_windows, &m_utf8}) {
            starts->replaced(m_s, word.start, word.end, converted.size());
        }
    }

    std::string& m_s;
    PrefixStarts m_iso;
    PrefixStarts m_windows;
    PrefixStarts m_utf8;
};

// A word as RFC 2047 shapes it: a charset without blanks, "?", one of
// B b Q q, "?", the text, and the first "?=" after it.
std::optional<Word> wellFormedWordAt(std::string_view s, std::size_t start, std::size_t lastClose) {
    const std::size_t second = s.find('?', start + 2);
    if (second == npos || second == start + 2 || second + 2 >= s.size()) return std::nullopt;
    const std::string_view charset = s.substr(start + 2, second - start - 2);
    if (charset.find_first_of(" \t") != npos) return std::nullopt;
    const char letter = s[second + 1];
    if (std::string_view("BbQq").find(letter) == npos || s[second + 2] != '?') return std::nullopt;
    const std::size_t third = second + 2;
    if (lastClose == npos || lastClose <= third) return std::nullopt;
    const std::size_t close = s.find("?=", third + 1);
    return Word{start, close + 2, charset, letter, s.substr(third + 1, close - third - 1)};
}

std::string convertAnyWord(const Word& word) {
    std::string bytes = decodeWordText(word);
    if (equalsNoCase(word.charset, "UTF-8")) return Utf8ToAnsi(bytes);
    if (equalsNoCase(word.charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (equalsNoCase(word.charset, "EUC-JP") || equalsNoCase(word.charset, "X-EUC-JP") ||
        equalsNoCase(word.charset, "EUCJP")) {
        return Iso2022JpToSjis(EucJpToIso2022Jp(bytes));
    }
    return bytes;
}

// The words the prefixes do not reach, left to right; decoded text is
// never looked at again.
std::string decodeRemainingWords(std::string_view s) {
    const std::size_t lastClose = s.rfind("?=");
    std::string out;
    out.reserve(s.size());
    std::size_t done = 0;
    std::size_t start = s.find("=?");
    while (start != npos) {
        const std::optional<Word> word = wellFormedWordAt(s, start, lastClose);
        if (!word) {
            start = s.find("=?", start + 1);
            continue;
        }
        out.append(s.substr(done, start - done));
        out += convertAnyWord(*word);
        done = word->end;
        start = s.find("=?", done);
    }
    out.append(s.substr(done));
    return out;
}

}  // namespace

namespace detail {

std::string DecodeEncodedWordsGeneral(std::string_view value) {
    std::string s(value);
    if (s.find("=?") == npos) return s;
    PrefixedWordDecoder(s).run();
    if (s.find("=?") == npos) {
        // Decoded words are shorter than their encoding: the text is kept
        // (a folder load stores it in every entry), the room is not.
        if (s.size() < value.size()) s.shrink_to_fit();
        return s;
    }
    return decodeRemainingWords(s);
}

}  // namespace detail

}  // namespace pelmora
