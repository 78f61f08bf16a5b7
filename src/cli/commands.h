// SPDX-License-Identifier: MIT
// One function per subcommand of pelmora-cli, each in cli_<verb>.cpp.
// Each takes the arguments after the verb and returns the exit status:
// 0 done, 1 some item failed (reported on stderr), 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace pelmora::cli {

using Args = std::vector<std::string>;

int RunList(const Args& args);
int RunDups(const Args& args);
int RunSearch(const Args& args);
int RunExport(const Args& args);
int RunStrip(const Args& args);
int RunTrash(const Args& args);
int RunDecode(const Args& args);

}  // namespace pelmora::cli
