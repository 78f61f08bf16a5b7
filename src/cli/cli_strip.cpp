// SPDX-License-Identifier: MIT
// pelmora-cli strip [--dry-run] [--yes] [--keep-record] PATH...: attachment
// removal on the named message files and on every message with attachments
// in the named folders; the old files go to the trash.
#include <algorithm>
#include <iostream>

#include "catalogue/scan.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/folder_load.h"
#include "cli/op_support.h"
#include "cli/terminal_ports.h"
#include "cli/terminal_shell.h"
#include "message/format.h"
#include "message/line_reader.h"
#include "operations/attach_delete.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "texts/texts.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

namespace {

struct StripArgs {
    bool dryRun = false;
    bool yes = false;
    bool keepRecord = false;
    ReaderChoices reader;
    std::vector<fs::path> paths;
};

// 2 on bad usage, else 0.
int parse(const Args& args, StripArgs& out) {
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (arg == "--dry-run")
            out.dryRun = true;
        else if (arg == "--yes" || arg == "-y")
            out.yes = true;
        else if (arg == "--keep-record")
            out.keepRecord = true;
        else if (!TakeDisplayNameOption(arg, out.reader))
            return "unknown option '" + arg + "'";
        return std::nullopt;
    };
    if (auto problem =
            WalkArguments(args, option, [&](const std::string& arg) { out.paths.emplace_back(arg); })) {
        std::cerr << "pelmora-cli strip: " << *problem << '\n';
        return 2;
    }
    if (out.paths.empty()) {
        std::cerr << "usage: pelmora-cli strip [--dry-run] [--yes] [--keep-record] PATH...\n";
        return 2;
    }
    return 0;
}

// Entries for the paths: folders scanned (without subfolders), files taken
// as they are. Missing paths are reported and counted.
int collect(const std::vector<fs::path>& paths, MsgList& list) {
    int missing = 0;
    for (const fs::path& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            // Resolved as the kernel resolves it: "a/link/.." names the
            // folder above the link's target, and so must the rewrite.
            std::vector<Error> unreadable;
            ScanFolder(nullptr, Subfolders::No, list, platform::KernelPath(path, platform::FinalLink::Follow),
                       FileFactsBy::Scan, &unreadable);
            if (!unreadable.empty()) {
                std::cerr << "pelmora-cli strip: " << MessageForTerminal(UnreadableFoldersText(unreadable))
                          << '\n';
                missing += static_cast<int>(unreadable.size());
            }
        } else if (auto entry = EntryForFile(path)) {
            list.push_back(std::move(entry));
        } else {
            std::cerr << "pelmora-cli strip: " << path.native() << ": no such message file\n";
            ++missing;
        }
    }
    return missing;
}

int dryRun(const MsgList& list, bool keepRecord) {
    const RemovalRecord record{RemovalDateText(std::time(nullptr))};
    std::int64_t saved = 0;
    int count = 0;
    int failed = 0;
    for (const auto& entry : list) {
        // Only counted: a large first part is never held in memory.
        LineReader reader;
        if (!reader.open(entry->FileName)) {
            std::cerr << "pelmora-cli strip: " << entry->FileName << ": cannot be read\n";
            ++failed;
            continue;
        }
        reader.keepBareCarriageReturns();
        auto stripped = StripMessage(
            reader, entry->Boundary, [](std::string_view) { return true; }, keepRecord ? &record : nullptr);
        if (!stripped) continue;
        const auto after = static_cast<std::int64_t>(*stripped);
        std::cout << entry->FileName
                  << (keepRecord ? ": would replace the parts after the first with records of them, "
                                 : ": would remove the parts after the first, ")
                  << FormatCount(entry->FileSize) << " -> " << FormatCount(after) << " bytes (saves "
                  << FormatCount(entry->FileSize - after) << " bytes)\n";
        saved += entry->FileSize - after;
        ++count;
    }
    std::cout << count << " message(s) with attachments; stripping would save " << FormatCount(saved)
              << " bytes\n";
    return failed == 0 ? 0 : 1;
}

}  // namespace

int StripCommand(const Args& args) {
    return StripCommand(args, platform::SystemFileSystem());
}

int StripCommand(const Args& args, ports::FileSystem& files) {
    StripArgs options;
    if (int usage = parse(args, options); usage != 0) return usage;

    TerminalPrompts prompts(options.yes ? AssumeYes::Yes : AssumeYes::No);
    TerminalListView view;
    MsgList all;
    const int missing = collect(options.paths, all);
    CommandReader reader(options.reader, prompts);
    for (std::size_t i = 0; i < all.size(); ++i) ReadMessage(all, i, reader.context());
    MsgList list;
    for (auto& entry : all)
        if (entry->HasAttach) list.push_back(std::move(entry));

    if (options.dryRun) return std::max(dryRun(list, options.keepRecord), missing != 0 ? 1 : 0);
    if (list.empty()) {
        std::cerr << MessageForTerminal(std::string(text::kNoAttachments)) << '\n';
        return missing != 0 ? 1 : 0;
    }

    view.setRowCount(static_cast<int>(list.size()));
    view.selectAll();
    TerminalStatusBar status(TerminalStatusBar::Echo::Stderr);
    TerminalProgress progress;
    TerminalShell shell(prompts, files);
    const std::vector<Error> notTrashed =
        ProcAttachDelete1Click(view, status, list, prompts, progress, shell, files, options.keepRecord);
    if (prompts.refusedAny()) return 2;
    if (status.panelText(1).empty()) return 1;  // declined at the question

    // The command skips a file without a word when the trash will not take
    // it; here every file left with its attachments is worth a line, and
    // one the trash refused gets the trash's reason first, as trash says it.
    int left = 0;
    for (const auto& entry : list) {
        if (!entry->HasAttach) continue;
        for (const Error& refusal : notTrashed)
            if (refusal.path == entry->FileName)
                std::cerr << "pelmora-cli strip: " << MessageForTerminal(text::TrashFailureText(refusal))
                          << '\n';
        std::cerr << "pelmora-cli strip: " << entry->FileName << ": not rewritten\n";
        ++left;
    }
    return (left != 0 || missing != 0 || prompts.problemsShown() != 0) ? 1 : 0;
}

}  // namespace pelmora::cli
