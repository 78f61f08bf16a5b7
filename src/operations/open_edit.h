// SPDX-License-Identifier: MIT
// Handing the selected message file to another program.
#pragma once

#include <string>

#include "message/msg_item.h"
#include "ports/list_view.h"
#include "ports/prompts.h"
#include "ports/shell.h"

namespace pelmora {

// Opens the one selected message with its associated program.
void ProcMessageOpen1Click(const ports::ListView& view, const MsgList& list, ports::Prompts& prompts,
                           ports::Shell& shell);
// Starts editorName (native bytes) with the one selected message as its only
// argument; no shell parses either name.
void ProcMessageEdit1Click(const ports::ListView& view, const MsgList& list, ports::Prompts& prompts,
                           ports::Shell& shell, const std::string& editorName);

}  // namespace pelmora
