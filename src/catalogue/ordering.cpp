// SPDX-License-Identifier: MIT
// Column captions, the column-click sort with its selection handling, cell
// texts, type-ahead and the selection count.
#include "catalogue/ordering.h"

#include <cstdlib>

#include "catalogue/sort.h"
#include "decode/japanese.h"
#include "message/format.h"
#include "ports/list_view.h"
#include "ports/prompts.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

// Sorts list by key c the way a click on c's column does (c need not have a
// column: the duplicate check re-sorts by whatever key it remembered).
void sortByColumnKey(ports::ListView& view, int c, MsgList& list, ports::Prompts* prompts) {
    // The selection is carried by the entries across the sort.
    ClearSelMarks(list);
    bool anySelected = false;
    for (int row : view.selectedRows()) {
        if (row < 0 || static_cast<std::size_t>(row) >= list.size()) continue;
        list[row]->SelMark = true;
        anySelected = true;
    }
    if (anySelected) view.setFocusRow(-1);

    // No redrawing until the selection is back, whatever happens.
    ports::UpdateScope update(view);

    // Same column again flips the direction; a new column starts ascending.
    int current = view.sortKey();
    view.setSortKey(std::abs(current) == c ? -current : c);

    // The sort also gives which rows are selected afterwards.
    std::vector<char> marks = SortMsgListWithMarks(list, view.sortKey(), prompts);

    // Only the sorted column's caption carries the direction mark.
    std::string_view mark = view.sortKey() > 0 ? text::kSortMarkAscending : text::kSortMarkDescending;
    for (int col = 0; col < view.columnCount(); ++col) {
        int key = view.columnKey(col);
        std::string caption = BaseCaption(key);
        if (key == c) caption += mark;
        view.setColumnCaption(col, caption);
    }

    // The selection comes back where its entries went; the first is scrolled to.
    view.clearSelection();
    int first = -1;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (!marks[i]) continue;
        view.setSelected(static_cast<int>(i), true);
        if (first < 0) first = static_cast<int>(i);
    }
    if (first >= 0) view.scrollIntoView(first);
}

bool isTypeAheadKey(int key) {
    return key == KeySender || key == KeySubject || key == KeyFolder || key == KeyRecipients;
}

int typeAheadKey(const ports::ListView& view) {
    int key = std::abs(view.sortKey());
    if (isTypeAheadKey(key)) return key;
    for (int col = 0; col < view.columnCount(); ++col)
        if (isTypeAheadKey(view.columnKey(col))) return view.columnKey(col);
    return KeySender;
}

// The field type-ahead matches against: the sender without the cell's blank,
// the folder as display text.
std::string typeAheadField(const TMsgItem& e, int key) {
    switch (key) {
        case KeySubject:
            return e.Subject;
        case KeyFolder:
            return Utf8ToAnsi(e.FolderName);
        case KeyRecipients:
            return e.To;
        default:
            return e.From;
    }
}

bool startsWithFolded(std::string_view field, std::string_view foldedPrefix) {
    if (field.size() < foldedPrefix.size()) return false;
    return CompareText(field.substr(0, foldedPrefix.size()), foldedPrefix) == 0;
}

}  // namespace

std::string BaseCaption(int key) {
    return std::string(ColumnCaption(key));
}

void ResetColumnCaptions(ports::ListView& view) {
    for (int col = 0; col < view.columnCount(); ++col)
        view.setColumnCaption(col, BaseCaption(view.columnKey(col)));
}

void ProcLV1ColumnClick(ports::ListView& view, int column, MsgList& list, ports::Prompts* prompts) {
    if (column < 0 || column >= view.columnCount()) return;
    sortByColumnKey(view, view.columnKey(column), list, prompts);
}

void ResortList(ports::ListView& view, int key, MsgList& list, ports::Prompts* prompts) {
    view.setSortKey(0);
    sortByColumnKey(view, std::abs(key), list, prompts);
}

CellContent CellFor(const TMsgItem& e, int key) {
    switch (key) {
        case KeySender:
            return {" " + e.From.str(), e.IconIndex};
        case KeySubject:
            return {e.Subject, -1};
        case KeyReceived:
            return {e.RecvDateText, -1};
        case KeySize:
            return {e.SizeKB + "KB", e.HasAttach ? 3 : -1};
        case KeyFolder:
            return {Utf8ToAnsi(e.FolderName), -1};
        case KeyRecipients:
            return {e.To, -1};
        case KeySent:
            return {e.SentDateText, -1};
        default:
            return {};
    }
}

int ProcLV1DataFind(FindKind kind, const ports::ListView& view, const MsgList& list, int start,
                    std::string_view text) {
    int count = static_cast<int>(list.size());
    int p = (start >= 0 && start <= count - 1) ? start : 0;
    if (kind == FindKind::Other) return p;
    if (text.empty() || count == 0) return -1;

    int key = typeAheadKey(view);
    int i = p;
    do {
        if (startsWithFolded(typeAheadField(*list[i], key), text)) return i;
        i = (i + 1) % count;
    } while (i != p);
    return -1;
}

std::string SelectionCountText(int selected) {
    return FormatCount(selected) + std::string(text::kSelectedSuffix);
}

}  // namespace pelmora
