// SPDX-License-Identifier: MIT
// pelmora-cli extract [-o DIR] [--yes] FILE...: every attachment saved,
// under a safe name that replaces no file; a folder per message when more
// than one message is named. Prints each path written.
#include <iostream>
#include <set>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/message_reading.h"
#include "cli/terminal_ports.h"
#include "operations/attachment_save.h"
#include "platform/file_io.h"
#include "texts/texts.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli extract [-o DIR] [--yes] [--display-names|--no-display-names] FILE...\n";

struct ExtractArgs {
    fs::path folder = ".";
    bool yes = false;
    ReaderChoices reader;
    std::vector<fs::path> files;
};

int parse(const Args& args, ExtractArgs& out) {
    bool wantFolder = false;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (arg == "-o") {
            wantFolder = true;
        } else if (arg.starts_with("--output=")) {
            out.folder = arg.substr(9);
        } else if (arg == "--yes" || arg == "-y") {
            out.yes = true;
        } else if (!TakeDisplayNameOption(arg, out.reader)) {
            return "unknown option '" + arg + "'";
        }
        return std::nullopt;
    };
    auto operand = [&](const std::string& arg) {
        if (wantFolder) {
            out.folder = arg;
            wantFolder = false;
        } else {
            out.files.emplace_back(arg);
        }
    };
    if (auto problem = WalkArguments(args, option, operand)) return UsageError("extract", *problem, kUsage);
    if (wantFolder || out.folder.empty()) return UsageError("extract", "-o needs a folder", kUsage);
    if (out.files.empty()) return UsageError("extract", "no file given", kUsage);
    return 0;
}

// The output folder exists or was made; false when the user said no or it
// could not be made (said on stderr).
bool outputFolderReady(const fs::path& folder, TerminalPrompts& prompts) {
    std::error_code error;
    if (fs::is_directory(folder, error)) return true;
    if (fs::exists(folder, error)) {
        std::cerr << "pelmora-cli extract: \"" << folder.string() << "\" is not a folder\n";
        return false;
    }
    if (!prompts.confirmYesNo(text::CreateFolderQuestion(folder.string()))) return false;
    fs::create_directories(folder, error);
    if (!error) return true;
    std::cerr << "pelmora-cli extract: " << FailureLine(MakeError(ErrorKind::Write, folder, error.value()))
              << '\n';
    return false;
}

}  // namespace

int ExtractCommand(const Args& args) {
    ExtractArgs options;
    if (const int status = parse(args, options); status != 0) return status;
    TerminalPrompts prompts(options.yes ? AssumeYes::Yes : AssumeYes::No);
    if (!outputFolderReady(options.folder, prompts)) return prompts.refusedAny() ? 2 : 1;

    ViewReader reader(options.reader, prompts);
    std::set<std::string> taken;
    int status = 0;
    for (const fs::path& file : options.files) {
        auto view = reader.read(file);
        if (!view) {
            std::cerr << "pelmora-cli extract: " << FailureLine(view.error()) << '\n';
            status = 1;
            continue;
        }
        const fs::path folder =
            options.files.size() == 1 ? options.folder : MessageFolder(options.folder, file, taken);
        const SaveOutcome outcome = SaveAllAttachments(*view, folder, platform::SystemFileSystem());
        for (const fs::path& written : outcome.written) std::cout << written.string() << '\n';
        for (const Error& failure : outcome.failures)
            std::cerr << "pelmora-cli extract: " << FailureLine(failure) << '\n';
        if (!outcome.failures.empty()) status = 1;
    }
    std::cout.flush();
    return std::cout ? status : 1;
}

}  // namespace pelmora::cli
