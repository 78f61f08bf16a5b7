// SPDX-License-Identifier: MIT
// The file-system port with the system's calls, unless a test makes the
// write or the rename fail, or runs something while a file is written.
#pragma once

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/file_io.h"
#include "ports/file_system.h"

namespace pelmora::test {

class FailingFileSystem final : public ports::FileSystem {
public:
    bool writeAll(int fd, std::string_view bytes) override {
        if (duringWrite) std::exchange(duringWrite, {})();
        if (failWrite) {
            errno = EIO;
            return false;
        }
        return platform::SystemFileSystem().writeAll(fd, bytes);
    }
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return failRename ? EIO : platform::SystemFileSystem().renameNoReplace(from, to);
    }

    bool failWrite = false;
    bool failRename = false;
    std::function<void()> duringWrite;
};

}  // namespace pelmora::test
