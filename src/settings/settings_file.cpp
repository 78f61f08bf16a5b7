// SPDX-License-Identifier: MIT
// Where the settings file lives, and reading and replacing it on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/file_io.h"
#include "platform/xdg.h"
#include "settings/settings.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

// Writes content to a new file beside target, flushes it to disk and renames
// it over target, so that target holds either the old or the new content
// whatever happens meanwhile. A symbolic link is followed, not replaced.
// 0 or an errno value.
int replaceFileAtomically(const fs::path& target, std::string_view content) {
    std::error_code error;
    fs::path file = target;
    if (fs::is_symlink(target, error)) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) file = resolved;
    }
    struct stat old {};
    mode_t mode = ::stat(file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;

    std::string temporary = file.native() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return errno;
    int failure =
        (::fchmod(fd, mode) == 0 && platform::WriteAll(fd, content) && ::fsync(fd) == 0) ? 0 : errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        return failure;
    }
    // The rename itself reaches the disk with the folder.
    fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
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
            replaceFileAtomically(target, *content);
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
    if (int failure = replaceFileAtomically(file, out.str()); failure != 0)
        return std::unexpected(MakeError(ErrorKind::Write, file, failure));
    return {};
}

}  // namespace pelmora
