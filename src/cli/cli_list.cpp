// SPDX-License-Identifier: MIT
// pelmora-cli list: the main window's list of a folder, sorted as the GUI
// sorts it, as a table, TSV or CSV.
#include <iostream>
#include <optional>
#include <string_view>

#include "catalogue/load.h"
#include "catalogue/ordering.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/folder_command.h"
#include "cli/folder_load.h"
#include "cli/message_table.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli list [-r] [--format=table|tsv|csv|json] [--sort=KEY] [--reverse] "
    "[--encoding=utf-8|cp932]\n"
    "                        [--display-names|--no-display-names] DIR\n"
    "KEY: sender subject received size folder recipients sent (default received)\n";

std::optional<int> ParseSortKey(std::string_view name) {
    constexpr std::pair<std::string_view, int> kKeys[] = {
        {"sender", KeySender}, {"subject", KeySubject},       {"received", KeyReceived}, {"size", KeySize},
        {"folder", KeyFolder}, {"recipients", KeyRecipients}, {"sent", KeySent}};
    for (const auto& [keyName, key] : kKeys)
        if (keyName == name) return key;
    return std::nullopt;
}

struct ListOptions : FolderCommandOptions {
    bool recurse = false;
    bool reverse = false;
    int sortKey = KeyReceived;
};

int usageError(std::string_view problem) {
    return UsageError("list", problem, kUsage);
}

// Options as given; an error text for bad usage.
std::optional<std::string> parse(const Args& args, ListOptions& options) {
    return ParseFolderCommand(args, options, [&options](std::string_view a) -> std::optional<std::string> {
        if (a == "-r" || a == "--recursive") {
            options.recurse = true;
        } else if (a == "--reverse") {
            options.reverse = true;
        } else if (a.starts_with("--sort=")) {
            auto key = ParseSortKey(a.substr(7));
            if (!key) return "unknown sort key '" + std::string(a.substr(7)) + "'";
            options.sortKey = *key;
        } else {
            return std::nullopt;
        }
        return std::string();
    });
}

}  // namespace

int ListCommand(const Args& args) {
    ListOptions options;
    if (auto problem = parse(args, options)) return usageError(*problem);

    // The folder column joins the main window's six when messages come from
    // several folders or the list is sorted by folder.
    std::vector<int> columns = kMainColumnKeys;
    if (options.recurse || options.sortKey == KeyFolder) columns.push_back(KeyFolder);

    TerminalPrompts prompts;
    options.reader.rawAddresses = PrintsRawAddresses(options.format);
    CommandReader reader(options.reader, prompts);
    TerminalListView view(columns, options.sortKey);
    MsgList list;
    if (!LoadForCommand("list", options.folder, options.recurse, view, list, reader, prompts)) return 1;
    // The load leaves the list ascending; a second click on the column flips it.
    if (options.reverse) {
        for (int column = 0; column < view.columnCount(); ++column)
            if (view.columnKey(column) == options.sortKey) ProcLV1ColumnClick(view, column, list, &prompts);
    }

    WriteMessageTable(std::cout, list, TableOptionsFor(options, columns));
    std::cout.flush();
    return prompts.problemsShown() > 0 ? 1 : 0;
}

}  // namespace pelmora::cli
