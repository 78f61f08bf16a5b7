// SPDX-License-Identifier: MIT
#include "operations/open_edit.h"

#include <filesystem>
#include <system_error>

#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

// The file of the only selected row, or nothing (a vanished file included).
const TMsgItem* soleSelectedEntry(const ports::ListView& view, const MsgList& list) {
    if (view.selectedCount() != 1) return nullptr;
    std::vector<int> rows = view.selectedRows();
    if (rows.size() != 1 || rows[0] < 0 || static_cast<std::size_t>(rows[0]) >= list.size()) return nullptr;
    const TMsgItem* entry = list[rows[0]].get();
    std::error_code ec;
    return fs::exists(fs::path(entry->FileName), ec) ? entry : nullptr;
}

}  // namespace

void ProcMessageOpen1Click(const ports::ListView& view, const MsgList& list, ports::Prompts& prompts,
                           ports::Shell& shell) {
    const TMsgItem* entry = soleSelectedEntry(view, list);
    if (entry == nullptr) return;
    const fs::path file = entry->FileName;
    if (shell.openWithAssociation(file)) return;
    prompts.warning(text::CouldNotOpenWithAssociation(file.native()));
}

void ProcMessageEdit1Click(const ports::ListView& view, const MsgList& list, ports::Prompts& prompts,
                           ports::Shell& shell, const std::string& editorName) {
    const TMsgItem* entry = soleSelectedEntry(view, list);
    if (entry == nullptr) return;
    const fs::path file = entry->FileName;
    if (shell.startProgram(editorName, file)) return;
    prompts.warning(text::CouldNotOpenInEditor(file.native(), editorName));
}

}  // namespace pelmora
