// SPDX-License-Identifier: MIT
// The folder load: a folder's messages scanned, read, sorted and shown.
#pragma once

#include <filesystem>

#include "catalogue/read_message.h"
#include "catalogue/scan.h"
#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class ListView;
class StatusBar;
class Progress;
class Prompts;
class BusyCursor;
}  // namespace ports

struct LoadFolderPorts {
    ports::ListView& view;
    ports::StatusBar& status;
    ports::Progress& progress;
    ports::Prompts& prompts;
    ports::BusyCursor& cursor;
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
