// SPDX-License-Identifier: MIT
// The sort comparison of the message lists and the sort that applies it.
#include "catalogue/sort.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "catalogue/ordering.h"
#include "decode/ascii.h"
#include "ports/prompts.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(ascii::ToUpper(static_cast<char>(i)));
    return table;
}
// Only a-z is folded, on every byte: second bytes of double-byte characters
// are folded too, exactly as the list has always sorted.
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

enum class KeyKind { Text, Date, Number, Hash, Invalid };

KeyKind kindOf(int key) {
    switch (key) {
        case KeySender:
        case KeySubject:
        case KeyFolder:
        case KeyRecipients:
            return KeyKind::Text;
        case KeyReceived:
        case KeySent:
            return KeyKind::Date;
        case KeySize:
            return KeyKind::Number;
        case KeyDupHash:
            return KeyKind::Hash;
        default:
            return KeyKind::Invalid;
    }
}

// Where the text's field lies in the entry, to fetch it ahead without
// waiting for the entry.
const void* textFieldPlace(const TMsgItem& e, int key) {
    switch (key) {
        case KeySender:
            return &e.From;
        case KeySubject:
            return &e.Subject;
        case KeyFolder:
            return &e.FolderPath;
        default:
            return &e.To;
    }
}

std::string_view textField(const TMsgItem& e, int key) {
    switch (key) {
        case KeySender:
            return e.From;
        case KeySubject:
            return e.Subject;
        case KeyFolder:
            return e.FolderPath;
        default:
            return e.To;
    }
}

// Date-times are ordered by their calendar components down to the
// millisecond, which is the order of the whole count of milliseconds.
std::int64_t dateMillis(DateTime value) {
    double days = std::floor(value);
    auto ms = static_cast<std::int64_t>(std::llround((value - days) * 86400000.0));
    return static_cast<std::int64_t>(days) * 86400000 + ms;
}

std::int64_t numericField(const TMsgItem& e, int key) {
    switch (key) {
        case KeyReceived:
            return dateMillis(e.RecvDate);
        case KeySent:
            return dateMillis(e.SentDate);
        case KeySize:
            return e.FileSize;
        case KeyDupHash:
            return e.DupHash;
        default:
            return 0;
    }
}

template <typename T>
int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int markTieBreak(const TMsgItem& a, const TMsgItem& b) {
    return threeWay<int>(a.SelMark, b.SelMark);
}

std::string badKeyText(int sortKey) {
    return std::string(text::kBadSortKeyPrefix) + std::to_string(sortKey);
}

// The first eight folded bytes, big-endian, so that most comparisons of a
// sort are decided by one integer comparison.
std::uint64_t prefixOf(std::string_view folded) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < folded.size() ? static_cast<unsigned char>(folded[i]) : 0);
    return prefix;
}

struct SortRow {
    std::uint64_t order;     // folded text prefix, or a number biased to unsigned order
    std::size_t textOffset;  // the folded text in the sort's arena
    std::uint32_t textSize;
    // 24 bytes a row: a list of 100,000 entries is sorted with the entries
    // in memory, so the rows add to the load's peak.
    std::uint32_t index : 31;
    std::uint32_t mark : 1;
};

std::uint64_t biased(std::int64_t value) {
    return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63);
}

// The folded texts of a sort, each distinct text stored once: lists repeat
// senders and subjects a lot, and equal texts then compare by their offset
// alone, while the arena stays small enough to remain in the cache.
class TextArena {
public:
    explicit TextArena(std::size_t entries) {
        std::size_t slots = 16;
        while (slots < entries * 2) slots *= 2;
        m_slots.assign(slots, kEmpty);
        m_mask = slots - 1;
    }

    // Offset of the folded text in the arena, stored there if new.
    std::size_t intern(std::string_view text) {
        m_scratch.resize(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            m_scratch[i] = static_cast<char>(kFold[static_cast<unsigned char>(text[i])]);
        std::string_view folded = m_scratch;
        for (std::size_t slot = std::hash<std::string_view>{}(folded)&m_mask;; slot = (slot + 1) & m_mask) {
            if (m_slots[slot] == kEmpty) {
                m_slots[slot] = m_texts.size();
                m_texts.push_back({m_arena.size(), folded.size()});
                m_arena.append(folded);
                return m_texts.back().offset;
            }
            const Stored& stored = m_texts[m_slots[slot]];
            if (std::string_view(m_arena).substr(stored.offset, stored.size) == folded) return stored.offset;
        }
    }
    const char* data() const { return m_arena.data(); }
    std::string_view at(std::size_t offset, std::size_t size) const {
        return std::string_view(m_arena).substr(offset, size);
    }

private:
    struct Stored {
        std::size_t offset, size;
    };
    static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
    std::vector<std::size_t> m_slots;  // indexes into m_texts
    std::vector<Stored> m_texts;
    std::string m_arena;
    std::string m_scratch;
    std::size_t m_mask;
};

// The sort keys of every entry, read once.
std::vector<SortRow> sortRows(const MsgList& list, int key, KeyKind kind, bool descending, TextArena& arena) {
    std::vector<SortRow> rows(list.size());
    // The entries lie scattered over the heap in list order; fetching them
    // ahead hides most of the memory latency, which otherwise costs more
    // than the sort itself on large lists.
    constexpr std::size_t kAheadEntry = 16, kAheadText = 8;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i + kAheadEntry < list.size()) {
            const TMsgItem* ahead = list[i + kAheadEntry].get();
            __builtin_prefetch(&ahead->SelMark);
            if (kind == KeyKind::Text)
                __builtin_prefetch(textFieldPlace(*ahead, key));
            else if (key == KeySize)
                __builtin_prefetch(&ahead->FileSize);
            else
                __builtin_prefetch(&ahead->RecvDate);  // SentDate and DupHash share its line or the next
        }
        if (kind == KeyKind::Text && i + kAheadText < list.size())
            __builtin_prefetch(textField(*list[i + kAheadText], key).data());
        const TMsgItem& e = *list[i];
        SortRow& row = rows[i];
        row.index = static_cast<std::uint32_t>(i) & 0x7FFFFFFFu;
        row.mark = e.SelMark ? 1u : 0u;
        row.textOffset = 0;
        row.textSize = 0;
        if (kind == KeyKind::Text) {
            const std::string_view text = textField(e, key);
            row.textOffset = arena.intern(text);
            row.textSize = static_cast<std::uint32_t>(text.size());
            row.order = prefixOf(arena.at(row.textOffset, row.textSize));
        } else {
            row.order = biased(numericField(e, key));
        }
        // Descending order is the ascending order of the complemented key;
        // the text tail is reversed in the comparison.
        if (descending) row.order = ~row.order;
    }
    return rows;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = kFold[static_cast<unsigned char>(a[i])];
        unsigned char y = kFold[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

int CompareMsgItemsByKey(const TMsgItem& a, const TMsgItem& b, int sortKey) {
    int key = sortKey >= 1 ? sortKey : -sortKey;
    int direction = sortKey >= 1 ? 1 : -1;
    int r = 0;
    switch (kindOf(key)) {
        case KeyKind::Text:
            r = direction * CompareText(textField(a, key), textField(b, key));
            break;
        case KeyKind::Date:
        case KeyKind::Number:
            r = direction * threeWay(numericField(a, key), numericField(b, key));
            break;
        case KeyKind::Hash:
            r = threeWay(a.DupHash, b.DupHash);
            break;  // never reversed
        case KeyKind::Invalid:
            return 0;
    }
    return r != 0 ? r : markTieBreak(a, b);
}

void ClearSelMarks(MsgList& list) {
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i + kAhead < list.size()) __builtin_prefetch(&list[i + kAhead]->SelMark, 1);
        list[i]->SelMark = false;
    }
}

void SortMsgList(MsgList& list, int sortKey, ports::Prompts* prompts) {
    SortMsgListWithMarks(list, sortKey, prompts);
}

std::vector<char> SortMsgListWithMarks(MsgList& list, int sortKey, ports::Prompts* prompts) {
    int key = sortKey >= 1 ? sortKey : -sortKey;
    KeyKind kind = kindOf(key);
    bool descending = sortKey < 1 && kind != KeyKind::Hash;
    if (kind == KeyKind::Invalid && prompts) prompts->information(badKeyText(sortKey));

    TextArena arena(kind == KeyKind::Text ? list.size() : 0);
    std::vector<SortRow> rows = sortRows(list, key, kind, descending, arena);
    const char* text = arena.data();
    std::sort(rows.begin(), rows.end(), [text, descending](const SortRow& a, const SortRow& b) {
        if (a.order != b.order) return a.order < b.order;
        // Equal texts share one stored copy; only different ones need memcmp.
        bool sameText = a.textOffset == b.textOffset && a.textSize == b.textSize;
        if (!sameText && (a.textSize > 8 || b.textSize > 8)) {
            int r = std::memcmp(text + a.textOffset, text + b.textOffset, std::min(a.textSize, b.textSize));
            if (r == 0) r = threeWay(a.textSize, b.textSize);
            if (r != 0) return descending ? r > 0 : r < 0;
        } else if (!sameText && a.textSize != b.textSize) {
            // Equal padded prefixes: the shorter text is a prefix of the longer.
            return descending ? a.textSize > b.textSize : a.textSize < b.textSize;
        }
        return a.mark < b.mark;  // unmarked entries first, in both directions
    });

    std::vector<char> marks;
    marks.reserve(list.size());
    for (const SortRow& row : rows) marks.push_back(static_cast<char>(row.mark));
    // The entries move into their places along the permutation's cycles,
    // without a second list as long as the first. A row whose entry is in
    // place points to itself.
    for (std::size_t start = 0; start < rows.size(); ++start) {
        if (std::size_t{rows[start].index} == start) continue;
        std::unique_ptr<TMsgItem> held = std::move(list[start]);
        std::size_t place = start;
        for (;;) {
            const std::size_t from = std::size_t{rows[place].index};
            rows[place].index = static_cast<std::uint32_t>(place) & 0x7FFFFFFFu;
            if (from == start) {
                list[place] = std::move(held);
                break;
            }
            list[place] = std::move(list[from]);
            place = from;
        }
    }
    return marks;
}

}  // namespace pelmora
