// SPDX-License-Identifier: MIT
#include "catalogue/load.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <fstream>

#include "catalogue/duplicates.h"
#include "catalogue/scan.h"
#include "catalogue_test_support.h"
#include "support/files.h"
#include "texts/texts.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using test::Sjis;

class LoadFolderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.empty()); }

    void writeMessages(int count) {
        for (int i = 0; i < count; ++i) {
            std::ofstream out(folder / ("m" + std::to_string(i) + ".eml"), std::ios::binary);
            // Subjects in reverse so that the received-date sort (all equal
            // file dates) cannot hide a missing sort: sorting is by key 3.
            out << "From: sender" << i << "@example.com\r\n"
                << "Subject: s" << i << "\r\n"
                << "Date: Tue, 1 Jan 2008 10:" << (10 + i % 50) << ":00 +0000\r\n"
                << "Received: from x by y; Tue, 1 Jan 2008 " << (10 + i / 50) << ":" << (10 + i % 50)
                << ":00 +0000\r\n\r\nbody\r\n";
        }
    }

    LoadOutcome load(Subfolders subfolders = Subfolders::No, ReaderOptions options = {}) {
        ports::ListView& v = view;
        LoadFolderPorts ports{v, status, progress, prompts, cursor};
        ReaderContext reader{lines, options, prompts};
        return LoadFolder(folder, list, ports, reader, subfolders);
    }

    test::ScratchFolder scratch{"pelmora-load"};
    fs::path folder = scratch.path();
    test::FakeListView view{{1, 6, 2, 7, 3, 4}, -3};
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
    LineList lines;
    MsgList list;
};

// Memory that runs out while one message is read is said for that message,
// which is listed with what the scan knows; the others are read and listed,
// and the load is no abort (which lists nothing).
TEST_F(LoadFolderTest, OutOfMemoryOnOneMessageIsSaidAndTheRestListed) {
    struct ExhaustingNames final : DisplayNameLookup {
        const std::string* LookupDisplayName(std::string_view address) const override {
            if (address.starts_with("huge@")) throw std::bad_alloc();
            return nullptr;
        }
    } names;
    writeMessages(2);
    const fs::path huge = folder / "huge.eml";
    test::WriteBytes(huge, "Subject: big\r\nFrom: huge@example.com\r\n\r\n");
    EXPECT_EQ(load(Subfolders::No, {.DisplayNames = &names}), LoadOutcome::Loaded);
    EXPECT_EQ(view.rows, 3);
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"warning:" + text::OutOfMemoryReading(huge.native())});
    for (const auto& e : list) {
        EXPECT_EQ(e->Matched, e->FileName != huge.native()) << e->FileName;
        if (!e->Matched) {
            EXPECT_EQ(e->Subject, "");
        }
    }
}

TEST_F(LoadFolderTest, HundredMessagesLoadWithoutTheProgressDialog) {
    writeMessages(100);
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_EQ(progress.shows, 0);
    EXPECT_EQ(view.rows, 100);
    EXPECT_EQ(status.panels[0], Sjis("100 通のメッセージ"));
    EXPECT_EQ(status.panels[1], "");
}

TEST_F(LoadFolderTest, HundredAndOneShowTheDialogThenSortAscending) {
    writeMessages(101);
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_EQ(progress.shows, 1);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(progress.title, Sjis("emlファイルを読み込んでいます…"));
    EXPECT_EQ(progress.fromCaption, Sjis("From："));
    EXPECT_EQ(progress.countText, "101");
    EXPECT_EQ(progress.maximum, 101);
    EXPECT_EQ(progress.pos, 100);
    EXPECT_EQ(view.rows, 101);
    EXPECT_EQ(view.key, 3);  // a stored descending key still loads ascending
    EXPECT_EQ(view.captions[4], Sjis("受信日時 ＋"));
    for (std::size_t i = 1; i < list.size(); ++i) EXPECT_LE(list[i - 1]->RecvDate, list[i]->RecvDate);
    for (const auto& e : list) EXPECT_TRUE(e->Matched);
    EXPECT_EQ(status.panels[0], Sjis("101 通のメッセージ"));
    EXPECT_EQ(cursor.depth, 0);
    EXPECT_EQ(view.updateDepth, 0);
}

TEST_F(LoadFolderTest, AbortKeepsScannedEntriesButShowsNoRows) {
    writeMessages(120);
    progress.abortAfterEvents = 10;
    EXPECT_EQ(load(), LoadOutcome::Aborted);
    EXPECT_EQ(view.rows, 0);
    EXPECT_EQ(list.size(), 120u);
    EXPECT_EQ(status.panels[0], Sjis("0 通のメッセージ"));
    EXPECT_FALSE(progress.visible);
    int read = 0;
    for (const auto& e : list) read += e->Matched;
    EXPECT_EQ(read, 9);
}

TEST_F(LoadFolderTest, AbortFlagOfAnEarlierRunIsCleared) {
    writeMessages(3);
    progress.aborted = true;
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_EQ(view.rows, 3);
}

TEST_F(LoadFolderTest, MissingFolderIsReportedInStatusAndMessageBox) {
    list.push_back(std::make_unique<TMsgItem>());
    view.rows = 1;
    view.captions[0] = "old";
    folder /= "gone";
    EXPECT_EQ(load(), LoadOutcome::FolderMissing);
    std::string text = "\"" + folder.string() + "\"" + Sjis(" フォルダはありません。");
    EXPECT_EQ(status.panels[0], "");
    EXPECT_EQ(status.panels[1], text);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "info:" + text);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(view.rows, 0);
    EXPECT_EQ(view.captions[0], Sjis("差出人"));
    folder = folder.parent_path();
}

// An unreadable folder used to load as an empty list without a word; the
// window's message box now names it.
TEST_F(LoadFolderTest, UnreadableFolderIsNamedInAMessageBox) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    writeMessages(1);
    fs::permissions(folder, fs::perms::owner_write | fs::perms::owner_exec);
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(view.rows, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "warning:\"" + folder.string() + "\"" + Sjis(" フォルダを読み取れません。"));
}

TEST_F(LoadFolderTest, SubfoldersAreNotListed) {
    writeMessages(2);
    fs::create_directory(folder / "sub");
    std::ofstream(folder / "sub" / "x.eml") << "Subject: x\r\n\r\n";
    EXPECT_EQ(load(), LoadOutcome::Loaded);
    EXPECT_EQ(view.rows, 2);
}

TEST_F(LoadFolderTest, DuplicateKeyFollowsTheOptionThroughTheReader) {
    auto write = [this](const char* name, const char* subject) {
        std::ofstream(folder / name, std::ios::binary)
            << "From: a@example.com\r\nSubject: " << subject
            << "\r\nDate: Tue, 1 Jan 2008 10:00:00 +0900\r\nMessage-ID: <same@x>\r\n\r\nbody\r\n";
    };
    write("one.eml", "first");
    write("two.eml", "second");
    auto duplicates = [this](bool dupCheckHeaders) {
        ports::ListView& v = view;
        LoadFolderPorts ports{v, status, progress, prompts, cursor};
        ReaderContext reader{lines, ReaderOptions{dupCheckHeaders, nullptr}, prompts};
        LoadFolder(folder, list, ports, reader);
        DupcheckPorts dup{view, status, cursor, &prompts, {}};
        ProcDupcheck1Click(dup, list);
        return list.size();
    };
    EXPECT_EQ(duplicates(true), 0u);
    EXPECT_EQ(duplicates(false), 2u);
    EXPECT_EQ(view.selectedCount(), 1);
}

// A tree with copies of one message in three folders, listed with its
// subfolders: each keeper rule leaves its copy unselected.
TEST_F(LoadFolderTest, TreeCopiesInThreeFoldersKeepTheCopyTheRuleNames) {
    fs::create_directories(folder / "old" / "deep");
    auto copy = [](const char* received, std::size_t padding) {
        return std::string("Received: from a by b; ") + received +
               "\r\nFrom: dup@example.com\r\nSubject: Copy\r\nDate: Wed, 04 Jan 2023 12:00:00 +0900\r\n"
               "Message-ID: <dup@example.com>\r\n\r\ncopy\r\n" +
               std::string(padding, 'x');
    };
    test::WriteBytes(folder / "top.eml", copy("Wed, 04 Jan 2023 13:00:00 +0900", 4000));
    test::WriteBytes(folder / "old" / "first.eml", copy("Wed, 04 Jan 2023 12:30:00 +0900", 0));
    test::WriteBytes(folder / "old" / "deep" / "last.eml", copy("Wed, 04 Jan 2023 14:00:00 +0900", 0));
    test::WriteBytes(folder / "old" / "single.eml", "From: one@example.com\r\nMessage-ID: <one@x>\r\n\r\n");
    struct Case {
        DupKeeper keeper;
        fs::path kept;
    };
    const Case cases[] = {
        {{KeepRule::Oldest, {}}, folder / "old" / "first.eml"},
        {{KeepRule::Newest, {}}, folder / "old" / "deep" / "last.eml"},
        {{KeepRule::Largest, {}}, folder / "top.eml"},
        {{KeepRule::UnderFolder, (folder / "old" / "deep").native()}, folder / "old" / "deep" / "last.eml"},
        {{KeepRule::UnderFolder, (folder / "old").native()}, folder / "old" / "first.eml"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(load(Subfolders::Yes), LoadOutcome::Loaded);
        ASSERT_EQ(list.size(), 4u);
        view.clearSelection();
        DupcheckPorts ports{view, status, cursor, &prompts, {}, c.keeper};
        ProcDupcheck1Click(ports, list);
        ASSERT_EQ(list.size(), 3u);
        std::vector<std::string> unselected;
        for (int row = 0; row < view.rows; ++row)
            if (!view.isSelected(row)) unselected.push_back(list[static_cast<std::size_t>(row)]->FileName);
        EXPECT_EQ(unselected, std::vector<std::string>{c.kept.native()}) << DupKeeperText(c.keeper);
    }
}

// Every file of the shared corpus is listed and read, subfolders included,
// without a crash or a hang (run under the sanitizers as well).
TEST_F(LoadFolderTest, EveryMessageFileOfTheCorpusIsListedAndRead) {
    folder = PELMORA_CORPUS_DIR;
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (entry.is_regular_file() && (ext == ".eml" || ext == ".nws")) ++files;
    }
    ASSERT_EQ(load(Subfolders::Yes), LoadOutcome::Loaded);
    EXPECT_EQ(list.size(), files);
    for (const auto& e : list) EXPECT_TRUE(e->Matched) << e->FileName;
    for (std::size_t i = 1; i < list.size(); ++i) EXPECT_LE(list[i - 1]->RecvDate, list[i]->RecvDate);
}

}  // namespace
}  // namespace pelmora
