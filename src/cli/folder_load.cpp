// SPDX-License-Identifier: MIT
#include "cli/folder_load.h"

#include <iostream>

#include "addressbook/address_books.h"
#include "addressbook/contacts_folder.h"
#include "catalogue/load.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace pelmora::cli {

namespace {

ReaderOptions optionsFor(const ReaderChoices& choices, DisplayNameDirectory& directory,
                         ports::Prompts& prompts) {
    // A settings file that cannot be read is said, not counted as a
    // failure: the command does its work on the defaults.
    std::string notice;
    Settings settings = LoadSettings(SettingsFilePath(), &notice);
    if (!notice.empty()) prompts.information(notice);
    ReaderOptions options;
    options.DupCheckHeaders = choices.dupCheckHeaders.value_or(settings.DupCheckHeaders);
    options.KeepRawAddresses = choices.rawAddresses;
    if (choices.displayNames.value_or(settings.ConvDisplayName)) {
        DirectoryReport report;
        auto built =
            BuildDisplayNameDirectory(directory, BookPlaces::ForUser(settings.AddressBookPath), &report);
        if (!built) prompts.error(ContactsErrorText(built.error()));
        // A book that could not be read is said once; the names of the
        // others are shown all the same, so it is no failure of the command.
        for (const BookReport* book : report.skipped()) prompts.information(BookSkippedText(*book));
        options.DisplayNames = &directory;
    }
    return options;
}

}  // namespace

bool TakeDisplayNameOption(const std::string& argument, ReaderChoices& choices) {
    if (argument == "--display-names") {
        choices.displayNames = true;
        return true;
    }
    if (argument == "--no-display-names") {
        choices.displayNames = false;
        return true;
    }
    return false;
}

CommandReader::CommandReader(const ReaderChoices& choices, ports::Prompts& prompts)
    : m_context{m_lines, optionsFor(choices, m_directory, prompts), prompts} {}

bool LoadForCommand(std::string_view command, const std::filesystem::path& folder, bool recurse,
                    TerminalListView& view, MsgList& list, CommandReader& reader, TerminalPrompts& prompts) {
    TerminalStatusBar status;
    TerminalProgress progress;
    TerminalBusyCursor cursor;
    LoadFolderPorts ports{view, status, progress, prompts, cursor};
    const LoadOutcome outcome =
        LoadFolder(folder, list, ports, reader.context(), recurse ? Subfolders::Yes : Subfolders::No);
    if (outcome == LoadOutcome::Aborted) std::cerr << "pelmora-cli " << command << ": interrupted\n";
    return outcome == LoadOutcome::Loaded;
}

}  // namespace pelmora::cli
