// SPDX-License-Identifier: MIT
// The arguments list, dups and search share: their own options, the output
// and display-name options, then exactly one folder.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/folder_load.h"
#include "cli/message_table.h"

namespace pelmora::cli {

struct FolderCommandOptions {
    TableFormat format = TableFormat::Table;
    OutputEncoding encoding = OutputEncoding::Utf8;
    ReaderChoices reader;
    std::filesystem::path folder;
};

// Takes one of a command's own options: nullopt when arg is none of them,
// otherwise empty when taken, or the usage error.
using OwnOptionTaker = std::function<std::optional<std::string>(std::string_view arg)>;

// "--" ends the options; "-" and every argument not starting with "-" is
// an operand. Nullopt when the arguments are good, else the usage error.
std::optional<std::string> ParseFolderCommand(const Args& args, FolderCommandOptions& options,
                                              const OwnOptionTaker& takeOwn);

// The table the command writes: its format, encoding and folder, the
// terminal's width, and the given columns.
TableOptions TableOptionsFor(const FolderCommandOptions& options, std::vector<int> columnKeys);

}  // namespace pelmora::cli
