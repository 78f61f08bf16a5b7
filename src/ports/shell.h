// SPDX-License-Identifier: MIT
// The desktop shell, one of the small interfaces through which the core talks
// to a window, a terminal or a test: the trash, opening files and links,
// starting programs.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "ports/file_system.h"

namespace pelmora::ports {

enum class TrashConfirmation { Ask, DoNotAsk };

struct TrashResult {
    // True when the user declined the confirmation question: nothing moved.
    bool refused = false;
    // One flag per path handed in, in the same order: the file reached the trash.
    std::vector<bool> moved;
    // One error per failed path, for a single report.
    std::vector<Error> failures;
    // Where each moved file now lies, in the order of the paths (empty where
    // unknown or not moved); lets a caller put a file back if a later step fails.
    std::vector<std::filesystem::path> locations;

    bool allMoved() const {
        if (refused) return false;
        for (bool m : moved)
            if (!m) return false;
        return true;
    }
};

class Shell {
public:
    virtual ~Shell() = default;
    // The shell's own question before count files go to the trash; true to
    // go ahead. A caller that asked it hands the files over without asking.
    virtual bool confirmTrash(std::size_t count) = 0;
    // Moves the files to the desktop's trash one by one. Where asRead holds
    // a known identity for a path (it may be shorter, or empty), that file
    // goes only while it is still the file that was read; one that changed
    // stays where it is and fails with an error of kind Changed.
    virtual TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                    TrashConfirmation confirmation,
                                    const std::vector<FileIdentity>& asRead) = 0;
    virtual bool openWithAssociation(const std::filesystem::path& file) = 0;
    // Opens a link of a message (http, https, mailto...) in the desktop's
    // program for it; false when none took it.
    virtual bool openUrl(const std::string& url) = 0;
    // Starts program with file as its only argument; no shell is involved.
    virtual bool startProgram(const std::string& program, const std::filesystem::path& file) = 0;
};

}  // namespace pelmora::ports
