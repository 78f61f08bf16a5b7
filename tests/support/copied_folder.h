// SPDX-License-Identifier: MIT
// A temporary folder large enough to be read on several threads, made of
// copies of the message files of other folders.
#pragma once

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "files.h"

namespace pelmora::test {

class CopiedMessageFolder {
public:
    // The files of `sources` (their subfolders included), in turn, until at
    // least `count` copies are made; round r goes to subfolder "r<r % spread>"
    // when spread is above 1, else to the folder itself.
    CopiedMessageFolder(std::initializer_list<std::filesystem::path> sources, std::size_t count,
                        int spread = 1) {
        namespace fs = std::filesystem;
        const std::vector<fs::path> from(sources);
        std::size_t copies = 0;
        for (int round = 0; copies < count; ++round) {
            const fs::path target = spread > 1 ? m_path / ("r" + std::to_string(round % spread)) : m_path;
            fs::create_directories(target);
            for (const fs::path& source : from)
                for (const auto& file : fs::recursive_directory_iterator(source)) {
                    if (!file.is_regular_file()) continue;
                    fs::copy_file(file.path(),
                                  target / (std::to_string(round) + "-" + file.path().filename().string()));
                    ++copies;
                }
        }
    }
    CopiedMessageFolder(const CopiedMessageFolder&) = delete;
    CopiedMessageFolder& operator=(const CopiedMessageFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    ScratchFolder m_scratch{"pelmora-copies"};
    const std::filesystem::path& m_path = m_scratch.path();
};

}  // namespace pelmora::test
