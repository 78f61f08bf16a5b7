// SPDX-License-Identifier: MIT
// RFC 2047 encoded words in header values, the general way.
//
// Words are first found by three charset prefixes in a fixed priority
// ("=?ISO", then "=?WINDOWS", then "=?UTF-8"), the way headers have always
// been shown here; a last left-to-right pass then decodes the well-formed
// words of every other charset.
#include "decode/header_general.h"

#include <string.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "decode/ascii.h"
#include "decode/header_detail.h"
#include "decode/japanese.h"
#include "decode/transfer.h"

namespace pelmora {

namespace {

constexpr auto npos = std::string_view::npos;

// The value while the prefixed words are replaced, with a gap at the
// place of the current word: a replacement costs only the word's bytes, and
// moving on to the next word only the bytes in between. Words are decoded
// from left to right within each prefix's turn, so the gap sweeps the value
// a few times in all, and a value of many words is decoded in linear time.
class GapText {
public:
    explicit GapText(std::string_view value) : m_buffer(value), m_gapStart(0), m_gapEnd(0) {}

    std::size_t size() const { return m_buffer.size() - gap(); }
    std::size_t gapPosition() const { return m_gapStart; }
    char at(std::size_t i) const { return i < m_gapStart ? m_buffer[i] : m_buffer[i + gap()]; }
    // The text from the gap on.
    std::string_view rest() const { return std::string_view(m_buffer).substr(m_gapEnd); }

    void moveGapTo(std::size_t position) {
        if (position < m_gapStart) {
            const std::size_t moved = m_gapStart - position;
            memmove(m_buffer.data() + m_gapEnd - moved, m_buffer.data() + position, moved);
            m_gapStart -= moved;
            m_gapEnd -= moved;
        } else if (position > m_gapStart) {
            const std::size_t moved = position - m_gapStart;
            memmove(m_buffer.data() + m_gapStart, m_buffer.data() + m_gapEnd, moved);
            m_gapStart += moved;
            m_gapEnd += moved;
        }
    }

    // Replaces the `length` bytes after the gap with `bytes`, which then
    // begin the rest: the gap stays where it is.
    void replaceAfterGap(std::size_t length, std::string_view bytes) {
        m_gapEnd += length;
        if (bytes.size() > gap()) {
            // Decoded words are shorter than their encoding; this is for
            // safety, not for speed.
            const std::size_t room = bytes.size() + m_buffer.size() / 2;
            m_buffer.insert(m_gapEnd, room, '\0');
            m_gapEnd += room;
        }
        m_gapEnd -= bytes.size();
        memcpy(m_buffer.data() + m_gapEnd, bytes.data(), bytes.size());
    }

    // The last position p before `end` with at(p) == c, or npos.
    std::size_t findLastBefore(char c, std::size_t end) const {
        if (end > m_gapStart) {
            const std::size_t count = end - m_gapStart;
            if (const void* found = memrchr(m_buffer.data() + m_gapEnd, c, count))
                return m_gapStart + static_cast<std::size_t>(static_cast<const char*>(found) -
                                                             (m_buffer.data() + m_gapEnd));
            end = m_gapStart;
        }
        if (end == 0) return npos;
        const void* found = memrchr(m_buffer.data(), c, end);
        return found == nullptr ? npos
                                : static_cast<std::size_t>(static_cast<const char*>(found) - m_buffer.data());
    }

    std::string take() && {
        m_buffer.erase(m_gapStart, gap());
        return std::move(m_buffer);
    }

private:
    std::size_t gap() const { return m_gapEnd - m_gapStart; }

    std::string m_buffer;
    std::size_t m_gapStart;
    std::size_t m_gapEnd;
};

// Where one prefix ("=?ISO", ...) starts in the value, ignoring the case of
// its ASCII letters, kept up to date as words are replaced. The starts
// before the gap are kept as positions, those after it as distances from
// the end of the value, which a replacement at the gap does not change;
// both lists end nearest the gap. Finding the first start is a binary
// search, a replacement touches only the starts inside the word.
class PrefixStarts {
public:
    explicit PrefixStarts(std::string_view prefix) : m_prefix(prefix) {}

    // The starts of the three prefixes, found in one walk over the value;
    // the gap is at its beginning.
    static void scanAll(std::string_view s, std::initializer_list<PrefixStarts*> all) {
        for (std::size_t i = s.find("=?"); i != npos; i = s.find("=?", i + 1))
            for (PrefixStarts* starts : all)
                if (starts->startsAt(s, i)) starts->m_after.push_back(s.size() - i);
        for (PrefixStarts* starts : all) std::reverse(starts->m_after.begin(), starts->m_after.end());
    }

    std::size_t firstFrom(std::size_t from, std::size_t size) const {
        const auto it = std::lower_bound(m_before.begin(), m_before.end(), from);
        if (it != m_before.end()) return *it;
        // Distances ascend: the wanted start is the largest distance up to size - from.
        if (from > size) return npos;
        const auto after = std::upper_bound(m_after.begin(), m_after.end(), size - from);
        return after == m_after.begin() ? npos : size - *std::prev(after);
    }

    // The gap of a value of `size` bytes moved to `gap`.
    void gapMoved(std::size_t gap, std::size_t size) {
        while (!m_before.empty() && m_before.back() >= gap) {
            m_after.push_back(size - m_before.back());
            m_before.pop_back();
        }
        while (!m_after.empty() && size - m_after.back() < gap) {
            m_before.push_back(size - m_after.back());
            m_after.pop_back();
        }
    }

    // The `end - begin` bytes after the gap (at begin) of a value of
    // oldSize bytes have been replaced by `inserted` bytes. Starts whose
    // bytes touch the replaced stretch are found anew; the ones after it
    // keep their distance from the end.
    void replaced(const GapText& s, std::size_t begin, std::size_t end, std::size_t inserted,
                  std::size_t oldSize) {
        const std::size_t touched = begin >= m_prefix.size() - 1 ? begin - (m_prefix.size() - 1) : 0;
        while (!m_before.empty() && m_before.back() >= touched) m_before.pop_back();
        while (!m_after.empty() && oldSize - m_after.back() < end) m_after.pop_back();
        const std::size_t firstAfter = m_after.size();
        const std::size_t to = begin + inserted;
        // Only the "=" must lie before `to`; the rest of a start may run past it.
        for (std::size_t i = touched; i < to; ++i) {
            if (!startsAt(s, i)) continue;
            if (i < begin) {
                m_before.push_back(i);
            } else {
                m_after.push_back(s.size() - i);
            }
        }
        std::reverse(m_after.begin() + static_cast<std::ptrdiff_t>(firstAfter), m_after.end());
    }

private:
    // True when the prefix begins at s[i].
    template <class Text>
    bool startsAt(const Text& s, std::size_t i) const {
        if (i + m_prefix.size() > s.size()) return false;
        if (charAt(s, i) != '=' || charAt(s, i + 1) != '?') return false;
        for (std::size_t k = 2; k < m_prefix.size(); ++k)
            if (ascii::ToUpper(charAt(s, i + k)) != m_prefix[k]) return false;
        return true;
    }
    static char charAt(std::string_view s, std::size_t i) { return s[i]; }
    static char charAt(const GapText& s, std::size_t i) { return s.at(i); }

    std::string_view m_prefix;
    std::vector<std::size_t> m_before;  // positions, ascending
    std::vector<std::size_t> m_after;   // distances from the end, ascending
};

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
std::size_t lastPossibleStart(const GapText& s) {
    // The last "?=", found by its "=" from the end.
    std::size_t close = npos;
    for (std::size_t end = s.size(); end > 1;) {
        const std::size_t at = s.findLastBefore('=', end);
        if (at == npos || at == 0) break;
        if (s.at(at - 1) == '?') {
            close = at - 1;
            break;
        }
        end = at;
    }
    if (close == npos || close == 0) return npos;
    const std::size_t third = s.findLastBefore('?', close);
    if (third == npos || third == 0) return npos;
    const std::size_t second = s.findLastBefore('?', third);
    if (second == npos || second < 5) return npos;
    return second - 5;
}

// A prefixed word at the start of `rest`, which runs to the end of the
// value: its delimiters are searched in the whole of it, so a word without
// its own "?=" runs on to the next one. Positions count from `start`.
std::optional<Word> prefixedWordAt(std::string_view rest, std::size_t start) {
    const std::size_t second = rest.find('?', 5);
    if (second == npos) return std::nullopt;
    const std::size_t third = rest.find('?', second + 1);
    if (third == npos) return std::nullopt;
    const std::size_t close = rest.find("?=", third + 1);
    if (close == npos) return std::nullopt;
    return Word{start, start + close + 2, rest.substr(2, second - 2), rest[second + 1],
                rest.substr(third + 1, close - third - 1)};
}

std::string convertPrefixedWord(const Word& word) {
    std::string bytes = decodeWordText(word);
    if (ascii::EqualsNoCase(word.charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (ascii::EqualsNoCase(word.charset, "UTF-8")) return Utf8ToAnsi(bytes);
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
    explicit PrefixedWordDecoder(std::string_view value)
        : m_s(value), m_iso("=?ISO"), m_windows("=?WINDOWS"), m_utf8("=?UTF-8") {
        PrefixStarts::scanAll(value, {&m_iso, &m_windows, &m_utf8});
    }

    std::string run() && {
        std::size_t limit = lastPossibleStart(m_s);
        std::size_t start = nextStart(0, limit);
        while (start != npos) {
            // Every start up to `limit` has its three delimiters.
            moveGapTo(start);
            if (const std::optional<Word> word = prefixedWordAt(m_s.rest(), start)) {
                const std::string converted = convertPrefixedWord(*word);
                replace(*word, converted);
                limit = limitAfter(limit, *word, converted.size());
            }
            start = nextStart(start + 1, limit);
        }
        return std::move(m_s).take();
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
            const std::size_t found = starts->firstFrom(from, m_s.size());
            if (found != npos && found <= limit) return found;
        }
        return npos;
    }

    void moveGapTo(std::size_t position) {
        m_s.moveGapTo(position);
        for (PrefixStarts* starts : {&m_iso, &m_windows, &m_utf8}) starts->gapMoved(position, m_s.size());
    }

    // The word begins at the gap.
    void replace(const Word& word, const std::string& converted) {
        const std::size_t oldSize = m_s.size();
        m_s.replaceAfterGap(word.end - word.start, converted);
        for (PrefixStarts* starts : {&m_iso, &m_windows, &m_utf8}) {
            starts->replaced(m_s, word.start, word.end, converted.size(), oldSize);
        }
    }

    GapText m_s;
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
    if (ascii::EqualsNoCase(word.charset, "UTF-8")) return Utf8ToAnsi(bytes);
    if (ascii::EqualsNoCase(word.charset, "ISO-2022-JP")) return Iso2022JpToSjis(bytes);
    if (ascii::EqualsNoCase(word.charset, "EUC-JP") || ascii::EqualsNoCase(word.charset, "X-EUC-JP") ||
        ascii::EqualsNoCase(word.charset, "EUCJP")) {
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
    if (value.find("=?") == npos) return std::string(value);
    std::string s = PrefixedWordDecoder(value).run();
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
