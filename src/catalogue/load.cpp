// SPDX-License-Identifier: MIT
// The main window's folder load: scan, read every entry, sort, show.
#include "catalogue/load.h"

#include <exception>
#include <string>
#include <system_error>

#include "base/error.h"
#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "catalogue/parallel_read.h"
#include "catalogue/scan.h"
#include "decode/japanese.h"
#include "message/format.h"
#include "ports/busy_cursor.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/status_bar.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

// Loads of this many messages or fewer finish before a dialog would be seen.
constexpr std::size_t kProgressThreshold = 100;

std::string messagesText(std::int64_t count) {
    return FormatCount(count) + std::string(text::kMessagesSuffix);
}

// Reads every entry; false when the abort flag (or a failure of the
// reader, which the general error handler reports) ended the loop.
bool readEntries(MsgList& list, LoadFolderPorts& ports, ReaderContext& reader, unsigned readThreads) {
    ports::UpdateScope update(ports.view);
    try {
        if (ReadsInParallel(list.size(), readThreads))
            return ReadEntriesInParallel(list, reader, {ports.progress, ports.prompts}, readThreads);
        for (std::size_t i = 0; i < list.size(); ++i) {
            ports.progress.processEvents();
            if (ports.progress.abortRequested()) return false;
            ReadMessage(list, i, reader);
            ports.progress.setPosition(static_cast<int>(i));
        }
    } catch (const std::exception& caught) {
        ports.prompts.error(Utf8ToAnsi(ErrorFromException(caught).reasonText()));
        return false;
    }
    return true;
}

}  // namespace

LoadOutcome LoadFolder(const std::filesystem::path& folder, MsgList& list, LoadFolderPorts& ports,
                       ReaderContext& reader, Subfolders subfolders, unsigned readThreads) {
    ports::ListView& view = ports.view;
    // The old list goes at once, its captions back to plain.
    {
        ports::BusyScope busy(ports.cursor);
        ports::UpdateScope update(view);
        FreeInBackground(list);  // the last folder's entries
        view.setRowCount(0);
        ResetColumnCaptions(view);
    }
    // The status bar counts from zero while the folder loads.
    ports.status.setPanelText(0, messagesText(0));
    ports.status.setPanelText(1, std::string());

    // A folder that is gone is said in the status bar and a message box.
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::string text = text::FolderMissing(folder.native());
        ports.status.setPanelText(0, std::string());
        ports.status.setPanelText(1, text);
        ports.prompts.information(text);
        return LoadOutcome::FolderMissing;
    }

    // Entries for every message file, still without their header fields;
    // folders that cannot be listed are said, not passed over.
    std::vector<Error> unreadable;
    ScanFolder(nullptr, subfolders, list, folder, FileFactsBy::Reader, &unreadable);
    if (!unreadable.empty()) ports.prompts.warning(UnreadableFoldersText(unreadable));

    // The progress dialog counts the reading, shown only for larger folders.
    ports::Progress& progress = ports.progress;
    ports::StartProgress(progress, static_cast<int>(list.size()),
                         {.title = std::string(text::kLoadingTitle),
                          .fromCaption = std::string(text::kFromLabel),
                          .fromPath = Utf8ToAnsi(folder.string()),
                          .countText = FormatCount(static_cast<std::int64_t>(list.size()))});
    if (list.size() > kProgressThreshold) progress.show();

    // Reading, then sorting by the view's key; an aborted load keeps no rows.
    bool completed = readEntries(list, ports, reader, readThreads);
    if (completed) {
        ResortList(view, view.sortKey(), list, &ports.prompts);
        view.setRowCount(static_cast<int>(list.size()));
    }

    // The final count, also after an abort.
    ports.status.setPanelText(0, messagesText(view.rowCount()));
    progress.hide();
    return completed ? LoadOutcome::Loaded : LoadOutcome::Aborted;
}

}  // namespace pelmora
