// SPDX-License-Identifier: MIT
// One function per subcommand of pelmora-cli, each in cli_<verb>.cpp, named
// <Verb>Command so that none hides the core function it calls (RunSearch).
// Each takes the arguments after the verb and returns the exit status:
// 0 done, 1 some item failed (reported on stderr), 2 bad usage.
#pragma once

#include <string>
#include <vector>

#include "ports/file_system.h"

namespace pelmora::cli {

using Args = std::vector<std::string>;

// The commands that replace or move files also take the file-system port
// their renames and writes go through (the system's in the one-argument
// form), so that a test can change a file at the step where another
// program might.

int ListCommand(const Args& args);
int DupsCommand(const Args& args);
int DupsCommand(const Args& args, ports::FileSystem& files);
int SearchCommand(const Args& args);
int ExportCommand(const Args& args);
int ExportCommand(const Args& args, ports::FileSystem& files);
int StripCommand(const Args& args);
int StripCommand(const Args& args, ports::FileSystem& files);
int TrashCommand(const Args& args);
int DecodeCommand(const Args& args);
int BooksCommand(const Args& args);
int ShowCommand(const Args& args);
int AttachmentsCommand(const Args& args);
int ExtractCommand(const Args& args);

}  // namespace pelmora::cli
