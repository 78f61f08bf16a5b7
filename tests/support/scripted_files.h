// SPDX-License-Identifier: MIT
// The file-system port with the system's calls behind it, where a test can
// make a write or a rename fail, or act at the very step where another
// program might: right before a given file is written to or renamed. Link
// pelmora_platform.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "platform/file_io.h"
#include "ports/file_system.h"

namespace pelmora::test {

class ScriptedFileSystem final : public ports::FileSystem {
public:
    bool writeAll(int fd, std::string_view bytes) override {
        if (beforeWrite) beforeWrite(pathOf(fd));
        if (failWrite) {
            errno = EIO;
            return false;
        }
        return platform::SystemFileSystem().writeAll(fd, bytes);
    }
    int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (beforeRename) beforeRename(from, to);
        if (failRename && failRename(from, to)) return EIO;
        return platform::SystemFileSystem().renameNoReplace(from, to);
    }

    // Runs change once, right before the first rename of from (the rename
    // then goes ahead).
    void changeBeforeRenameOf(std::filesystem::path from, std::function<void()> change) {
        beforeRename = [from = std::move(from), change = std::move(change)](const auto& renamed,
                                                                            const auto&) mutable {
            if (renamed == from && change) std::exchange(change, {})();
        };
    }
    // Runs change once, right before the first write to a file whose name
    // ends with suffix.
    void changeBeforeWriteTo(std::string suffix, std::function<void()> change) {
        beforeWrite = [suffix = std::move(suffix), change = std::move(change)](const auto& written) mutable {
            if (written.native().ends_with(suffix) && change) std::exchange(change, {})();
        };
    }

    void changeAtFirstWrite(std::function<void()> change) { changeBeforeWriteTo("", std::move(change)); }

    bool failWrite = false;
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)> failRename;
    std::function<void(const std::filesystem::path& written)> beforeWrite;
    std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)> beforeRename;

private:
    static std::filesystem::path pathOf(int fd) {
        char target[PATH_MAX];
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
        return n > 0 ? std::filesystem::path(std::string(target, static_cast<std::size_t>(n)))
                     : std::filesystem::path();
    }
};

}  // namespace pelmora::test
