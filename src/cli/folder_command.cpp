// SPDX-License-Identifier: MIT
#include "cli/folder_command.h"

#include <utility>
#include <vector>

#include "cli/terminal_ports.h"

namespace pelmora::cli {

std::optional<std::string> ParseFolderCommand(const Args& args, FolderCommandOptions& options,
                                              const OwnOptionTaker& takeOwn) {
    bool optionsEnded = false;
    std::vector<std::string> operands;
    for (const std::string& arg : args) {
        const std::string_view a = arg;
        if (optionsEnded || !a.starts_with("-") || a == "-") {
            operands.push_back(arg);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (auto own = takeOwn(a)) {
            if (!own->empty()) return own;
        } else if (auto taken = TakeOutputOption(a, options.format, options.encoding)) {
            if (!taken->empty()) return taken;
        } else if (!TakeDisplayNameOption(arg, options.reader)) {
            return "unknown option '" + arg + "'";
        }
    }
    if (options.format == TableFormat::Json && options.encoding == OutputEncoding::Cp932)
        return std::string("--format=json writes UTF-8; --encoding=cp932 does not apply to it");
    if (operands.size() != 1) return std::string("exactly one folder expected");
    options.folder = operands.front();
    return std::nullopt;
}

TableOptions TableOptionsFor(const FolderCommandOptions& options, std::vector<int> columnKeys) {
    TableOptions table;
    table.format = options.format;
    table.encoding = options.encoding;
    table.baseFolder = options.folder;
    table.columnKeys = std::move(columnKeys);
    table.terminalWidth = TerminalWidth();
    return table;
}

}  // namespace pelmora::cli
