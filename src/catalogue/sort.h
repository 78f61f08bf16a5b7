// SPDX-License-Identifier: MIT
// Sorting a message list by a column's key.
#pragma once

#include <string_view>
#include <vector>

#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class Prompts;
}

// Byte order with only a-z folded to A-Z, on every byte.
int CompareText(std::string_view a, std::string_view b);
// Negative, zero or positive under an explicit signed sort key, SelMark
// breaking ties; a key outside the table compares as equal.
int CompareMsgItemsByKey(const TMsgItem& a, const TMsgItem& b, int sortKey);

// Sorts list in place as CompareMsgItems orders it under sortKey, reading
// each entry's key once per sort rather than once per comparison. A key
// outside the table is reported once through prompts (when given) and only
// the selection marks order the list.
void SortMsgList(MsgList& list, int sortKey, ports::Prompts* prompts = nullptr);

// SortMsgList that also hands back the selection marks in the new order, so
// that restoring a selection need not visit every entry: element i of the
// result is list[i]->SelMark afterwards.
std::vector<char> SortMsgListWithMarks(MsgList& list, int sortKey, ports::Prompts* prompts);

// Clears SelMark on every entry, fetching entries ahead (large lists lie
// scattered over the heap).
void ClearSelMarks(MsgList& list);

}  // namespace pelmora
