// SPDX-License-Identifier: MIT
// What the program decides before its first folder load: the folder to show
// from the command line or from the last run.
#pragma once

#include <QStringList>
#include <filesystem>

namespace pelmora::ports {
class Prompts;
}

namespace pelmora::app {

// The absolute, normalised form of an existing folder path: relative parts,
// "." and ".." and symbolic links resolved, no trailing slash (except "/").
// A path that cannot be resolved is returned as it was given.
std::filesystem::path LongFolderPath(const std::filesystem::path& path);

// The current folder at start-up. remembered is emlDir of the settings,
// already cleared when that folder no longer exists; arguments are the
// command-line arguments after the program name. A bad command line is
// reported through prompts and gives an empty folder.
std::filesystem::path StartFolder(const QStringList& arguments, const std::filesystem::path& remembered,
                                  ports::Prompts& prompts);

}  // namespace pelmora::app
