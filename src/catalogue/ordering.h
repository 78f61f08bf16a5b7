// SPDX-License-Identifier: MIT
// Ordering and presentation of a message list in a virtual list view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "message/msg_item.h"
#include "ui/column_keys.h"

namespace pelmora {

namespace ui {
class ListView;
class Prompts;
}  // namespace ui

// "差出人", "件名", ... for keys 1-7; empty for others.
std::string BaseCaption(int key);
// Every column caption back to its base caption (no sort mark).
void ResetColumnCaptions(ui::ListView& view);

// Byte order with only a-z folded to A-Z, on every byte.
int CompareText(std::string_view a, std::string_view b);
// Negative, zero or positive under an explicit signed sort key, SelMark
// breaking ties; a key outside the table compares as equal.
int CompareMsgItemsByKey(const TMsgItem& a, const TMsgItem& b, int sortKey);

// Sorts list in place as CompareMsgItems orders it under sortKey, reading
// each entry's key once per sort rather than once per comparison. A key
// outside the table is reported once through prompts (when given) and only
// the selection marks order the list.
void SortMsgList(MsgList& list, int sortKey, ui::Prompts* prompts = nullptr);

// The column-click sort: the selection follows the entries, the sorted
// column's caption gets " ＋" or " －".
void ProcLV1ColumnClick(ui::ListView& view, int column, MsgList& list, ui::Prompts* prompts = nullptr);
// Always ascending by |key|, with the caption marks and selection as above.
void ResortList(ui::ListView& view, int key, MsgList& list, ui::Prompts* prompts = nullptr);

// The text and image of one cell, produced on request. Image -1: none.
struct CellContent {
    std::string text;  // display text
    int image = -1;
};
CellContent CellFor(const TMsgItem& entry, int key);

enum class FindKind { PartialString, ExactString, Other };
// Type-ahead: the index of the next row whose text begins with text, or -1.
int ProcLV1DataFind(FindKind kind, const ui::ListView& view, const MsgList& list, int start,
                    std::string_view text);

// "N 通を選択"
std::string SelectionCountText(int selected);

}  // namespace pelmora
