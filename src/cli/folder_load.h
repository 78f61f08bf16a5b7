// SPDX-License-Identifier: MIT
// Loading a folder for a command the way the main window loads it, with the
// reader options of the GUI's settings file (read, never written) and the
// command line's overrides.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "addressbook/display_names.h"
#include "catalogue/load.h"
#include "catalogue/read_message.h"
#include "catalogue/scan.h"
#include "cli/terminal_ports.h"

namespace pelmora::cli {

// Overrides of the settings file for one run; nothing keeps the file's value.
struct ReaderChoices {
    std::optional<bool> displayNames;     // --display-names / --no-display-names
    std::optional<bool> dupCheckHeaders;  // --id-only gives false
    // The sender's and recipients' header bytes: a search tests its terms
    // against them, the tsv and json tables print them; a list that needs
    // neither keeps a fair part of its memory without them.
    bool rawAddresses = true;
};

// Takes --display-names and --no-display-names; false for any other argument.
bool TakeDisplayNameOption(const std::string& argument, ReaderChoices& choices);

// The reader for a command: settings file, overrides, and the address book
// when display names are on (its failure is reported and leaves it empty).
class CommandReader {
public:
    CommandReader(const ReaderChoices& choices, ports::Prompts& prompts);
    ReaderContext& context() { return m_context; }

private:
    LineList m_lines;
    DisplayNameDirectory m_directory;
    ReaderContext m_context;
};

// LoadFolder through the terminal ports for the command named command:
// progress on stderr when it is a terminal. False when the command ends
// there (status 1), having said why on stderr: the folder is missing, or
// the load was interrupted.
bool LoadForCommand(std::string_view command, const std::filesystem::path& folder, bool recurse,
                    TerminalListView& view, MsgList& list, CommandReader& reader, TerminalPrompts& prompts);

}  // namespace pelmora::cli
