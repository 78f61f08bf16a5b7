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

}  // namespace pelmora::platform
