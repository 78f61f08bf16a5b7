// SPDX-License-Identifier: MIT
#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/file_io.h"
#include "platform/trash.h"

namespace pelmora::platform {

namespace fs = std::filesystem;

bool NameLeadsTo(int dirFd, const char* name, int fd) {
    struct stat named {};
    struct stat opened {};
    return ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &opened) == 0 &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

namespace {

struct Temporary {
    int fd = -1;
    fs::path path;
};

std::expected<Temporary, int> createTemporary(const fs::path& file, const ReplaceOptions& options) {
    const std::string tag(options.temporaryTag);
    const std::string name =
        options.hiddenTemporary ? HiddenNameBeside(file, tag) : file.filename().native() + "." + tag;
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    // A clean-up running in another process may take the file between its
    // creation and its lock; then it is made again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string pattern = (folder / name).native();
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return std::unexpected(errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && NameLeadsTo(AT_FDCWD, pattern.c_str(), fd))
            return Temporary{fd, fs::path(pattern)};
        ::close(fd);
    }
    return std::unexpected(EAGAIN);
}

fs::path followed(const fs::path& target) {
    std::error_code error;
    if (!fs::is_symlink(target, error)) return target;
    fs::path resolved = fs::weakly_canonical(target, error);
    return error ? target : resolved;
}

// The process's umask. Asking umask() means setting it for a moment, and
// a file another thread creates in that moment would get every permission:
// the kernel tells it in /proc (Linux 4.7 on), and only without that is it
// asked the old way.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:")) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Gives the written temporary file what the file it replaces had, and
// makes it durable; 0 or an errno value.
int takeOver(int fd, const fs::path& file, const ReplaceOptions& options) {
    if (!options.asRead) {
        struct stat old {};
        mode_t mode = 0;
        if (::lstat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            mode = old.st_mode & 07777;
        } else if (options.newFileMode) {
            mode = *options.newFileMode;
        } else {
            mode = 0666 & ~currentUmask();
        }
        if (::fchmod(fd, mode) != 0) return errno;
    } else {
        const struct stat& read = options.asRead->info;
        // The owner only where it may be changed; the permissions as well as
        // the file system keeps them, so that the file stays as private as
        // it was.
        if (::geteuid() == 0) (void)::fchown(fd, read.st_uid, read.st_gid);
        ::fchmod(fd, read.st_mode & 07777);
        if (options.keepExtendedAttributes)
            if (int error = CopyExtendedAttributes(options.asRead->fd, fd); error != 0) return error;
        const struct timespec times[2] = {read.st_mtim, read.st_mtim};
        if (options.keepTimes && ::futimens(fd, times) != 0) return errno;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

// The file at the name and the open one are still the file as it was read.
bool stillAsRead(const fs::path& file, const FileAsRead& read) {
    struct stat opened {};
    struct stat atName {};
    return (read.fd < 0 || (::fstat(read.fd, &opened) == 0 && ports::UnchangedSince(read.info, opened))) &&
           ::lstat(file.c_str(), &atName) == 0 && ports::UnchangedSince(read.info, atName);
}

bool restored(const fs::path& trashed, const fs::path& file) {
    if (trashed.empty()) return false;
    const fs::path info =
        trashed.parent_path().parent_path() / "info" / (trashed.filename().native() + ".trashinfo");
    return RestoreFromTrash({trashed, info}, file).has_value();
}

}  // namespace

std::expected<struct stat, ReplaceFailure> ReplaceFile(const fs::path& target, const ReplaceOptions& options,
                                                       const WriteContent& write, ports::FileSystem& files) {
    const fs::path file = options.link == LinkAtName::Follow ? followed(target) : target;
    auto failure = [&target](ErrorKind kind, int code) {
        return std::unexpected(ReplaceFailure{.error = MakeError(kind, target, code)});
    };
    struct stat named {};
    if (options.link == LinkAtName::Refuse && ::lstat(file.c_str(), &named) == 0 && S_ISLNK(named.st_mode))
        return failure(ErrorKind::Content, ELOOP);

    auto temporary = createTemporary(file, options);
    if (!temporary) return failure(ErrorKind::Write, temporary.error());
    const Temporary made = *temporary;
    auto discard = [&made, &target](Error error) {
        ::unlink(made.path.c_str());
        ::close(made.fd);
        if (error.path.empty()) error.path = target;
        return std::unexpected(ReplaceFailure{.error = std::move(error)});
    };
    std::uint64_t written = 0;
    auto wrote = write([&](std::string_view bytes) {
        written += bytes.size();
        return files.writeAll(made.fd, bytes);
    });
    if (!wrote) return discard(wrote.error());
    if (int error = takeOver(made.fd, file, options); error != 0)
        return discard(MakeError(ErrorKind::Write, target, error));
    // Someone changed or replaced the file while it was read: theirs stays.
    if (options.asRead && !stillAsRead(file, *options.asRead))
        return discard(MakeError(ErrorKind::Changed, target, 0));

    fs::path trashed;
    if (options.placement == Placement::AfterTrashingOld) {
        auto moved = options.trashOld();
        if (!moved) return discard(moved.error());
        trashed = *moved;
    }
    const int error = options.placement != Placement::Replace ? files.renameNoReplace(made.path, file)
                      : ::rename(made.path.c_str(), file.c_str()) == 0 ? 0
                                                                       : errno;
    if (error != 0) {
        if (options.placement != Placement::AfterTrashingOld || restored(trashed, file))
            return discard(MakeError(ErrorKind::Write, target, error));
        ::close(made.fd);
        return std::unexpected(
            ReplaceFailure{MakeError(ErrorKind::Write, target, error), made.path, trashed});
    }
    SyncFolderOf(file);
    struct stat now {};
    if (::fstat(made.fd, &now) != 0) now.st_size = static_cast<off_t>(written);
    ::close(made.fd);
    return now;
}

std::expected<void, Error> ReplaceFile(const fs::path& file, const ReplaceOptions& options,
                                       std::string_view content, ports::FileSystem& files) {
    auto replaced = ReplaceFile(
        file, options,
        [content](const auto& write) -> std::expected<void, Error> {
            if (!write(content)) return std::unexpected(MakeError(ErrorKind::Write, {}, errno));
            return {};
        },
        files);
    if (!replaced) return std::unexpected(replaced.error().error);
    return {};
}

}  // namespace pelmora::platform
