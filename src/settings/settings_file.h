// SPDX-License-Identifier: MIT
// The settings file: where it lives, moving it from where older versions
// kept it, reading it and replacing it safely.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>

#include "base/error.h"
#include "settings/settings.h"

namespace pelmora {

// $XDG_CONFIG_HOME (or ~/.config) + "/BRANTOLE/Pelmora/".
std::filesystem::path SettingsFolder();
// SettingsFolder() + "Pelmora.INI".
std::filesystem::path SettingsFilePath();
// Where older versions kept the file: the program's own path with ".INI".
std::filesystem::path FormerSettingsPath(const std::filesystem::path& programPath);

// Creates the settings folder, moves a file from the former location into it
// when it holds none, and removes the former file. Failures are silent: the
// program then runs on defaults. Returns SettingsFilePath().
std::filesystem::path LocateAndMigrate(const std::filesystem::path& programPath);
// The same with an explicit target, for tests and for callers that already
// know both paths.
void MigrateSettingsFile(const std::filesystem::path& former, const std::filesystem::path& target);

// Reads the file; a missing or unreadable file gives all defaults. Only a
// regular file of at most kSettingsFileLimit bytes is read (a FIFO would
// block every start, a link to /dev/zero would never end); for anything
// else but a missing file, *notice (when given) receives the display text
// that says the defaults are used.
inline constexpr std::size_t kSettingsFileLimit = 4 * 1024 * 1024;
Settings LoadSettings(const std::filesystem::path& file, std::string* notice = nullptr);

// Replaces the file atomically (temporary file in the same folder, flushed
// to disk, then renamed over it), so a crash never leaves a half-written
// file. An error of kind Write on failure.
std::expected<void, Error> SaveSettings(const Settings& settings, const std::filesystem::path& file);
// The warning for a failed save (display text): "<path> に書き込めません".
std::string SettingsSaveErrorText(const Error& error);

}  // namespace pelmora
