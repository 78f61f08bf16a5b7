// SPDX-License-Identifier: MIT
// Paths as the kernel resolves them, folders opened however deep they lie,
// and the file systems that a walk through folders should not enter.
#pragma once

#include <filesystem>
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

}  // namespace pelmora::platform
