// SPDX-License-Identifier: MIT
#include "operations/recycle.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "decode/japanese.h"
#include "message/format.h"
#include "platform/trash.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

ports::TrashResult RecycleFiles(ports::Shell& shell, const std::vector<fs::path>& paths,
                                ports::TrashConfirmation confirmation,
                                const std::vector<ports::FileIdentity>& asRead) {
    if (paths.empty()) return {};
    ports::TrashResult result = shell.moveToTrash(paths, confirmation, asRead);
    // A shell that answers with fewer flags than paths moved nothing more.
    result.moved.resize(paths.size(), false);
    result.locations.resize(paths.size());
    return result;
}

ports::FileIdentity IdentityAsRead(const TMsgItem& entry) {
    return {entry.FileDevice, entry.FileInode, entry.FileSize, entry.FileTime, entry.FileChangeTime};
}

std::string TrashQuestion(std::size_t count) {
    return FormatCount(static_cast<std::int64_t>(count)) + std::string(text::kTrashQuestionSuffix);
}

namespace {

// A delete of more files than this, or one that has run this long, shows
// the progress dialog; shorter ones end before a dialog would be seen.
constexpr std::size_t kProgressAboveFiles = 100;
constexpr std::chrono::milliseconds kProgressAfter{500};

void reportFailures(ports::Prompts& prompts, const ports::TrashResult& result) {
    if (result.refused || result.failures.empty()) return;
    std::string text(text::kTrashFailuresHeading);
    text += text::kLineBreak;
    for (const Error& failure : result.failures) {
        text += text::kLineBreak;
        text += text::TrashFailureText(failure);
    }
    prompts.warning(text);
}

std::string progressCount(std::size_t done, std::size_t total) {
    return FormatCount(static_cast<std::int64_t>(done)) + " / " +
           FormatCount(static_cast<std::int64_t>(total));
}

// The progress dialog of one delete, when the caller has one: shown once
// the delete is long, hidden at the end whatever ends it.
class DeleteProgress {
public:
    DeleteProgress(ports::Progress* progress, std::size_t total)
        : m_progress(progress), m_total(total), m_started(std::chrono::steady_clock::now()) {
        if (m_progress == nullptr) return;
        ports::StartProgress(*m_progress, static_cast<int>(total),
                             {.title = std::string(text::kTrashingTitle),
                              .fromCaption = std::string(text::kFromLabel),
                              .countText = progressCount(0, total)});
    }
    ~DeleteProgress() {
        if (m_shown) m_progress->hide();
    }
    DeleteProgress(const DeleteProgress&) = delete;
    DeleteProgress& operator=(const DeleteProgress&) = delete;

    // Before file goes: the dialog when it is due, the window's events;
    // false once 中断 was pressed.
    bool goOn(const fs::path& file) {
        if (m_progress == nullptr) return true;
        if (!m_shown && (m_total > kProgressAboveFiles ||
                         std::chrono::steady_clock::now() - m_started >= kProgressAfter)) {
            m_progress->show();
            m_shown = true;
        }
        if (m_shown && file.parent_path() != m_folder) {
            m_folder = file.parent_path();
            m_progress->setFromPath(Utf8ToAnsi(m_folder.string()));
        }
        m_progress->processEvents();
        return !m_progress->abortRequested();
    }

    void done(std::size_t count) {
        if (m_progress == nullptr) return;
        m_progress->setPosition(static_cast<int>(count));
        m_progress->setCountText(progressCount(count, m_total));
    }

private:
    ports::Progress* m_progress;
    std::size_t m_total;
    std::chrono::steady_clock::time_point m_started;
    bool m_shown = false;
    fs::path m_folder;
};

// Hands the files to the shell one at a time (the question was asked
// already), so that a file is either in the trash or where it was, the
// window's events run between files and 中断 can stop between two files.
ports::TrashResult trashOneByOne(ports::Shell& shell, const std::vector<fs::path>& paths,
                                 const std::vector<ports::FileIdentity>& asRead, ports::Progress* progress) {
    ports::TrashResult all;
    all.moved.assign(paths.size(), false);
    all.locations.assign(paths.size(), fs::path());
    DeleteProgress shown(progress, paths.size());
    for (std::size_t i = 0; i < paths.size() && shown.goOn(paths[i]); ++i) {
        ports::TrashResult one =
            RecycleFiles(shell, {paths[i]}, ports::TrashConfirmation::DoNotAsk, {asRead[i]});
        all.moved[i] = one.moved.front();
        all.locations[i] = std::move(one.locations.front());
        for (Error& failure : one.failures) all.failures.push_back(std::move(failure));
        shown.done(i + 1);
    }
    return all;
}

// Removes the marked entries in one pass and keeps the surviving selected
// entries selected at their new rows.
void removeMarked(ports::ListView& view, MsgList& list) {
    ports::UpdateScope noRedraw(view);
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

void ProcMessageDelete1Click(ports::ListView& view, ports::StatusBar& status, MsgList& list,
                             ports::Prompts& prompts, ports::Shell& shell, ports::Progress* progress) {
    for (auto& entry : list) entry->DeleteMark = false;

    std::vector<fs::path> paths;
    std::vector<ports::FileIdentity> asRead;
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

    ports::TrashResult result;
    if (!paths.empty()) {
        if (shell.confirmTrash(paths.size())) {
            result = trashOneByOne(shell, paths, asRead, progress);
        } else {
            result.refused = true;
            result.moved.assign(paths.size(), false);
        }
    }
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
