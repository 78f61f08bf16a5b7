// SPDX-License-Identifier: MIT
// The duplicate check: reduces a list to the messages that occur more than
// once and selects every copy but one.
#pragma once

#include <functional>
#include <string>

#include "message/msg_item.h"

namespace pelmora {

namespace ui {
class ListView;
class StatusBar;
class BusyCursor;
class Prompts;
}  // namespace ui

struct DupcheckPorts {
    ui::ListView& view;
    ui::StatusBar& status;
    ui::BusyCursor& cursor;
    ui::Prompts* prompts = nullptr;  // internal sort errors, when given
    // Given by the main window only: its folder caption then shows the
    // current folder + DuplicateCaptionSuffix(). The search window has none.
    std::function<void()> showDuplicateCaption;
};

// Removes the entries without a duplicate (and those without Message-ID),
// selects all copies of each group but the first in hash order, re-sorts
// ascending by the view's previous key and writes the result to panel 1.
void ProcDupcheck1Click(DupcheckPorts& ports, MsgList& list);

// " の重複メッセージ", appended to the folder path in the main window's caption.
std::string DuplicateCaptionSuffix();
// Panel 1 after the check: "重複するメッセージはありません。" or "N 通のメッセージが重複しています。".
std::string DuplicateStatusText(std::int64_t rows);

}  // namespace pelmora
