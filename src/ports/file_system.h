// SPDX-License-Identifier: MIT
// The file-system calls an operation must survive failing, as a port: the
// platform answers with the system's calls, and a test fake can fail one of
// them on demand without filling a disk or revoking a permission, or change
// a file at the very step where another program might, without timing.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace pelmora::ports {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Writes all of bytes to the open file fd; false with errno set on failure.
    virtual bool writeAll(int fd, std::string_view bytes) = 0;
    // Renames from to to unless to exists; 0 or an errno value.
    virtual int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

// What a file was when it was read, as far as the file system tells: which
// file (device and inode), and whether it was written to since (size and
// modification time, and the change time, which every write moves even when
// it puts size and modification time back). An inode of 0 means unknown.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::uint64_t modified = 0;  // 100-ns units since 1601-01-01 UTC, as TMsgItem::FileTime
    std::int64_t changed = 0;    // nanoseconds since 1970-01-01 UTC

    bool known() const { return inode != 0; }
};

// The modification time in the units of FileIdentity::modified (0 before 1601).
inline std::uint64_t FileTimeOf(const struct timespec& time) {
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + 11644473600;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * 10'000'000 + static_cast<std::uint64_t>(time.tv_nsec / 100);
}

inline std::int64_t NanosecondsOf(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

inline FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size), FileTimeOf(info.st_mtim), NanosecondsOf(info.st_ctim)};
}

// now is still the file that was read, unchanged.
inline bool StillAsRead(const FileIdentity& read, const struct stat& now) {
    const FileIdentity current = IdentityOf(now);
    return read.device == current.device && read.inode == current.inode && read.size == current.size &&
           read.modified == current.modified && read.changed == current.changed;
}

// after is the file before was, unchanged, once it has been renamed or
// linked: those move the change time, so it cannot take part.
inline bool SameFileMoved(const struct stat& before, const struct stat& after) {
    return before.st_dev == after.st_dev && before.st_ino == after.st_ino &&
           before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec;
}

// now is still the file read was, neither written to nor replaced: a write
// moves the change time even when it keeps size and modification time.
inline bool UnchangedSince(const struct stat& read, const struct stat& now) {
    return SameFileMoved(read, now) && read.st_ctim.tv_sec == now.st_ctim.tv_sec &&
           read.st_ctim.tv_nsec == now.st_ctim.tv_nsec;
}

}  // namespace pelmora::ports
