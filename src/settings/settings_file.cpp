// SPDX-License-Identifier: MIT
// Where the settings file lives, and reading and replacing it on disk.

#include "settings/settings_file.h"

#include <cerrno>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/file_io.h"
#include "platform/replace_file.h"
#include "platform/xdg.h"
#include "settings/settings.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

// Replaced whole, so that the file holds either the old or the new content
// whatever happens meanwhile; a symbolic link is followed, not replaced.
std::expected<void, Error> replaceWhole(const fs::path& target, std::string_view content) {
    return platform::ReplaceFile(target,
                                 {.link = platform::LinkAtName::Follow,
                                  .temporaryTag = "XXXXXX",
                                  .hiddenTemporary = false,
                                  .newFileMode = 0600},
                                 content, platform::SystemFileSystem());
}

}  // namespace

fs::path SettingsFolder() {
    return platform::XdgConfigHome() / "BRANTOLE" / "Pelmora" / "";
}

fs::path SettingsFilePath() {
    return SettingsFolder() / "Pelmora.INI";
}

fs::path FormerSettingsPath(const fs::path& programPath) {
    fs::path former = programPath;
    former.replace_extension(".INI");
    return former;
}

void MigrateSettingsFile(const fs::path& former, const fs::path& target) {
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (!fs::exists(former, error)) return;
    // A program kept in the settings folder itself has its former file in
    // the new place; removing it would remove the settings.
    if (fs::equivalent(former, target, error)) return;
    // Read as the settings file itself is read: a FIFO or a link to a
    // device in the former place must not hold up or swamp the start.
    if (!fs::exists(target, error)) {
        if (auto content = platform::ReadRegularFile(former, kSettingsFileLimit))
            (void)replaceWhole(target, *content);
    }
    // The former file goes only once its values are safe in the new place;
    // otherwise a failed copy would lose them.
    if (fs::exists(target, error)) fs::remove(former, error);
}

fs::path LocateAndMigrate(const fs::path& programPath) {
    fs::path target = SettingsFilePath();
    MigrateSettingsFile(FormerSettingsPath(programPath), target);
    return target;
}

namespace {

using platform::ReadRefusal;

std::string problemText(const fs::path& file, ReadRefusal problem) {
    const std::string_view why = problem == ReadRefusal::NotAFile   ? text::kSettingsNotAFileSuffix
                                 : problem == ReadRefusal::TooLarge ? text::kSettingsTooLargeSuffix
                                                                    : text::kSettingsUnreadableSuffix;
    return text::SettingsNotRead(file.native(), why);
}

}  // namespace

Settings LoadSettings(const fs::path& file, std::string* notice) {
    auto content = platform::ReadRegularFile(file, kSettingsFileLimit);
    if (content) return ParseSettings(*content);
    if (notice != nullptr && content.error() != ReadRefusal::Missing)
        *notice = problemText(file, content.error());
    return Settings{};
}

std::string SettingsSaveErrorText(const Error& error) {
    return text::CannotWrite(error.path.native());
}

std::expected<void, Error> SaveSettings(const Settings& settings, const fs::path& file) {
    // The folder came into being at start-up; should it have gone since,
    // the values are still worth keeping.
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    std::ostringstream out;
    WriteSettings(out, settings, platform::ReadRegularFile(file, kSettingsFileLimit).value_or(std::string()));
    return replaceWhole(file, out.str());
}

}  // namespace pelmora
