// SPDX-License-Identifier: MIT
// The file-system calls an operation must survive failing, as a port: the
// platform answers with the system's calls, and a test fake can fail one of
// them on demand without filling a disk or revoking a permission.
#pragma once

#include <filesystem>
#include <string_view>

namespace pelmora::ui {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Writes all of bytes to the open file fd; false with errno set on failure.
    virtual bool writeAll(int fd, std::string_view bytes) = 0;
    // Renames from to to unless to exists; 0 or an errno value.
    virtual int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
};

}  // namespace pelmora::ui
