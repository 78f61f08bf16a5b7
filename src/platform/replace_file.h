// SPDX-License-Identifier: MIT
// Putting new content in the place of a file so that the file is never
// half written: the content goes to a temporary file beside it, is made
// durable, and only then takes the file's name. A failure before that
// leaves the file as it was and removes the temporary file. Every write and
// every rename that keeps the name free goes through the file-system port.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "base/error.h"
#include "ports/file_system.h"

namespace pelmora::platform {

// What a symbolic link at the file's name means.
enum class LinkAtName {
    Follow,   // the file it points at is replaced; the link stays
    Replace,  // the link is replaced, never written through
    Refuse,   // nothing is written: an error of kind Content, code ELOOP
};

// How the new file takes the name.
enum class Placement {
    Replace,    // whatever is at the name goes
    NoReplace,  // only while the name is free; else an error of kind Write, code EEXIST
    // The old file goes to the trash first (ReplaceOptions::trashOld), then
    // the new one takes the name only while it is free; when it cannot, the
    // old file is put back from the trash.
    AfterTrashingOld,
};

// The file the new content was made from, as it was read.
struct FileAsRead {
    struct stat info {};
    int fd = -1;  // still open; -1 when it is not
};

struct ReplaceOptions {
    LinkAtName link = LinkAtName::Replace;
    Placement placement = Placement::Replace;
    // The temporary file: ".<name>.<tag>" (or ".<tag>" for a long name),
    // or "<name>.<tag>" when it need not be hidden; the tag ends in XXXXXX.
    // It is locked (flock) while it is open, so that a clean-up elsewhere
    // can tell it is in use.
    std::string_view temporaryTag{};
    bool hiddenTemporary = true;
    // The permissions of a new file where no regular file was at the name;
    // nullopt: what the umask leaves of rw-rw-rw-. A regular file that is
    // replaced keeps its own.
    std::optional<mode_t> newFileMode{};
    // The new content was made from this file: it takes that file's
    // permissions (and owner, where they may be given), and the name only
    // while the file there and the open one are both unchanged since
    // (else an error of kind Changed).
    std::optional<FileAsRead> asRead{};
    // With asRead: access and modification time become its modification
    // time, and its extended attributes of the user's are copied.
    bool keepTimes = false;
    bool keepExtendedAttributes = false;
    // AfterTrashingOld: moves the old file to the trash and answers where it
    // went (empty when it cannot say), or why it stayed.
    std::function<std::expected<std::filesystem::path, Error>()> trashOld{};
};

// Writes the new content through write, which answers false (errno set)
// when the bytes could not be written; an error it answers ends the
// replacement and is answered as it is.
using WriteContent =
    std::function<std::expected<void, Error>(const std::function<bool(std::string_view bytes)>& write)>;

struct ReplaceFailure {
    // Of kind Write (with the errno value) when writing or renaming failed
    // and the old file is where it was (or back there), Changed, Content
    // for a refused link, or what write or trashOld answered.
    Error error{};
    // When the new file could not take the name and the old one could not
    // be put back: where each of them is (the old one's place may be unknown).
    std::filesystem::path newContent{};
    std::filesystem::path trashedOld{};
};

// Replaces file with what write writes; on success, the new file as it
// is now at the name (its size and identity).
std::expected<struct stat, ReplaceFailure> ReplaceFile(const std::filesystem::path& file,
                                                       const ReplaceOptions& options,
                                                       const WriteContent& write, ports::FileSystem& files);
// The same with the content in memory.
std::expected<void, Error> ReplaceFile(const std::filesystem::path& file, const ReplaceOptions& options,
                                       std::string_view content, ports::FileSystem& files);

// The name in the folder dirFd still leads to the open file fd.
bool NameLeadsTo(int dirFd, const char* name, int fd);

}  // namespace pelmora::platform
