// SPDX-License-Identifier: MIT
// Where the settings file lives, and reading and replacing it on disk.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <system_error>

#include "decode/cp932.h"
#include "settings/settings.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::optional<std::string> readWholeFile(const fs::path& file) {
    // POSIX reads: a stream throws when the path turns out to be a folder.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ::close(fd);
            return got == 0 ? std::optional<std::string>(std::move(content)) : std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes content to a new file beside target, flushes it to disk and renames
// it over target, so that target holds either the old or the new content
// whatever happens meanwhile. A symbolic link is followed, not replaced.
bool replaceFileAtomically(const fs::path& target, std::string_view content) {
    std::error_code error;
    fs::path file = target;
    if (fs::is_symlink(target, error)) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error)
            file = resolved;
    }
    struct stat old {};
    mode_t mode = ::stat(file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;

    std::string temporary = file.native() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace

fs::path SettingsFolder() {
    fs::path base;
    // XDG folders given as relative paths are to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        base = config;
    else
        base = homeFolder() / ".config";
    return base / "BRANTOLE" / "Pelmora" / "";
}

fs::path SettingsFilePath() { return SettingsFolder() / "Pelmora.INI"; }

fs::path FormerSettingsPath(const fs::path& programPath) {
    fs::path former = programPath;
    former.replace_extension(".INI");
    return former;
}

void MigrateSettingsFile(const fs::path& former, const fs::path& target) {
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (!fs::exists(former, error))
        return;
    // A program kept in the settings folder itself has its former file in
    // the new place; removing it would remove the settings.
    if (fs::equivalent(former, target, error))
        return;
    if (!fs::exists(target, error)) {
        if (auto content = readWholeFile(former))
            replaceFileAtomically(target, *content);
    }
    // The former file goes only once its values are safe in the new place;
    // otherwise a failed copy would lose them.
    if (fs::exists(target, error))
        fs::remove(former, error);
}

fs::path LocateAndMigrate(const fs::path& programPath) {
    fs::path target = SettingsFilePath();
    MigrateSettingsFile(FormerSettingsPath(programPath), target);
    return target;
}

Settings LoadSettings(const fs::path& file) {
    std::optional<std::string> content = readWholeFile(file);
    return content ? ParseSettings(*content) : Settings{};
}

std::expected<void, std::string> SaveSettings(const Settings& settings, const fs::path& file) {
    // The folder came into being at start-up; should it have gone since,
    // the values are still worth keeping.
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    std::ostringstream out;
    WriteSettings(out, settings, readWholeFile(file).value_or(std::string()));
    if (!replaceFileAtomically(file, out.str()))
        return std::unexpected(Utf8ToCp932(file.native()) + " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1");
    return {};
}

}  // namespace pelmora
