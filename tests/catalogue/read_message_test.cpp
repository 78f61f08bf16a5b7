// SPDX-License-Identifier: MIT
// Reading an entry from its file. The folder of the last message is kept
// open and the next file opened relative to it: entries of other folders,
// names below the folder and a folder replaced between two reads must still
// give their own files. A file that cannot be opened is said.
#include "catalogue/read_message.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "message/message_test_support.h"
#include "support/fake_ports.h"

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

class FolderHandleTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root =
            fs::temp_directory_path() /
            ("pelmora-folder-handle-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    void write(const fs::path& file, const std::string& subject) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            << "Subject: " << subject << "\r\nFrom: a@example.jp\r\n\r\nbody\r\n";
    }

    // An entry as the folder scan makes it: full path and its folder.
    void add(const fs::path& folder, const std::string& name) {
        auto entry = std::make_unique<TMsgItem>();
        entry->FileName = (folder / name).string();
        entry->FolderPath = folder.string();
        entry->EmlFile = true;
        m_list.push_back(std::move(entry));
    }

    std::string subjectOf(std::size_t index) {
        ReadMessage(m_list, index, m_context);
        return m_list[index]->Subject;
    }

    fs::path m_root;
    MsgList m_list;
    LineList m_lines;
    FakePrompts m_prompts;
    ReaderContext m_context{m_lines, {}, m_prompts};
};

TEST_F(FolderHandleTest, EntriesOfTwoFoldersInTurnReadTheirOwnFiles) {
    write(m_root / "a" / "m.eml", "from-a");
    write(m_root / "b" / "m.eml", "from-b");
    for (int round = 0; round < 2; ++round) {
        add(m_root / "a", "m.eml");
        add(m_root / "b", "m.eml");
    }
    EXPECT_EQ(subjectOf(0), "from-a");
    EXPECT_EQ(subjectOf(1), "from-b");
    EXPECT_EQ(subjectOf(2), "from-a");
    EXPECT_EQ(subjectOf(3), "from-b");
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(FolderHandleTest, NameBelowTheFolderOrOutsideItIsReadByItsPath) {
    write(m_root / "a" / "m.eml", "top");
    write(m_root / "a" / "sub" / "m.eml", "below");
    write(m_root / "other" / "m.eml", "outside");
    add(m_root / "a", "m.eml");
    add(m_root / "a", "sub/m.eml");
    add(m_root / "a", "../other/m.eml");
    EXPECT_EQ(subjectOf(0), "top");
    EXPECT_EQ(subjectOf(1), "below");
    EXPECT_EQ(subjectOf(2), "outside");
}

TEST_F(FolderHandleTest, FolderReplacedBetweenReadsGivesTheNewFile) {
    write(m_root / "a" / "m.eml", "old");
    add(m_root / "a", "m.eml");
    add(m_root / "a", "m.eml");
    EXPECT_EQ(subjectOf(0), "old");
    fs::remove_all(m_root / "a");
    write(m_root / "a" / "m.eml", "new");
    EXPECT_EQ(subjectOf(1), "new");
}

TEST_F(FolderHandleTest, UnreadableFileIsReportedOnceAndKeepsTheScanValues) {
    fs::create_directories(m_root / "a");
    add(m_root / "a", "gone.eml");
    m_list[0]->From = "kept";
    m_lines = {"stale"};
    subjectOf(0);
    EXPECT_EQ(m_list[0]->From, "kept");
    EXPECT_FALSE(m_list[0]->Matched);
    EXPECT_TRUE(m_lines.empty());
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    // "…" を開けませんでした。CR CR 使用中でないか確認して下さい。
    const std::string expected =
        "warning:\"" + m_list[0]->FileName +
        "\"\x20\x82\xF0\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
        "\x81\x42\r\r\x8E\x67\x97\x70\x92\x86\x82\xC5\x82\xC8\x82\xA2\x82\xA9\x8A\x6D"
        "\x94\x46\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42";
    EXPECT_EQ(Hex(m_prompts.shown[0]), Hex(expected));
}

}  // namespace
}  // namespace pelmora::test
