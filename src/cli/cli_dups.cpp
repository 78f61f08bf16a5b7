// SPDX-License-Identifier: MIT
// pelmora-cli dups: the duplicate check of the main window on a folder. The
// reduced list is printed in the GUI's order; the copies the GUI would select
// for deletion are flagged (TSV column "selected", "*" in the table). With
// --trash those copies then go to the trash, as the delete command would
// move them after the check.
#include <iostream>
#include <optional>
#include <string_view>

#include "catalogue/duplicates.h"
#include "catalogue/ordering.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/folder_command.h"
#include "cli/folder_load.h"
#include "cli/message_table.h"
#include "cli/terminal_shell.h"
#include "operations/recycle.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli dups [--id-only] [--display-names|--no-display-names] [--format=table|tsv|csv|json]\n"
    "                        [--encoding=utf-8|cp932] [--trash [--yes]] DIR\n";

struct DupsOptions : FolderCommandOptions {
    bool trash = false;
    bool yes = false;
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
            else
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
    WriteMessageTable(std::cout, list, table);
    std::cout.flush();
}

// Moves the selected copies to the trash after the shell's question; each
// file the trash would not take is reported and stays listed.
int trashSelected(TerminalListView& view, TerminalStatusBar& status, MsgList& list,
                  TerminalPrompts& prompts) {
    const int before = view.rowCount();
    const int selected = view.selectedCount();
    const int problemsBefore = prompts.problemsShown();
    TerminalShell shell(prompts);
    ProcMessageDelete1Click(view, status, list, prompts, shell);
    if (prompts.refusedAny()) return 2;
    const int moved = before - view.rowCount();
    std::cerr << "pelmora-cli dups: " << moved << " of " << selected << " copies moved to the trash\n";
    return (moved == selected && prompts.problemsShown() == problemsBefore) ? 0 : 1;
}

}  // namespace

int DupsCommand(const Args& args) {
    DupsOptions options;
    if (auto problem = parse(args, options)) return usageError(*problem);

    TerminalPrompts prompts(options.yes ? AssumeYes::Yes : AssumeYes::No);
    CommandReader reader(options.reader, prompts);
    TerminalListView view(kMainColumnKeys, KeyReceived);
    MsgList list;
    LoadOutcome outcome = LoadForCommand(options.folder, Subfolders::No, view, list, reader, prompts);
    if (outcome == LoadOutcome::FolderMissing) return 1;
    if (outcome == LoadOutcome::Aborted) {
        std::cerr << "pelmora-cli dups: interrupted\n";
        return 1;
    }

    // The summary line goes to stderr so that stdout stays the list alone.
    TerminalStatusBar status(TerminalStatusBar::Echo::Stderr);
    TerminalBusyCursor cursor;
    DupcheckPorts ports{view, status, cursor, &prompts, {}};
    ProcDupcheck1Click(ports, list);

    printList(options, view, list);
    if (options.trash && view.selectedCount() > 0) return trashSelected(view, status, list, prompts);
    return prompts.problemsShown() > 0 ? 1 : 0;
}

}  // namespace pelmora::cli
