// SPDX-License-Identifier: MIT
#include "catalogue/scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <set>

#include "catalogue/read_message.h"
#include "catalogue_test_support.h"
#include "decode/japanese.h"
#include "message/format.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    const fs::path& path() const { return m_path; }
    fs::path file(const fs::path& relative, std::size_t size = 10) const {
        fs::path p = m_path / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
        return p;
    }

private:
    test::ScratchFolder m_scratch{"pelmora-scan"};
    const fs::path& m_path = m_scratch.path();
};

std::vector<std::string> FileNames(const MsgList& list) {
    std::vector<std::string> names;
    for (const auto& e : list) names.push_back(fs::path(e->FileName).filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ScanFolder, ListsMessageExtensionsInAnyCaseOnly) {
    TempFolder dir;
    dir.file("x.EML");
    dir.file("y.Nws");
    dir.file(".hidden.eml");
    dir.file("x.eml.bak");
    dir.file("notes.txt");
    dir.file("eml");
    fs::create_directory(dir.path() / "z.eml");
    dir.file("sub/inner.eml");
    MsgList list;
    test::FakeListView view;
    ScanFolder(nullptr, Subfolders::No, list, dir.path());
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{".hidden.eml", "x.EML", "y.Nws"}));
    for (const auto& e : list) {
        EXPECT_EQ(e->EmlFile, !e->FileName.ends_with(".Nws")) << e->FileName;
        EXPECT_FALSE(e->Matched);
        EXPECT_EQ(e->IconIndex, 0);
    }
}

TEST(ScanFolder, RecordsFolderAndFileFacts) {
    test::ScopedTimeZone utc("UTC0");
    TempFolder dir;
    fs::path file = dir.file("inbox/a.eml", 1536);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1199145601, 500000000}};  // 2008-01-01 00:00:01.5 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    MsgList list;
    ScanFolder(nullptr, Subfolders::No, list, (dir.path() / "inbox/").string());
    ASSERT_EQ(list.size(), 1u);
    const TMsgItem& e = *list[0];
    EXPECT_EQ(e.FolderPath, (dir.path() / "inbox").string());  // no trailing slash
    EXPECT_EQ(e.FolderName, "inbox");
    EXPECT_EQ(e.FileName, file.string());
    EXPECT_EQ(e.FileSize, 1536);
    EXPECT_EQ(e.SizeKB, "2");
    // 100-ns units since 1601: 11644473600 s between the epochs.
    EXPECT_EQ(e.FileTime, (1199145601ULL + 11644473600ULL) * 10000000ULL + 5000000ULL);
    // Local time at two-second resolution: 00:00:01.5 UTC shows as 00:00:00.
    EXPECT_EQ(e.FileDate, 39448.0);
    char text[DateTextSize];
    EXPECT_EQ(WriteFileDateText(e, text), "2008/01/01 00:00");
    EXPECT_EQ(WriteFileDateText(TMsgItem{}, text), "");  // no file facts, no date
}

struct SizeRow {
    std::size_t bytes;
    const char* sizeText;
};

TEST(ScanFolder, SizeTexts) {
    TempFolder dir;
    const SizeRow rows[] = {{0, "1KB"}, {1536, "2KB"}, {10240000, "10,000KB"}};
    for (const SizeRow& row : rows) {
        fs::remove_all(dir.path() / "m");
        dir.file("m/a.eml", row.bytes);
        MsgList list;
        ScanFolder(nullptr, Subfolders::No, list, dir.path() / "m");
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0]->SizeKB + "KB", row.sizeText) << row.bytes;
    }
}

TEST(ScanFolder, RootFolderKeepsItsSlash) {
    MsgList list;
    ScanFolder(nullptr, Subfolders::No, list, "/");  // the root holds no messages, but must not fail
    for (const auto& e : list) EXPECT_EQ(e->FolderPath, "/");
}

TEST(ScanFolder, RecursionIsDepthFirstAndNeverEntersAFolderTwice) {
    TempFolder dir;
    dir.file("top.eml");
    dir.file("a/one.eml");
    dir.file("a/b/two.eml");
    fs::create_directory_symlink(dir.path(), dir.path() / "a" / "b" / "loop");  // back to an ancestor
    fs::create_directory_symlink(dir.path() / "a", dir.path() / "again");       // a folder seen anyway
    fs::create_symlink(dir.path() / "missing", dir.path() / "dangling.eml");
    MsgList list;
    ScanFolder(nullptr, Subfolders::Yes, list, dir.path());
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"one.eml", "top.eml", "two.eml"}));
    for (const auto& e : list) {
        if (fs::path(e->FileName).filename() == "two.eml") {
            EXPECT_EQ(e->FolderName, "b");
        }
    }
}

TEST(ScanFolder, SkipsThingsThatAreNotRegularFiles) {
    TempFolder dir;
    ASSERT_EQ(mkfifo((dir.path() / "pipe.eml").c_str(), 0600), 0);
    dir.file("real.eml");
    MsgList list;
    ScanFolder(nullptr, Subfolders::No, list, dir.path());
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"real.eml"}));
}

TEST(ScanFolder, ProgressShowsPathAndCountAndAbortStopsTheWholeScan) {
    TempFolder dir;
    for (int i = 0; i < 5; ++i) dir.file("m" + std::to_string(i) + ".eml");
    test::FakeProgress progress;
    MsgList list;
    ScanFolder(&progress, Subfolders::No, list, dir.path());
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(progress.countText, "5");
    EXPECT_EQ(progress.fromPath, dir.path().string() + "/");
    EXPECT_GE(progress.events, 7);  // one per directory entry, "." and ".." included

    MsgList stopped;
    test::FakeProgress aborting;
    aborting.abortAfterEvents = 4;
    ScanFolder(&aborting, Subfolders::Yes, stopped, dir.path());
    EXPECT_LT(stopped.size(), 5u);
    EXPECT_EQ(aborting.events, 4);
}

TEST(ScanFolder, MissingFolderGivesNothing) {
    MsgList list;
    ScanFolder(nullptr, Subfolders::Yes, list, "/nonexistent/pelmora");
    EXPECT_TRUE(list.empty());
}

std::vector<std::string> Paths(const std::vector<Error>& errors) {
    std::vector<std::string> paths;
    for (const Error& e : errors) paths.push_back(e.path.native());
    return paths;
}

// A folder the scan cannot list is named with the reason, not passed over as
// empty: a path that is no folder, one that has gone, and (where
// permissions bind, not as the superuser) a subfolder without read
// permission, while the rest of the tree is still listed.
TEST(ScanFolder, FoldersThatCannotBeListedAreReported) {
    TempFolder dir;
    const fs::path file = dir.file("plain.eml");
    std::vector<Error> unreadable;
    MsgList list;
    ScanFolder(nullptr, Subfolders::Yes, list, file, FileFactsBy::Scan, &unreadable);
    ScanFolder(nullptr, Subfolders::Yes, list, dir.path() / "gone", FileFactsBy::Scan, &unreadable);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Paths(unreadable), (std::vector<std::string>{file.string(), (dir.path() / "gone").string()}));
    ASSERT_EQ(unreadable.size(), 2u);
    EXPECT_EQ(unreadable[0].code, ENOTDIR);
    EXPECT_EQ(unreadable[1].code, ENOENT);
    EXPECT_EQ(UnreadableFoldersText(
                  {MakeError(ErrorKind::Open, "/a", ENOENT), MakeError(ErrorKind::Open, "/b", 0)}),
              "\"/a\"" + test::Sjis(" フォルダを読み取れません。") + " (" + std::strerror(ENOENT) +
                  ")\r\"/b\"" + test::Sjis(" フォルダを読み取れません。"));

    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    dir.file("sub/hidden.eml");
    fs::permissions(dir.path() / "sub", fs::perms::none);
    unreadable.clear();
    ScanFolder(nullptr, Subfolders::Yes, list, dir.path(), FileFactsBy::Scan, &unreadable);
    fs::permissions(dir.path() / "sub", fs::perms::owner_all);
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"plain.eml"}));
    EXPECT_EQ(Paths(unreadable), (std::vector<std::string>{(dir.path() / "sub").string()}));
}

// A chain of folders whose full path is longer than PATH_MAX, made and
// removed one level at a time (the whole path is too long for any call).
class DeepFolders {
public:
    DeepFolders(const fs::path& top, int levels) : m_top(top), m_levels(levels) {
        int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; level < levels && fd >= 0; ++level) {
            ::mkdirat(fd, kName.c_str(), 0700);
            const int next = ::openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        m_bottom = fd;
    }
    ~DeepFolders() {
        if (m_bottom >= 0) ::close(m_bottom);
        removeBelow(::open(m_top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), m_levels);
    }
    int bottom() const { return m_bottom; }
    std::string bottomPath() const {
        std::string path = m_top.native();
        for (int level = 0; level < m_levels; ++level) path += "/" + kName;
        return path;
    }

private:
    static void removeBelow(int fd, int levels) {
        if (fd < 0) return;
        const int next = ::openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next >= 0 && levels > 1) removeBelow(::dup(next), levels - 1);
        if (next >= 0) {
            ::unlinkat(next, "deep.eml", 0);
            ::close(next);
        }
        ::unlinkat(fd, kName.c_str(), AT_REMOVEDIR);
        ::close(fd);
    }

    inline static const std::string kName = std::string(200, 'd');
    fs::path m_top;
    int m_levels;
    int m_bottom = -1;
};

// Each subfolder is opened relative to the one above it, so a folder deeper
// than PATH_MAX is listed and its messages are read.
TEST(ScanFolder, ReachesFoldersDeeperThanPathMax) {
    TempFolder dir;
    DeepFolders deep(dir.path(), PATH_MAX / 200 + 2);
    ASSERT_GE(deep.bottom(), 0);
    ASSERT_GT(deep.bottomPath().size(), static_cast<std::size_t>(PATH_MAX));
    const int fd = ::openat(deep.bottom(), "deep.eml", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::string message = "Subject: deep\r\n\r\nbody\r\n";
    ASSERT_EQ(::write(fd, message.data(), message.size()), static_cast<ssize_t>(message.size()));
    ::close(fd);

    std::vector<Error> unreadable;
    MsgList list;
    ScanFolder(nullptr, Subfolders::Yes, list, dir.path(), FileFactsBy::Reader, &unreadable);
    EXPECT_TRUE(unreadable.empty()) << UnreadableFoldersText(unreadable);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->FileName, deep.bottomPath() + "/deep.eml");
    LineList lines;
    test::FakePrompts prompts;
    ReaderContext context{lines, {}, prompts};
    ReadMessage(list, 0, context);
    EXPECT_EQ(list[0]->Subject, "deep");
}

// Links into the kernel's own file systems are not followed (through
// /proc/self/root they reach the whole machine again); a link to a real
// folder still is.
TEST(ScanFolder, RecursionPassesOverPseudoFileSystems) {
    TempFolder dir;
    TempFolder elsewhere;
    elsewhere.file("linked.eml");
    fs::create_symlink(elsewhere.path(), dir.path() / "real");
    for (const char* pseudo : {"/proc/sys/fs", "/sys/kernel"})
        if (fs::is_directory(pseudo)) fs::create_symlink(pseudo, dir.path() / fs::path(pseudo).filename());
    test::FakeProgress progress;
    std::set<std::string> entered;
    progress.duringEvents = [&] { entered.insert(progress.fromPath); };
    MsgList list;
    ScanFolder(&progress, Subfolders::Yes, list, dir.path());
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"linked.eml"}));
    EXPECT_TRUE(entered.contains(Utf8ToAnsi((dir.path() / "real/").native())));
    for (const std::string& folder : entered)
        EXPECT_TRUE(folder == Utf8ToAnsi(dir.path().native() + "/") || folder.ends_with("/real/")) << folder;
}

}  // namespace
}  // namespace pelmora
