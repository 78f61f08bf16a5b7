// SPDX-License-Identifier: MIT
// pelmora-cli trash [--yes] FILE...: each file to the freedesktop.org Trash.
#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/terminal_ports.h"
#include "cli/terminal_shell.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "texts/texts.h"

namespace pelmora::cli {

int TrashCommand(const Args& args) {
    bool yes = false;
    std::vector<std::filesystem::path> files;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (arg != "--yes" && arg != "-y") return "unknown option '" + arg + "'";
        yes = true;
        return std::nullopt;
    };
    // Each file resolved once, as the kernel resolves it, so that what is
    // moved and the place the trash records for it are the same.
    auto file = [&](const std::string& arg) {
        files.push_back(platform::KernelPath(arg, platform::FinalLink::Keep));
    };
    if (auto problem = WalkArguments(args, option, file)) {
        std::cerr << "pelmora-cli trash: " << *problem << '\n';
        return 2;
    }
    if (files.empty()) {
        std::cerr << "usage: pelmora-cli trash [--yes] FILE...\n";
        return 2;
    }

    TerminalPrompts prompts(yes ? AssumeYes::Yes : AssumeYes::No);
    TerminalShell shell(prompts);
    ports::TrashResult result = shell.moveToTrash(files, ports::TrashConfirmation::Ask, {});
    if (result.refused) return prompts.refusedAny() ? 2 : 1;
    for (const Error& failure : result.failures)
        std::cerr << "pelmora-cli trash: " << MessageForTerminal(text::TrashFailureText(failure)) << '\n';
    return result.allMoved() ? 0 : 1;
}

}  // namespace pelmora::cli
