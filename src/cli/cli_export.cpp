// SPDX-License-Identifier: MIT
// pelmora-cli export -o FILE [-r] DIR: the message list of DIR as the GUI's
// list export writes it (main window columns, received-date order).
#include <iostream>

#include "catalogue/load.h"
#include "catalogue/ordering.h"
#include "catalogue/scan.h"
#include "cli/commands.h"
#include "cli/folder_load.h"
#include "cli/terminal_ports.h"
#include "message/format.h"
#include "operations/export_csv.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "texts/texts.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: pelmora-cli export -o FILE.csv [-r] [--yes] [--display-names|--no-display-names] DIR\n";

struct ExportArgs {
    fs::path output;
    fs::path folder;
    bool recurse = false;
    bool yes = false;
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
        } else if (options && (arg == "--yes" || arg == "-y")) {
            out.yes = true;
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
    // Each resolved once, as the kernel resolves it; a link named as the
    // list file stays the link that is asked about.
    out.folder = platform::KernelPath(out.folder, platform::FinalLink::Follow);
    out.output = platform::KernelPath(out.output, platform::FinalLink::Keep);
    return 0;
}

enum class Target { Free, Replace, Refused };

// Whether the list may take the place of what is at file: nothing there,
// or the user agrees (--yes, or the answer on the terminal). A symbolic
// link is named as such: the link is replaced, its target stays as it is.
Target checkTarget(const fs::path& file, TerminalPrompts& prompts) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(file, error);
    if (!fs::exists(status)) return Target::Free;
    if (fs::is_directory(status)) {
        prompts.error(text::IsAFolder(file.native()));
        return Target::Refused;
    }
    const std::string question = fs::is_symlink(status) ? text::ReplaceLinkQuestion(file.native())
                                                        : text::ReplaceFileQuestion(file.native());
    return prompts.confirmYesNo(question) ? Target::Replace : Target::Refused;
}

}  // namespace

int ExportCommand(const Args& args) {
    return ExportCommand(args, platform::SystemFileSystem());
}

int ExportCommand(const Args& args, ports::FileSystem& files) {
    ExportArgs options;
    if (int usage = parse(args, options); usage != 0) return usage;
    TerminalPrompts prompts(options.yes ? AssumeYes::Yes : AssumeYes::No);
    // Asked before the folder is read, so that a refusal costs nothing.
    Target target = checkTarget(options.output, prompts);
    if (target == Target::Refused) return prompts.refusedAny() ? 2 : 1;
    CommandReader reader(options.reader, prompts);
    TerminalListView view(kMainColumnKeys, KeyReceived);
    MsgList list;
    if (!LoadForCommand("export", options.folder, options.recurse, view, list, reader, prompts)) return 1;
    // The load sorted by the view's key, received date ascending, as the
    // main window shows a folder it has just loaded.

    // Where nothing was when the question was asked, the list takes the
    // name only while it is free: a file that appeared while the folder was
    // read is asked about now (or the command stops), never replaced unseen.
    constexpr int kAttempts = 3;
    bool replacesLink = false;
    std::expected<void, Error> written;
    for (int attempt = 1;; ++attempt) {
        std::error_code linkError;
        replacesLink = target == Target::Replace && fs::is_symlink(options.output, linkError);
        written = WriteMessageListFile(
            options.output, ColumnKeys(view), list,
            target == Target::Free ? ListPlacement::NoReplace : ListPlacement::Replace, files);
        if (written || written.error().code != EEXIST || target != Target::Free || attempt == kAttempts)
            break;
        target = checkTarget(options.output, prompts);
        if (target == Target::Refused) return prompts.refusedAny() ? 2 : 1;
    }
    if (!written) {
        std::cerr << "pelmora-cli export: " << ListFileErrorText(written.error()) << '\n';
        return 1;
    }
    if (replacesLink) std::cerr << MessageForTerminal(text::LinkReplaced(options.output.native())) << '\n';
    std::cerr << MessageForTerminal(FormatCount(static_cast<std::int64_t>(list.size())) +
                                    std::string(text::kListedSuffix))
              << '\n';
    return prompts.problemsShown() == 0 ? 0 : 1;
}

}  // namespace pelmora::cli
