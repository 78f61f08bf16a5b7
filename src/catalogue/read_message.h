// SPDX-License-Identifier: MIT
// Reading a scanned entry from its file: opening the file, taking its facts
// and saying when it cannot be opened, around the header reader. The folder
// load and the search run read their entries through here.
#pragma once

#include <cstddef>
#include <new>
#include <string>

#include "message/header_reader.h"
#include "message/line_reader.h"
#include "message/msg_item.h"

namespace pelmora {

namespace ports {
class Prompts;
}

// The folder of the message read last, held open: the next file of the
// same folder is opened relative to it, which spares the kernel the walk
// down the whole path for every file of a large folder.
class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // A descriptor of folder (native bytes), or -1 when it cannot be opened.
    int descriptorOf(const std::string& folder);

private:
    int m_fd = -1;
    std::string m_folder;
};

// What one thread reads its entries with, one after another.
struct ReaderContext {
    LineList& MsgLines;
    ReaderOptions options;
    ports::Prompts& prompts;
    // Lives as long as the context, which lasts one load or one search.
    FolderHandle folder{};
};

// Opens entry's file into reader and takes its size and times from the open
// file. False when it cannot be opened: the warning is shown, the entry
// keeps its scan values (with the file's size and date where they can still
// be found) and the context's lines are emptied.
// WhenListed leaves the size and times to be taken later from the open
// file, for a reading that lists few of the messages it opens.
enum class FileFacts { Now, WhenListed };
bool OpenEntry(TMsgItem& entry, LineReader& reader, ReaderContext& context, FileFacts facts = FileFacts::Now);

// Says that memory ran out while entry was read, and puts the entry back to
// the values of the scan (a message read in part shows none of it) and
// unmatched; the context's lines are let go.
void ReportOutOfMemory(TMsgItem& entry, ReaderContext& context);

// Runs read, which reads entry from its file. An allocation that fails
// meanwhile is reported for this message alone (ReportOutOfMemory), and the
// caller goes on with the next: one message the memory cannot hold must not
// end a load or a search.
template <typename Read>
void ReadReportingMemory(TMsgItem& entry, ReaderContext& context, Read&& read) {
    try {
        read();
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory(entry, context);
    }
}

// The folder load's reading of list[index]: its file, its header fields and
// its attachment flag. Never throws on malformed input, nor when memory runs
// out for this message.
void ReadMessage(MsgList& list, std::size_t index, ReaderContext& context);

}  // namespace pelmora
