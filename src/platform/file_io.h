// SPDX-License-Identifier: MIT
// Small POSIX file helpers for the operations that must never lose a file.
#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

#include "ports/file_system.h"

namespace pelmora::platform {

// Writes all of data, retrying short writes and interrupted calls. On false
// errno tells why.
bool WriteAll(int fd, std::string_view data);
// Why ReadRegularFile read nothing.
enum class ReadRefusal {
    Missing,     // nothing at that path
    NotAFile,    // a folder, FIFO, device or socket
    TooLarge,    // more bytes than the limit
    Unreadable,  // the system refused (errno tells why)
};
// The bytes of a regular file of at most limit bytes. It is opened without
// blocking, so that a FIFO in its place is turned away at once, and only a
// regular file is read, so that a link to /dev/zero is never read; the
// limit counts the bytes read, so a file that grows meanwhile is refused too.
std::expected<std::string, ReadRefusal> ReadRegularFile(const std::filesystem::path& file, std::size_t limit);
// The first count bytes of a regular file of any length (all of a shorter
// one), opened and checked as ReadRegularFile does: enough to tell what a
// file holds without reading it whole.
std::expected<std::string, ReadRefusal> ReadRegularFileStart(const std::filesystem::path& file,
                                                             std::size_t count);
// Copies the rest of in to out; 0 or an errno value.
int CopyContents(int in, int out);
// Renames from to to, failing with EEXIST rather than replacing an existing
// to; 0 or an errno value. On file systems without an atomic no-replace
// rename, a hard link to the new name (which fails when the name is taken)
// and the removal of the old one; only where neither exists are the check
// and the rename two steps.
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// The name of a hidden file beside target that belongs to it: ".<name>.<tag>",
// or ".<tag>" alone when that would pass the longest name a folder entry
// may have.
std::string HiddenNameBeside(const std::filesystem::path& target, std::string_view tag);
// Gives the open file `to` those extended attributes of the open file
// `from` that belong to the user: the user's own (user.*, such as the tags a file
// manager keeps) and the access control list, which is part of the file's
// permissions. Those of the system (security.*, trusted.*) are the system's
// to set. 0, or the errno value of one that could not be copied.
int CopyExtendedAttributes(int from, int to);
// Flushes the folder that holds path, so a rename in it survives a crash.
void SyncFolderOf(const std::filesystem::path& path);

// The file-system port answered by the calls above.
ports::FileSystem& SystemFileSystem();

}  // namespace pelmora::platform
