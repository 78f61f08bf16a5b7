// SPDX-License-Identifier: MIT
// Handing the selected message file to another program.
#pragma once

#include <string>

#include "message/msg_item.h"
#include "ui/ports.h"

namespace pelmora {

// Opens the one selected message with its associated program.
void ProcMessageOpen1Click(const ui::ListView& view, const MsgList& list, ui::Prompts& prompts,
                           ui::Shell& shell);
// Starts editorName (native bytes) with the one selected message as its only
// argument; no shell parses either name.
void ProcMessageEdit1Click(const ui::ListView& view, const MsgList& list, ui::Prompts& prompts,
                           ui::Shell& shell, const std::string& editorName);

}  // namespace pelmora
