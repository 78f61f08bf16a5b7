// SPDX-License-Identifier: MIT
// Ordering and presentation of a message list in a virtual list view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/sort.h"
#include "message/column_keys.h"
#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class ListView;
class Prompts;
}  // namespace ports

// "差出人", "件名", ... for keys 1-7; empty for others.
std::string BaseCaption(int key);
// Every column caption back to its base caption (no sort mark).
void ResetColumnCaptions(ports::ListView& view);

// The column-click sort: the selection follows the entries, the sorted
// column's caption gets " ＋" or " －".
void ProcLV1ColumnClick(ports::ListView& view, int column, MsgList& list, ports::Prompts* prompts = nullptr);
// Always ascending by |key|, with the caption marks and selection as above.
void ResortList(ports::ListView& view, int key, MsgList& list, ports::Prompts* prompts = nullptr);

// The text and image of one cell, produced on request. Image -1: none.
struct CellContent {
    std::string text;  // display text
    int image = -1;
};
CellContent CellFor(const TMsgItem& entry, int key);

enum class FindKind { PartialString, ExactString, Other };
// Type-ahead: the index of the next row whose text begins with text, or -1.
int ProcLV1DataFind(FindKind kind, const ports::ListView& view, const MsgList& list, int start,
                    std::string_view text);

// "N 通を選択"
std::string SelectionCountText(int selected);

}  // namespace pelmora
