// SPDX-License-Identifier: MIT
// pelmora-cli export -o FILE [-r] DIR: the message list of DIR as the GUI's
// list export writes it (main window columns, received-date order).
#include <iostream>

#include "message/format.h"
#include "catalogue/ordering.h"
#include "catalogue/scan.h"
#include "cli/commands.h"
#include "cli/folder_load.h"
#include "cli/terminal_ports.h"
#include "decode/cp932.h"
#include "operations/export_csv.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: pelmora-cli export -o FILE.csv [-r] [--display-names|--no-display-names] DIR\n";

struct ExportArgs {
    fs::path output;
    fs::path folder;
    bool recurse = false;
    ReaderChoices reader;
};

int parse(const Args& args, ExportArgs& out) {
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-r" || arg == "--recursive")) {
            out.recurse = true;
        } else if (options && (arg == "-o" || arg == "--output")) {
            if (i + 1 >= args.size()) {
                std::cerr << kUsage;
                return 2;
            }
            out.output = args[++i];
        } else if (options && arg.starts_with("--output=")) {
            out.output = arg.substr(9);
        } else if (options && TakeDisplayNameOption(arg, out.reader)) {
        } else if (options && arg.starts_with("-") && arg != "-") {
            std::cerr << "pelmora-cli export: unknown option '" << arg << "'\n";
            return 2;
        } else if (out.folder.empty()) {
            out.folder = arg;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (out.output.empty() || out.folder.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    return 0;
}

}  // namespace

int RunExport(const Args& args) {
    ExportArgs options;
    if (int usage = parse(args, options); usage != 0) return usage;
    TerminalPrompts prompts;
    CommandReader reader(options.reader, prompts);
    TerminalListView view(kMainColumnKeys, KeyReceived);
    MsgList list;
    LoadOutcome outcome = LoadForCommand(options.folder, options.recurse ? Subfolders::Yes : Subfolders::No, view,
                                         list, reader, prompts);
    if (outcome != LoadOutcome::Loaded) {
        if (outcome == LoadOutcome::Aborted) std::cerr << "pelmora-cli export: interrupted\n";
        return 1;
    }
    // The load sorted by the view's key, received date ascending, as the
    // main window shows a folder it has just loaded.

    if (auto written = WriteMessageListFile(options.output, ColumnKeys(view), list); !written) {
        std::cerr << "pelmora-cli export: " << written.error() << '\n';
        return 1;
    }
    std::cerr << MessageForTerminal(FormatCount(static_cast<std::int64_t>(list.size())) +
                                    Utf8ToCp932(" 通のメッセージをリストしました。"))
              << '\n';
    return prompts.problemsShown() == 0 ? 0 : 1;
}

}  // namespace pelmora::cli
