// SPDX-License-Identifier: MIT
#include "cli/folder_command.h"

#include <unistd.h>

#include <utility>
#include <vector>

#include "cli/arguments.h"
#include "cli/terminal_ports.h"
#include "platform/paths.h"

namespace pelmora::cli {

std::optional<std::string> ParseFolderCommand(const Args& args, FolderCommandOptions& options,
                                              const OwnOptionTaker& takeOwn) {
    std::vector<std::string> operands;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (auto own = takeOwn(arg)) return own->empty() ? std::nullopt : own;
        if (auto taken = TakeOutputOption(arg, options.format, options.encoding))
            return taken->empty() ? std::nullopt : taken;
        if (TakeDisplayNameOption(arg, options.reader)) return std::nullopt;
        return "unknown option '" + arg + "'";
    };
    if (auto problem = WalkArguments(args, option, [&](const std::string& arg) { operands.push_back(arg); }))
        return problem;
    if (options.format == TableFormat::Json && options.encoding == OutputEncoding::Cp932)
        return std::string("--format=json writes UTF-8; --encoding=cp932 does not apply to it");
    if (operands.size() != 1) return std::string("exactly one folder expected");
    // Resolved once, as the kernel resolves it, so that the scan and every
    // operation after it name the same files ("a/link/.." is the folder
    // above the link's target, not "a").
    options.folder = platform::KernelPath(operands.front(), platform::FinalLink::Follow);
    return std::nullopt;
}

TableOptions TableOptionsFor(const FolderCommandOptions& options, std::vector<int> columnKeys) {
    TableOptions table;
    table.format = options.format;
    table.encoding = options.encoding;
    table.baseFolder = options.folder;
    table.columnKeys = std::move(columnKeys);
    table.terminalWidth = TerminalWidth();
    table.toTerminal = isatty(STDOUT_FILENO) != 0;
    return table;
}

}  // namespace pelmora::cli
