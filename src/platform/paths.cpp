// SPDX-License-Identifier: MIT
#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

namespace pelmora::platform {

namespace fs = std::filesystem;

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

// realpath(3) of path; nothing when it fails.
std::optional<fs::path> realPath(const fs::path& path) {
    std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.c_str(), nullptr));
    if (!resolved) return std::nullopt;
    return fs::path(resolved.get());
}

int openFolderAt(int dirFd, const char* name, FolderAccess access) {
    const int flags = (access == FolderAccess::List ? O_RDONLY : O_PATH) | O_DIRECTORY | O_CLOEXEC;
    int fd = -1;
    do {
        fd = ::openat(dirFd, name, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The magic numbers that <linux/magic.h> does not name.
constexpr unsigned long kConfigfsMagic = 0x62656570;
constexpr unsigned long kFusectlMagic = 0x65735543;
constexpr unsigned long kMqueueMagic = 0x19800202;

bool isPseudoType(unsigned long type) {
    switch (type) {
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
        case CGROUP_SUPER_MAGIC:
        case CGROUP2_SUPER_MAGIC:
        case DEBUGFS_MAGIC:
        case TRACEFS_MAGIC:
        case SECURITYFS_MAGIC:
        case PSTOREFS_MAGIC:
        case BPF_FS_MAGIC:
        case kConfigfsMagic:
        case kFusectlMagic:
        case kMqueueMagic:
        case HUGETLBFS_MAGIC:
        case DEVPTS_SUPER_MAGIC:
        case EFIVARFS_MAGIC:
        case SELINUX_MAGIC:
        case SMACK_MAGIC:
        case BINFMTFS_MAGIC:
        case NSFS_MAGIC:
        case RDTGROUP_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

// devtmpfs reports the magic number of tmpfs, where mail may well lie; only
// the mount table tells the two apart, by the device of the mount.
bool isDevtmpfs(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    while (std::getline(mounts, line)) {
        // "id parent major:minor root mount-point options [optional…] - type source options"
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        if (numbers != wanted) continue;
        const auto dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string type;
        tail >> type;
        return type == "devtmpfs";
    }
    return false;
}

}  // namespace

fs::path KernelPath(const fs::path& path, FinalLink last) {
    if (path.empty()) return path;
    const fs::path name = path.filename();
    if (last == FinalLink::Follow || name.empty() || name == "." || name == "..")
        return realPath(path).value_or(path);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const auto resolved = realPath(folder);
    if (!resolved) return path;
    return *resolved / name;
}

int OpenFolder(const std::string& path, FolderAccess access) {
    int fd = openFolderAt(AT_FDCWD, path.c_str(), access);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
    // Component by component: each name is short, only the whole is long.
    // The folders on the way need only be passed through.
    std::vector<std::string> components;
    for (std::size_t from = 0; from < path.size();) {
        std::size_t slash = path.find('/', from);
        if (slash == std::string::npos) slash = path.size();
        if (slash > from) components.push_back(path.substr(from, slash - from));
        from = slash + 1;
    }
    fd = openFolderAt(AT_FDCWD, path.starts_with('/') ? "/" : ".", FolderAccess::Anchor);
    for (std::size_t i = 0; fd >= 0 && i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        const int next = openFolderAt(fd, components[i].c_str(), last ? access : FolderAccess::Anchor);
        const int error = errno;
        ::close(fd);
        errno = error;
        fd = next;
    }
    return fd;
}

bool IsPseudoFileSystem(int folderFd) {
    struct statfs fileSystem {};
    if (::fstatfs(folderFd, &fileSystem) != 0) return false;
    const auto type = static_cast<unsigned long>(fileSystem.f_type);
    if (isPseudoType(type)) return true;
    struct stat info {};
    return type == TMPFS_MAGIC && ::fstat(folderFd, &info) == 0 && isDevtmpfs(info.st_dev);
}

std::optional<FolderStamp> StampOfFolder(const std::string& path) {
    struct stat folder {};
    if (::stat(path.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return std::nullopt;
    return FolderStamp{.device = folder.st_dev,
                       .inode = folder.st_ino,
                       .modifiedSeconds = folder.st_mtim.tv_sec,
                       .modifiedNanoseconds = folder.st_mtim.tv_nsec,
                       .links = folder.st_nlink,
                       .size = static_cast<std::uint64_t>(folder.st_size)};
}

bool HasSubfolder(const std::string& path, std::stop_token stop) {
    const int fd = OpenFolder(path, FolderAccess::List);
    if (fd < 0) return false;
    DIR* folder = ::fdopendir(fd);
    if (folder == nullptr) {
        ::close(fd);
        return false;
    }
    bool found = false;
    std::size_t looked = 0;
    while (!found) {
        // A folder of many thousand files takes a while: a caller that no
        // longer needs the answer is not kept waiting for it.
        if (++looked % 1024 == 0 && stop.stop_requested()) break;
        const dirent* entry = ::readdir(folder);
        if (entry == nullptr) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entry->d_type == DT_DIR) {
            found = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat target {};
            found = ::fstatat(::dirfd(folder), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
    }
    ::closedir(folder);
    return found;
}

}  // namespace pelmora::platform
