// SPDX-License-Identifier: MIT
// One function per subcommand of pelmora-cli, each in cli_<verb>.cpp, named
// <Verb>Command so that none hides the core function it calls (RunSearch).
// Each takes the arguments after the verb and returns the exit status:
// 0 done, 1 some item failed (reported on stderr), 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace pelmora::cli {

using Args = std::vector<std::string>;

int ListCommand(const Args& args);
int DupsCommand(const Args& args);
int SearchCommand(const Args& args);
int ExportCommand(const Args& args);
int StripCommand(const Args& args);
int TrashCommand(const Args& args);
int DecodeCommand(const Args& args);
int BooksCommand(const Args& args);

}  // namespace pelmora::cli
