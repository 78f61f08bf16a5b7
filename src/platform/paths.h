// SPDX-License-Identifier: MIT
// Paths as the kernel resolves them, folders opened however deep they lie,
// and the file systems that a walk through folders should not enter.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

namespace pelmora::platform {

enum class FinalLink { Keep, Follow };

// The path the kernel reaches for path, worked out once so that every later
// step names the same file: absolute, with the links, "." and ".." of its
// folder part resolved one after another as realpath does, so "a/link/.."
// is the folder above the link's target and not "a" (as a lexical
// normalisation would have it). The last component stays as written (a
// link to a message is still the link) unless it is "." or ".." or
// FinalLink::Follow asks for its target. When the folder part cannot be
// resolved (it does not exist) the path comes back as it was given.
std::filesystem::path KernelPath(const std::filesystem::path& path, FinalLink last);

// List: to read its entries. Anchor: only to open what lies in it (O_PATH),
// which needs no read permission on the folder.
enum class FolderAccess { List, Anchor };

// Opens the folder at path, following links. A path longer than PATH_MAX,
// which the kernel refuses whole, is opened one component at a time, each
// relative to the one before. The descriptor, or -1 with errno set.
int OpenFolder(const std::string& path, FolderAccess access = FolderAccess::List);

// True when the open folder lies on a file system through which the kernel
// shows itself (proc, sysfs, devtmpfs, cgroup, debugfs, tracefs,
// securityfs, pstore, bpf, configfs, fusectl, mqueue, hugetlbfs and their
// kin). They hold no mail, and walking them reaches the whole machine again
// (/proc/self/root) or takes a very long time.
bool IsPseudoFileSystem(int folderFd);

// What a folder's own entry says about its entries, to tell whether they
// changed since it was last looked at: an entry added, removed or renamed
// changes the folder's modification time.
struct FolderStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t links = 0;
    std::uint64_t size = 0;
    bool operator==(const FolderStamp&) const = default;
};

// The folder at path (links followed), or nullopt when it cannot be looked at.
std::optional<FolderStamp> StampOfFolder(const std::string& path);

// The folder holds at least one subfolder, without reading its entries:
// where a folder's link count is two plus its subfolders (ext4, XFS, tmpfs
// and most other file systems) a count above two proves one. Links to
// folders are not counted there, and a file system that keeps no such
// count (btrfs) says nothing this way.
inline bool LinksShowASubfolder(const FolderStamp& folder) {
    return folder.links > 2;
}

// Whether the folder at path holds a folder or a link to one, hidden ones
// too, reading its entries until the first is found; false when it cannot
// be read, or when stop was asked for before one was found.
bool HasSubfolder(const std::string& path, std::stop_token stop = {});

}  // namespace pelmora::platform
