// SPDX-License-Identifier: MIT
#include "operations/recycle.h"

#include <algorithm>
#include <system_error>

#include "message/format.h"
#include "platform/trash.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

ui::TrashResult RecycleFiles(ui::Shell& shell, const std::vector<fs::path>& paths,
                             ui::TrashConfirmation confirmation,
                             const std::vector<ui::FileIdentity>& asRead) {
    if (paths.empty()) return {};
    ui::TrashResult result = shell.moveToTrash(paths, confirmation, asRead);
    // A shell that answers with fewer flags than paths moved nothing more.
    result.moved.resize(paths.size(), false);
    result.locations.resize(paths.size());
    return result;
}

ui::FileIdentity IdentityAsRead(const TMsgItem& entry) {
    return {entry.FileDevice, entry.FileInode, entry.FileSize, entry.FileTime, entry.FileChangeTime};
}

std::string TrashQuestion(std::size_t count) {
    return FormatCount(static_cast<std::int64_t>(count)) + std::string(text::kTrashQuestionSuffix);
}

namespace {

void reportFailures(ui::Prompts& prompts, const ui::TrashResult& result) {
    if (result.refused || result.failures.empty()) return;
    std::string text(text::kTrashFailuresHeading);
    text += text::kLineBreak;
    for (const Error& failure : result.failures) {
        text += text::kLineBreak;
        text += platform::TrashFailureText(failure);
    }
    prompts.warning(text);
}

// Removes the marked entries in one pass and keeps the surviving selected
// entries selected at their new rows.
void removeMarked(ui::ListView& view, MsgList& list) {
    ui::UpdateScope noRedraw(view);
    std::vector<const TMsgItem*> keepSelected;
    for (int row : view.selectedRows())
        if (row >= 0 && static_cast<std::size_t>(row) < list.size() && !list[row]->DeleteMark)
            keepSelected.push_back(list[row].get());
    view.clearSelection();
    std::erase_if(list, [](const std::unique_ptr<TMsgItem>& e) { return e->DeleteMark; });
    view.setRowCount(static_cast<int>(list.size()));
    for (std::size_t i = 0, k = 0; i < list.size() && k < keepSelected.size(); ++i) {
        if (list[i].get() != keepSelected[k]) continue;
        view.setSelected(static_cast<int>(i), true);
        ++k;
    }
}

}  // namespace

void ProcMessageDelete1Click(ui::ListView& view, ui::StatusBar& status, MsgList& list, ui::Prompts& prompts,
                             ui::Shell& shell) {
    for (auto& entry : list) entry->DeleteMark = false;

    std::vector<fs::path> paths;
    std::vector<ui::FileIdentity> asRead;
    std::vector<TMsgItem*> handed;
    for (int row : view.selectedRows()) {
        if (row < 0 || static_cast<std::size_t>(row) >= list.size()) continue;
        TMsgItem& entry = *list[row];
        std::error_code ec;
        if (!fs::exists(fs::path(entry.FileName), ec)) continue;
        entry.DeleteMark = true;
        paths.push_back(entry.FileName);
        asRead.push_back(IdentityAsRead(entry));
        handed.push_back(&entry);
    }

    ui::TrashResult result = RecycleFiles(shell, paths, ui::TrashConfirmation::Ask, asRead);
    bool anyMoved = false;
    for (std::size_t i = 0; i < handed.size(); ++i) {
        handed[i]->DeleteMark = !result.refused && result.moved[i];
        anyMoved = anyMoved || handed[i]->DeleteMark;
    }
    if (anyMoved) removeMarked(view, list);
    reportFailures(prompts, result);

    status.setPanelText(0, FormatCount(view.rowCount()) + std::string(text::kMessagesSuffix));
    status.setPanelText(1, std::string());
}

}  // namespace pelmora
