// SPDX-License-Identifier: MIT
// The header reader: completes a scanned entry from its message file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "message/display_name_lookup.h"
#include "message/line_source.h"
#include "message/msg_item.h"

namespace pelmora {

namespace ui {
class Prompts;
}

// What a search run adds to the reader. Absent outside search mode.
class SearchHooks {
public:
    virtual ~SearchHooks() = default;
    virtual bool MatchHeaderFilter(const TMsgItem& entry) = 0;
    virtual bool AttachmentsOnly() const = 0;
    virtual bool HasBodyTerms() const = 0;
    // 0 for no match. The lines come from the open file one at a time.
    virtual int SearchBody(LineSource& lines, const TMsgItem& entry) = 0;
};

struct ReaderOptions {
    bool DupCheckHeaders = true;
    // Non-null exactly while the display-name option is on.
    const DisplayNameLookup* DisplayNames = nullptr;
};

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

struct ReaderContext {
    LineList& MsgLines;
    ReaderOptions options;
    ui::Prompts& prompts;
    SearchHooks* search = nullptr;  // non-null: search mode
    // Lives as long as the context, which lasts one load or one search.
    FolderHandle folder{};
};

// Completes list[index] from its file. Never throws on malformed input.
void ReadMessage(MsgList& list, std::size_t index, ReaderContext& context);

}  // namespace pelmora
