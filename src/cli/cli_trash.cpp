// SPDX-License-Identifier: MIT
// pelmora-cli trash [--yes] FILE...: each file to the freedesktop.org Trash.
#include <iostream>

#include "cli/commands.h"
#include "cli/terminal_ports.h"
#include "cli/terminal_shell.h"
#include "platform/trash.h"

namespace pelmora::cli {

int TrashCommand(const Args& args) {
    bool yes = false;
    bool options = true;
    std::vector<std::filesystem::path> files;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--yes" || arg == "-y")) {
            yes = true;
        } else if (options && arg.starts_with("-") && arg != "-") {
            std::cerr << "pelmora-cli trash: unknown option '" << arg << "'\n";
            return 2;
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.empty()) {
        std::cerr << "usage: pelmora-cli trash [--yes] FILE...\n";
        return 2;
    }

    TerminalPrompts prompts(yes ? AssumeYes::Yes : AssumeYes::No);
    TerminalShell shell(prompts);
    ui::TrashResult result = shell.moveToTrash(files, ui::TrashConfirmation::Ask);
    if (result.refused) return prompts.refusedAny() ? 2 : 1;
    for (const Error& failure : result.failures)
        std::cerr << "pelmora-cli trash: " << MessageForTerminal(platform::TrashFailureText(failure)) << '\n';
    return result.allMoved() ? 0 : 1;
}

}  // namespace pelmora::cli
