// SPDX-License-Identifier: MIT
#include "operations/strip_temporary.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/replace_file.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTag = ".pelmora-";
constexpr std::size_t kRandomLength = 6;  // the XXXXXX that mkostemp replaces

}  // namespace

bool IsStripTemporaryName(std::string_view name) {
    if (name.size() < kTag.size() + kRandomLength || name.front() != '.') return false;
    const std::string_view random = name.substr(name.size() - kRandomLength);
    for (char c : random)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    const std::string_view rest = name.substr(0, name.size() - kRandomLength);
    // ".pelmora-XXXXXX", or ".<name>.pelmora-XXXXXX" with a name of its own.
    return rest == kTag || (rest.ends_with(kTag) && rest.size() > kTag.size() + 1);
}

int RemoveLeftoverTemporaries(const fs::path& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return 0;
    const int dirFd = ::dirfd(dir.get());
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!IsStripTemporaryName(entry->d_name)) continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {};
        // A rewrite still running keeps its file locked; a killed one's
        // lock went with it.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && platform::NameLeadsTo(dirFd, entry->d_name, fd) &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

}  // namespace pelmora
