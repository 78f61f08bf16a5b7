// SPDX-License-Identifier: MIT
// The folder scan: the entries of a folder (and its subfolders), names only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class Progress;
}

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
void ScanFolder(ports::Progress* progress, Subfolders subfolders, MsgList& target,
                const std::filesystem::path& folder, FileFactsBy facts = FileFactsBy::Scan,
                std::vector<Error>* unreadable = nullptr);

// The one message that names the folders a scan could not list:
// "<folder>" フォルダを読み取れません。 (reason) a line each (at most ten,
// then how many more).
std::string UnreadableFoldersText(const std::vector<Error>& folders);

}  // namespace pelmora
