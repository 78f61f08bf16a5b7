// SPDX-License-Identifier: MIT
// What the trash, strip and export commands share: entries for message
// files named on the command line, and reading them as the GUI does.
#pragma once

#include <filesystem>
#include <memory>

#include "addressbook/display_names.h"
#include "message/msg_item.h"
#include "message/read_message.h"
#include "ui/ports.h"

namespace pelmora::cli {

// An entry with the file facts the folder scan would give it; nothing when
// path is no regular file.
std::unique_ptr<TMsgItem> EntryForFile(const std::filesystem::path& path, ui::ListView* ownerView);

// The reader set up from the GUI's settings file (read, never written):
// DupCheckHeaders, and the display-name directory when ConvDisplayName is on.
class GuiReader {
public:
    explicit GuiReader(ui::Prompts& prompts);
    // Completes every entry of list.
    void readAll(MsgList& list);

private:
    ui::Prompts& m_prompts;
    LineList m_lines;
    ReaderOptions m_options;
    DisplayNameDirectory m_names;
};

}  // namespace pelmora::cli
