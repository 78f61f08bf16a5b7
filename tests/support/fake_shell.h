// SPDX-License-Identifier: MIT
// A Shell that records each request and answers as the test scripts it.
// By default it touches no file: every existing path counts as moved though
// it stays where it is. That suits the delete command; attachment removal
// needs the old file really gone before the new one takes its name, so a
// test of it hands trashImpl = RealTrash() (link pelmora_platform) with
// XDG_DATA_HOME pointing into its scratch folder.
#pragma once

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/trash.h"
#include "ports/file_system.h"
#include "ports/shell.h"

namespace pelmora::test {

class FakeShell : public ports::Shell {
public:
    struct TrashCall {
        std::vector<std::filesystem::path> paths;
        ports::TrashConfirmation confirmation;
        std::vector<ports::FileIdentity> asRead;
    };
    using TrashImpl = std::function<ports::TrashResult(const std::vector<std::filesystem::path>&,
                                                       const std::vector<ports::FileIdentity>&)>;
    struct StartCall {
        std::string program;
        std::filesystem::path file;
    };

    bool confirmTrash(std::size_t count) override {
        questions.push_back(count);
        return !refuseConfirmation;
    }
    ports::TrashResult moveToTrash(const std::vector<std::filesystem::path>& paths,
                                   ports::TrashConfirmation confirmation,
                                   const std::vector<ports::FileIdentity>& asRead) override {
        trashCalls.push_back({paths, confirmation, asRead});
        ports::TrashResult result;
        if (confirmation == ports::TrashConfirmation::Ask && refuseConfirmation) {
            result.refused = true;
            result.moved.assign(paths.size(), false);
            result.locations.assign(paths.size(), {});
            return result;
        }
        std::vector<std::filesystem::path> handed;
        std::vector<ports::FileIdentity> handedAsRead;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (failPaths.contains(paths[i])) continue;
            handed.push_back(paths[i]);
            handedAsRead.push_back(i < asRead.size() ? asRead[i] : ports::FileIdentity{});
        }
        ports::TrashResult inner = trashImpl ? trashImpl(handed, handedAsRead) : pretend(handed);
        std::size_t next = 0;
        for (const auto& p : paths) {
            if (failPaths.contains(p)) {
                result.moved.push_back(false);
                result.locations.emplace_back();
                result.failures.push_back(MakeError(ErrorKind::Trash, p, EIO));
                continue;
            }
            result.moved.push_back(inner.moved.at(next));
            result.locations.push_back(next < inner.locations.size() ? inner.locations[next]
                                                                     : std::filesystem::path());
            ++next;
        }
        for (auto& failure : inner.failures) result.failures.push_back(failure);
        return result;
    }
    bool openWithAssociation(const std::filesystem::path& file) override {
        opened.push_back(file);
        return openSucceeds;
    }
    bool openUrl(const std::string& url) override {
        openedUrls.push_back(url);
        return openSucceeds;
    }
    bool startProgram(const std::string& program, const std::filesystem::path& file) override {
        started.push_back({program, file});
        return startSucceeds;
    }

    // Scripted behaviour.
    bool refuseConfirmation = false;            // answer No when asked
    std::set<std::filesystem::path> failPaths;  // reported as not moved, untouched
    TrashImpl trashImpl;
    bool openSucceeds = true;
    bool startSucceeds = true;

    // Every path handed to moveToTrash, call after call.
    std::vector<std::filesystem::path> handedPaths() const {
        std::vector<std::filesystem::path> all;
        for (const TrashCall& call : trashCalls) all.insert(all.end(), call.paths.begin(), call.paths.end());
        return all;
    }

    // Recorded calls.
    std::vector<std::size_t> questions;  // the counts of the trash questions asked
    std::vector<TrashCall> trashCalls;
    std::vector<std::filesystem::path> opened;
    std::vector<std::string> openedUrls;
    std::vector<StartCall> started;

private:
    static ports::TrashResult pretend(const std::vector<std::filesystem::path>& paths) {
        ports::TrashResult r;
        for (const auto& p : paths) {
            bool exists = std::filesystem::exists(p);
            r.moved.push_back(exists);
            r.locations.emplace_back();
            if (!exists) r.failures.push_back(MakeError(ErrorKind::Trash, p, ENOENT));
        }
        return r;
    }
};

// The desktop's trash behind a FakeShell, through files (the system's calls
// unless a test fails one or changes a file at that step).
inline FakeShell::TrashImpl RealTrash(ports::FileSystem& files = platform::SystemFileSystem()) {
    return [&files](const std::vector<std::filesystem::path>& paths,
                    const std::vector<ports::FileIdentity>& asRead) {
        return platform::TrashEach(paths, asRead, files);
    };
}

}  // namespace pelmora::test
