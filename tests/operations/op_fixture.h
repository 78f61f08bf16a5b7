// SPDX-License-Identifier: MIT
// A scratch mail folder with its own home trash ($XDG_DATA_HOME), and the
// helpers the operation tests share.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "catalogue/read_message.h"
#include "catalogue/scan.h"
#include "support/fake_ports.h"
#include "support/files.h"

namespace pelmora::test {

class MailFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        root = scratch.path();
        mail = root / "mail";
        std::filesystem::create_directories(mail);
        dataHome.emplace("XDG_DATA_HOME", (root / "data").string());
    }

    std::filesystem::path trashFiles() const { return root / "data" / "Trash" / "files"; }
    std::filesystem::path trashInfo() const { return root / "data" / "Trash" / "info"; }

    // A file in the mail folder with a fixed modification time.
    std::filesystem::path addMessage(const std::string& name, const std::string& bytes,
                                     time_t mtime = 1199149200 /* 2008-01-01 01:00 UTC */) {
        std::filesystem::path p = mail / name;
        WriteBytes(p, bytes);
        const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ::utimensat(AT_FDCWD, p.c_str(), times, 0);
        return p;
    }

    // The folder as the main window loads it: scanned, each entry read,
    // in file-name order so rows are predictable.
    void load() {
        list.clear();
        ScanFolder(nullptr, Subfolders::No, list, mail);
        std::sort(list.begin(), list.end(),
                  [](const auto& a, const auto& b) { return a->FileName < b->FileName; });
        ReaderContext context{lines, {}, prompts};
        for (std::size_t i = 0; i < list.size(); ++i) ReadMessage(list, i, context);
        view.rows = static_cast<int>(list.size());
    }

    int rowOf(const std::string& name) const {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (std::filesystem::path(list[i]->FileName).filename() == name) return static_cast<int>(i);
        return -1;
    }

    std::size_t trashCount() const {
        std::error_code ec;
        if (!std::filesystem::exists(trashFiles(), ec)) return 0;
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(trashFiles()), {}));
    }

    ScratchFolder scratch{"pelmora-ops"};
    std::optional<ScopedEnv> dataHome;
    std::filesystem::path root, mail;
    MsgList list;
    LineList lines;
    FakeListView view;
    FakeStatusBar status;
    FakePrompts prompts;
};

}  // namespace pelmora::test
