// SPDX-License-Identifier: MIT
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace pelmora::platform {

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

namespace {

// Reads a regular file opened without blocking: all of it when it is at most
// limit bytes long (else TooLarge), or only its first limit bytes whatever
// its length when wholeFile is false.
std::expected<std::string, ReadRefusal> readRegular(const std::filesystem::path& file, std::size_t limit,
                                                    bool wholeFile) {
    int fd;
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::unexpected(errno == ENOENT ? ReadRefusal::Missing : ReadRefusal::Unreadable);
    struct stat info {};
    std::expected<std::string, ReadRefusal> content;
    if (::fstat(fd, &info) != 0) {
        content = std::unexpected(ReadRefusal::Unreadable);
    } else if (!S_ISREG(info.st_mode)) {
        content = std::unexpected(ReadRefusal::NotAFile);
    } else if (wholeFile && static_cast<std::uint64_t>(info.st_size) > limit) {
        content = std::unexpected(ReadRefusal::TooLarge);
    } else {
        char buffer[65536];
        for (;;) {
            const std::size_t want =
                wholeFile ? sizeof buffer : std::min(sizeof buffer, limit - content->size());
            if (want == 0) break;
            const ssize_t got = ::read(fd, buffer, want);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) content = std::unexpected(ReadRefusal::Unreadable);
            if (got <= 0) break;
            if (content->size() + static_cast<std::size_t>(got) > limit) {
                content = std::unexpected(ReadRefusal::TooLarge);
                break;
            }
            content->append(buffer, static_cast<std::size_t>(got));
        }
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return content;
}

}  // namespace

std::expected<std::string, ReadRefusal> ReadRegularFile(const std::filesystem::path& file,
                                                        std::size_t limit) {
    return readRegular(file, limit, true);
}

std::expected<std::string, ReadRefusal> ReadRegularFileStart(const std::filesystem::path& file,
                                                             std::size_t count) {
    return readRegular(file, count, false);
}

int CopyContents(int in, int out) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return 0;
        if (!WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return errno;
    }
}

int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // link() never replaces; a symbolic link is linked as itself.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return errno;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string HiddenNameBeside(const std::filesystem::path& target, std::string_view tag) {
    std::string name = "." + target.filename().native() + "." + std::string(tag);
    if (name.size() > NAME_MAX) name = "." + std::string(tag);
    return name;
}

namespace {

constexpr std::string_view kAccessControlList = "system.posix_acl_access";

// Fills out by asking get(buffer, size) for the size first and then the
// bytes, again while the answer grows between the two calls; 0 or an errno
// value (ENODATA: an attribute that has gone meanwhile).
template <typename Get>
int readGrowing(std::vector<char>& out, Get get) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0) return errno;
        out.resize(static_cast<std::size_t>(size));
        const ssize_t got = get(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return 0;
        }
        if (errno != ERANGE) return errno;
    }
    return ERANGE;
}

int readAttribute(int fd, const char* name, std::vector<char>& value) {
    return readGrowing(value,
                       [&](char* buffer, std::size_t size) { return ::fgetxattr(fd, name, buffer, size); });
}

// The names of the attributes of fd, each ended by NUL.
int listAttributes(int fd, std::vector<char>& names) {
    return readGrowing(names, [&](char* buffer, std::size_t size) { return ::flistxattr(fd, buffer, size); });
}

}  // namespace

int CopyExtendedAttributes(int from, int to) {
    std::vector<char> names;
    if (int error = listAttributes(from, names); error != 0)
        return error == ENOTSUP ? 0 : error;  // a file system without them
    bool hasAccessList = false;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string_view name(names.data() + at);
        at += name.size() + 1;
        const bool isAccessList = name == kAccessControlList;
        hasAccessList = hasAccessList || isAccessList;
        if (!name.starts_with("user.") && !isAccessList) continue;
        const std::string key(name);
        int error = readAttribute(from, key.c_str(), value);
        if (error == ENODATA) continue;
        if (error == 0 && ::fsetxattr(to, key.c_str(), value.data(), value.size(), 0) != 0) error = errno;
        if (error != 0) return error;
    }
    // A list the new file took from its folder's default is not the file's.
    if (!hasAccessList) ::fremovexattr(to, std::string(kAccessControlList).c_str());
    return 0;
}

void SyncFolderOf(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

namespace {

class PosixFileSystem final : public ports::FileSystem {
public:
    bool writeAll(int fd, std::string_view bytes) override { return WriteAll(fd, bytes); }
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return RenameNoReplace(from, to);
    }
};

}  // namespace

ports::FileSystem& SystemFileSystem() {
    static PosixFileSystem files;
    return files;
}

}  // namespace pelmora::platform
