// SPDX-License-Identifier: MIT
// The freedesktop.org Trash, version 1.0: the home trash under
// $XDG_DATA_HOME/Trash and, for files on other volumes, the volume's
// $topdir/.Trash/$uid or $topdir/.Trash-$uid. Every file gets a .trashinfo
// with its original path and deletion date, so the desktop's file manager
// can put it back.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "platform/file_io.h"
#include "ports/file_system.h"
#include "ports/shell.h"

namespace pelmora::platform {

// Every function below that fails answers an Error of kind Trash: the file
// it was about, the errno value, and the step that failed as display text
// ("ごみ箱への移動"); every word a user reads is Japanese, only the
// system's reason is not ours.

// A trash folder: files/ and info/ below root.
struct TrashDirectory {
    std::filesystem::path root;
    // The volume's top folder for a volume trash, whose .trashinfo paths are
    // relative to it; empty for the home trash, whose paths are absolute.
    std::filesystem::path topDir;
};

// Where a trashed file went.
struct TrashedFile {
    std::filesystem::path file;  // below files/
    std::filesystem::path info;  // below info/
};

// $XDG_DATA_HOME/Trash.
TrashDirectory HomeTrash();

// Moves one file (or symbolic link) to the trash the freedesktop.org Trash
// rules pick for it: the home trash when the file lives on the home trash's
// device, else the volume's trash, else the home trash by copy. The file is
// either in the trash with its .trashinfo, or where it was.
// With a known asRead, a regular file goes only while it is still the file
// that was read: it is compared just before it moves, and what arrived is
// compared again, because another program may act between the two; a file
// that differs is put back where it was and the error is of kind Changed. A
// symbolic link holds no message of its own and goes as it is. The renames
// and the .trashinfo go through files.
std::expected<TrashedFile, Error> MoveToTrash(const std::filesystem::path& file,
                                              const ports::FileIdentity& asRead = {},
                                              ports::FileSystem& files = SystemFileSystem());

// Moves file into trash by renaming; both must be on one file system.
std::expected<TrashedFile, Error> TrashByRename(const std::filesystem::path& file,
                                                const TrashDirectory& trash,
                                                const ports::FileIdentity& asRead = {},
                                                ports::FileSystem& files = SystemFileSystem());
// Copies a regular file into trash, makes the copy durable, checks its size
// and only then removes the original, unless the original changed after it
// was copied (then the copy goes and the original stays). To remove it, the
// original is first renamed aside in its own folder and compared there, so
// that what goes is exactly what was copied.
std::expected<TrashedFile, Error> TrashByCopy(const std::filesystem::path& file, const TrashDirectory& trash,
                                              const ports::FileIdentity& asRead = {},
                                              ports::FileSystem& files = SystemFileSystem());

// Puts a trashed file back at original (which must not exist) and removes
// its .trashinfo. Used to undo a move that a later step could not complete.
std::expected<void, Error> RestoreFromTrash(const TrashedFile& trashed,
                                            const std::filesystem::path& original);

// The trash of the volume whose top folder is topDir, for user uid: .Trash/uid
// when .Trash is a real directory with the sticky bit, else .Trash-uid; each
// created (mode 0700) when missing. An error when neither can be used.
std::expected<TrashDirectory, Error> VolumeTrash(const std::filesystem::path& topDir, uid_t uid);

// The top folder of the mount that holds path: the last folder on the way
// up that is on the same device as path.
std::filesystem::path MountPointOf(const std::filesystem::path& path);

// The path as a URI path: bytes other than unreserved characters and "/"
// become %XX (upper-case hex).
std::string PercentEncodePath(std::string_view path);
// The whole .trashinfo file.
std::string TrashInfoText(std::string_view encodedPath, const std::tm& deletedLocal);
// The name tried at attempt n (1, 2, ...): "a.eml", "a.2.eml", "a.3.eml";
// a long stem is shortened so that the name plus ".trashinfo" still fits
// in one folder entry.
std::string TrashedName(std::string_view name, int attempt);

// Moves each path to the trash on its own, for the shell ports: one flag per
// path, one error per failure, and where each moved file went. asRead as
// the shell port takes it.
ports::TrashResult TrashEach(const std::vector<std::filesystem::path>& paths,
                             const std::vector<ports::FileIdentity>& asRead = {},
                             ports::FileSystem& files = SystemFileSystem());

}  // namespace pelmora::platform
