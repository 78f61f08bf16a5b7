// SPDX-License-Identifier: MIT
// The XDG base folders of the user running the program.
#pragma once

#include <filesystem>

namespace pelmora::platform {

// $HOME, or the home folder of the password database when HOME is unset.
std::filesystem::path HomeFolder();
// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::filesystem::path XdgDataHome();
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::filesystem::path XdgConfigHome();
// $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
std::filesystem::path XdgCacheHome();

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the entry of
// xdg-user-dirs ($XDG_CONFIG_HOME/user-dirs.dirs), when it names a folder
// that exists; else the home folder.
std::filesystem::path XdgDocumentsFolder();

}  // namespace pelmora::platform
