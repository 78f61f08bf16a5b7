// SPDX-License-Identifier: MIT
// Delete to the trash.
#pragma once

#include <filesystem>
#include <vector>

#include "message/msg_item.h"
#include "ports/file_system.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "ports/shell.h"
#include "ports/status_bar.h"

namespace pelmora {

// Hands paths to the shell's trash. The trash always keeps what it takes,
// so the only choice left is whether the shell asks first. asRead as the
// shell port takes it: a file that changed since it was read stays.
ports::TrashResult RecycleFiles(ports::Shell& shell, const std::vector<std::filesystem::path>& paths,
                                ports::TrashConfirmation confirmation,
                                const std::vector<ports::FileIdentity>& asRead = {});

// The file the entry was read from, as it was then.
ports::FileIdentity IdentityAsRead(const TMsgItem& entry);

// The shells' own question before they trash count files (display text):
// "3 個の項目をごみ箱に移動しますか？".
std::string TrashQuestion(std::size_t count);

// Moves the files of the selected rows to the trash one by one after the
// shell's confirmation; the entries whose files reached the trash leave the
// list, the others stay (still selected) and failures are reported in one
// message. A file that is no longer the one its entry was read from (written
// to or replaced since, also while the question waited) is one of those
// failures.
// Rows whose file has vanished are left alone silently. With progress,
// events run between files, a delete of more than 100 files (or one that
// has taken half a second) shows the dialog, and 中断 stops it between two
// files: the files moved so far leave the list, the others stay.
void ProcMessageDelete1Click(ports::ListView& view, ports::StatusBar& status, MsgList& list,
                             ports::Prompts& prompts, ports::Shell& shell,
                             ports::Progress* progress = nullptr);

}  // namespace pelmora
