// SPDX-License-Identifier: MIT
// The sort comparison of the message lists and the sort that applies it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/ordering.h"
#include "catalogue/texts.h"
#include "ui/ports.h"

namespace pelmora {

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 0x20 : i);
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
        case KeyRecipients: return KeyKind::Text;
        case KeyReceived:
        case KeySent: return KeyKind::Date;
        case KeySize: return KeyKind::Number;
        case KeyDupHash: return KeyKind::Hash;
        default: return KeyKind::Invalid;
    }
}

const std::string& textField(const TMsgItem& e, int key) {
    switch (key) {
        case KeySender: return e.From;
        case KeySubject: return e.Subject;
        case KeyFolder: return e.FolderPath;
        default: return e.To;
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
        case KeyReceived: return dateMillis(e.RecvDate);
        case KeySent: return dateMillis(e.SentDate);
        case KeySize: return e.FileSize;
        case KeyDupHash: return e.DupHash;
        default: return 0;
    }
}

template <typename T>
int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int markTieBreak(const TMsgItem& a, const TMsgItem& b) { return threeWay<int>(a.SelMark, b.SelMark); }

std::string badKeyText(int sortKey) { return std::string(texts::kBadSortKey) + std::to_string(sortKey); }

// The first eight folded bytes, big-endian, so that most comparisons of a
// sort are decided without touching the strings themselves.
std::uint64_t foldedPrefix(const std::string& text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char byte = i < text.size() ? kFold[static_cast<unsigned char>(text[i])] : 0;
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

struct SortRow {
    std::uint64_t order;  // folded text prefix, or a number biased to unsigned order
    const std::string* text;
    std::uint32_t index;
    bool mark;
};

std::uint64_t biased(std::int64_t value) { return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63); }

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
        case KeyKind::Text: r = direction * CompareText(textField(a, key), textField(b, key)); break;
        case KeyKind::Date:
        case KeyKind::Number: r = direction * threeWay(numericField(a, key), numericField(b, key)); break;
        case KeyKind::Hash: r = threeWay(a.DupHash, b.DupHash); break;  // never reversed
        case KeyKind::Invalid: return 0;
    }
    return r != 0 ? r : markTieBreak(a, b);
}

int CompareMsgItems(const TMsgItem& a, const TMsgItem& b) {
    return CompareMsgItemsByKey(a, b, a.OwnerView ? a.OwnerView->sortKey() : 0);
}

int CompareMsgItems(const TMsgItem& a, const TMsgItem& b, ui::Prompts& prompts) {
    int sortKey = a.OwnerView ? a.OwnerView->sortKey() : 0;
    if (kindOf(std::abs(sortKey)) == KeyKind::Invalid) {
        prompts.information(badKeyText(sortKey));
        return 0;
    }
    return CompareMsgItemsByKey(a, b, sortKey);
}

void SortMsgList(MsgList& list, int sortKey, ui::Prompts* prompts) {
    int key = sortKey >= 1 ? sortKey : -sortKey;
    bool descending = sortKey < 1 && kindOf(key) != KeyKind::Hash;
    KeyKind kind = kindOf(key);
    if (kind == KeyKind::Invalid && prompts) prompts->information(badKeyText(sortKey));

    std::vector<SortRow> rows(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TMsgItem& e = *list[i];
        SortRow& row = rows[i];
        row.index = static_cast<std::uint32_t>(i);
        row.mark = e.SelMark;
        row.text = nullptr;
        if (kind == KeyKind::Text) {
            row.text = &textField(e, key);
            row.order = foldedPrefix(*row.text);
        } else {
            row.order = biased(numericField(e, key));
        }
        // Descending order is the ascending order of the complemented key;
        // the text tail is reversed in the comparison below.
        if (descending) row.order = ~row.order;
    }
    auto keyCompare = [descending](const SortRow& a, const SortRow& b) {
        if (a.order != b.order) return a.order < b.order ? -1 : 1;
        if (!a.text) return 0;
        int r = CompareText(*a.text, *b.text);
        return descending ? -r : r;
    };
    std::sort(rows.begin(), rows.end(), [&keyCompare](const SortRow& a, const SortRow& b) {
        int r = keyCompare(a, b);
        if (r != 0) return r < 0;
        return a.mark < b.mark;  // unmarked entries first, in both directions
    });

    MsgList sorted;
    sorted.reserve(list.size());
    for (const SortRow& row : rows) sorted.push_back(std::move(list[row.index]));
    list.swap(sorted);
}

}  // namespace pelmora
