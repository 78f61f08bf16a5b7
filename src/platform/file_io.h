// SPDX-License-Identifier: MIT
// Small POSIX file helpers for the operations that must never lose a file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "ui/file_system.h"

namespace pelmora::platform {

// Writes all of data, retrying short writes and interrupted calls. On false
// errno tells why.
bool WriteAll(int fd, std::string_view data);
// The whole content of a file; nullopt when it cannot be opened or read
// (also when it is a folder, where a stream would throw).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);
// Copies the rest of in to out; 0 or an errno value.
int CopyContents(int in, int out);
// Renames from to to, failing with EEXIST rather than replacing an existing
// to; 0 or an errno value. On file systems without an atomic no-replace
// rename the check and the rename are two steps.
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// Flushes the folder that holds path, so a rename in it survives a crash.
void SyncFolderOf(const std::filesystem::path& path);

// The file-system port answered by the calls above.
ui::FileSystem& SystemFileSystem();

}  // namespace pelmora::platform
