// SPDX-License-Identifier: MIT
// pelmora-cli dups: the duplicate check of the main window on a folder. The
// reduced list is printed in the GUI's order; the copies the GUI would select
// for deletion are flagged (TSV column "selected", "*" in the table). With
// --trash those copies then go to the trash, as the delete command would
// move them after the check. --keep names the copy of each group that stays
// unselected; JSON records then say which group a copy belongs to, whether
// it is the kept one and by which rule.
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>

#include "catalogue/duplicates.h"
#include "catalogue/load.h"
#include "catalogue/ordering.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/folder_command.h"
#include "cli/folder_load.h"
#include "cli/message_table.h"
#include "cli/terminal_shell.h"
#include "cli/text_output.h"
#include "operations/recycle.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli dups [-r] [--id-only] [--keep=oldest|newest|largest|under:PATH]\n"
    "                        [--display-names|--no-display-names] [--format=table|tsv|csv|json]\n"
    "                        [--encoding=utf-8|cp932] [--trash [--yes]] DIR\n";

struct DupsOptions : FolderCommandOptions {
    bool trash = false;
    bool yes = false;
    bool recurse = false;
    DupKeeper keeper{};
};

int usageError(std::string_view problem) {
    return UsageError("dups", problem, kUsage);
}

// Options as given; an error text for bad usage.
std::optional<std::string> parse(const Args& args, DupsOptions& options) {
    auto problem =
        ParseFolderCommand(args, options, [&options](std::string_view a) -> std::optional<std::string> {
            if (a == "--trash")
                options.trash = true;
            else if (a == "--yes" || a == "-y")
                options.yes = true;
            else if (a == "--id-only")
                options.reader.dupCheckHeaders = false;
            else if (a == "-r" || a == "--recursive")
                options.recurse = true;
            else if (a.starts_with("--keep=")) {
                std::optional<DupKeeper> keeper = ParseDupKeeper(a.substr(7));
                if (!keeper)
                    return "bad --keep value '" + std::string(a.substr(7)) +
                           "': use oldest, newest, largest or under:PATH";
                // Entries carry absolute, normalised paths; the folder is
                // compared with them.
                if (keeper->rule == KeepRule::UnderFolder) {
                    std::string folder =
                        std::filesystem::absolute(keeper->folder).lexically_normal().native();
                    while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
                    keeper->folder = std::move(folder);
                }
                options.keeper = *keeper;
            } else
                return std::nullopt;
            return std::string();
        });
    if (problem) return problem;
    if (options.yes && !options.trash) return std::string("--yes belongs to --trash");
    return std::nullopt;
}

void printList(const DupsOptions& options, const TerminalListView& view, const MsgList& list) {
    TableOptions table = TableOptionsFor(options, kMainColumnKeys);
    table.selection = &view;
    // Groups numbered from 1 in the order their first copy is listed.
    std::map<std::int64_t, int> groups;
    for (const auto& entry : list) groups.try_emplace(entry->DupHash, static_cast<int>(groups.size()) + 1);
    const std::string rule = JsonString(DupKeeperText(options.keeper));
    table.jsonExtra = [&](std::size_t row) {
        const TMsgItem& entry = *list[row];
        return ",\"group\":" + std::to_string(groups[entry.DupHash]) +
               ",\"keep\":" + (view.isSelected(static_cast<int>(row)) ? "false" : "true") +
               ",\"rule\":" + rule;
    };
    WriteMessageTable(std::cout, list, table);
    std::cout.flush();
}

// Moves the selected copies to the trash after the shell's question; each
// file the trash would not take is reported and stays listed.
int trashSelected(TerminalListView& view, TerminalStatusBar& status, MsgList& list, TerminalPrompts& prompts,
                  ports::FileSystem& files) {
    const int before = view.rowCount();
    const int selected = view.selectedCount();
    const int problemsBefore = prompts.problemsShown();
    TerminalShell shell(prompts, files);
    ProcMessageDelete1Click(view, status, list, prompts, shell);
    if (prompts.refusedAny()) return 2;
    const int moved = before - view.rowCount();
    std::cerr << "pelmora-cli dups: " << moved << " of " << selected << " copies moved to the trash\n";
    return (moved == selected && prompts.problemsShown() == problemsBefore) ? 0 : 1;
}

}  // namespace

int DupsCommand(const Args& args) {
    return DupsCommand(args, platform::SystemFileSystem());
}

int DupsCommand(const Args& args, ports::FileSystem& files) {
    DupsOptions options;
    if (auto problem = parse(args, options)) return usageError(*problem);

    TerminalPrompts prompts(options.yes ? AssumeYes::Yes : AssumeYes::No);
    options.reader.rawAddresses = PrintsRawAddresses(options.format);
    CommandReader reader(options.reader, prompts);
    TerminalListView view(kMainColumnKeys, KeyReceived);
    MsgList list;
    if (!LoadForCommand("dups", options.folder, options.recurse, view, list, reader, prompts)) return 1;

    // The summary line goes to stderr so that stdout stays the list alone.
    TerminalStatusBar status(TerminalStatusBar::Echo::Stderr);
    TerminalBusyCursor cursor;
    DupcheckPorts ports{view, status, cursor, &prompts, {}, options.keeper};
    ProcDupcheck1Click(ports, list);

    printList(options, view, list);
    if (options.trash && view.selectedCount() > 0) return trashSelected(view, status, list, prompts, files);
    return prompts.problemsShown() > 0 ? 1 : 0;
}

}  // namespace pelmora::cli
