// SPDX-License-Identifier: MIT
// Inside the catalogue: the sort that also hands back the selection marks in
// the new order, so that restoring a selection need not visit every entry.
#pragma once

#include <vector>

#include "message/msg_item.h"

namespace pelmora {

namespace ui {
class Prompts;
}

// SortMsgList; element i of the result is list[i]->SelMark afterwards.
std::vector<char> SortMsgListWithMarks(MsgList& list, int sortKey, ui::Prompts* prompts);

// Clears SelMark on every entry, fetching entries ahead (large lists lie
// scattered over the heap).
void ClearSelMarks(MsgList& list);

}  // namespace pelmora
