// SPDX-License-Identifier: MIT
// Folder scan and the main window's folder load.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/read_entry.h"
#include "message/msg_item.h"
#include "ui/error.h"

namespace pelmora {

namespace ui {
class ListView;
class StatusBar;
class Progress;
class Prompts;
class BusyCursor;
}  // namespace ui

// Who asks the file system for a file's size and time. A Linux folder
// listing does not carry them, and a separate stat per file costs about as
// much as opening it: when every entry is read next, the reader takes them
// from the file it opened anyway.
enum class FileFactsBy { Scan, Reader };

// The main window never lists subfolders; the command line and the search
// window may ask for them.
enum class Subfolders { No, Yes };

// The last component of a folder path ("/" for the root).
std::string FolderNameOf(const std::string& folderPath);

// A new entry for the file fileName in folderPath (native bytes, no
// trailing slash but "/" for the root) as a scan finds it: names only, no
// size, time or header fields yet.
std::unique_ptr<TMsgItem> NewEntry(const SharedText& folderPath, const SharedText& folderName,
                                   std::string_view fileName, std::string_view ext);

// Appends one entry per *.eml / *.nws file of folder (and with
// Subfolders::Yes, of its subfolders, depth first, never entering one folder
// twice, each opened relative to the one above it so that no depth is too
// deep, and none on the kernel's own file systems such as /proc). With a
// progress port the folder path and count are shown and the abort flag is
// honoured. With FileFactsBy::Reader, entries whose listing says they are
// regular files have no size or time until ReadMessage has read them.
// Folders that cannot be listed (no permission, gone meanwhile, not a
// folder) are skipped and, when unreadable is given, appended to it with
// the reason (native paths).
void ScanFolder(ui::Progress* progress, Subfolders subfolders, MsgList& target,
                const std::filesystem::path& folder, FileFactsBy facts = FileFactsBy::Scan,
                std::vector<Error>* unreadable = nullptr);

// The one message that names the folders a scan could not list:
// "<folder>" フォルダを読み取れません。 (reason) a line each (at most ten,
// then how many more).
std::string UnreadableFoldersText(const std::vector<Error>& folders);

struct LoadFolderPorts {
    ui::ListView& view;
    ui::StatusBar& status;
    ui::Progress& progress;
    ui::Prompts& prompts;
    ui::BusyCursor& cursor;
};

enum class LoadOutcome { Loaded, Aborted, FolderMissing };

// Rebuilds list and view from folder: empties, scans (no subfolders), reads
// every entry with the progress dialog for more than 100 messages, sorts by
// the view's key and sets the row count and status texts. Large folders
// are read on readThreads threads (0: the default number of readers; 1: this one only).
LoadOutcome LoadFolder(const std::filesystem::path& folder, MsgList& list, LoadFolderPorts& ports,
                       ReaderContext& reader, Subfolders subfolders = Subfolders::No,
                       unsigned readThreads = 0);

}  // namespace pelmora
