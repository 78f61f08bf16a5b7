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

#include "platform/file_io.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTag = ".pelmora-";
constexpr std::size_t kRandomLength = 6;  // the XXXXXX that mkostemp replaces

// The name still leads to the open file fd.
bool stillNamed(int dirFd, const char* name, int fd) {
    struct stat named {};
    struct stat opened {};
    return ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &opened) == 0 &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

}  // namespace

std::expected<StripTemporary, int> CreateStripTemporary(const fs::path& target) {
    const std::string name = platform::HiddenNameBeside(target, "pelmora-XXXXXX");
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    // A clean-up running in another process may take the file between its
    // creation and its lock; then it is made again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string pattern = (folder / name).native();
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return std::unexpected(errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(AT_FDCWD, pattern.c_str(), fd))
            return StripTemporary{fd, fs::path(pattern)};
        ::close(fd);
    }
    return std::unexpected(EAGAIN);
}

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
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(dirFd, entry->d_name, fd) &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

}  // namespace pelmora
