// SPDX-License-Identifier: MIT
// The settings file on disk: location, migration and atomic replacement.
#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "decode/japanese.h"
#include "settings/settings.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_root.empty()); }

    static void put(const fs::path& file, std::string_view content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::string get(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    int entriesIn(const fs::path& folder) const {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    test::ScratchFolder m_scratch{"pelmora-settings"};
    const fs::path& m_root = m_scratch.path();
};

TEST_F(SettingsFile, FolderFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    std::string keep = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", m_root.c_str(), 1);
    EXPECT_EQ(SettingsFilePath(), m_root / "BRANTOLE" / "Pelmora" / "Pelmora.INI");
    EXPECT_EQ(SettingsFolder().native().back(), '/');
    // Relative values are to be ignored.
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_TRUE(SettingsFolder().is_absolute());
    if (saved)
        ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsFile, FormerLocationIsTheProgramWithIni) {
    EXPECT_EQ(FormerSettingsPath("/opt/pelmora/bin/pelmora"), fs::path("/opt/pelmora/bin/pelmora.INI"));
    EXPECT_EQ(FormerSettingsPath("/opt/Pelmora.exe"), fs::path("/opt/Pelmora.INI"));
}

TEST_F(SettingsFile, SaveThenLoadGivesTheSameValues) {
    Settings s;
    s.Width = 777;
    s.emlDir = "/data/\xE3\x83\xA1";
    s.CB[3][10] = "\x82\xA0";
    fs::path file = m_root / "Pelmora.INI";
    ASSERT_TRUE(SaveSettings(s, file).has_value());
    EXPECT_EQ(LoadSettings(file), s);
    EXPECT_EQ(entriesIn(m_root), 1) << "no temporary file is left behind";
}

TEST_F(SettingsFile, MissingFileGivesDefaults) {
    EXPECT_EQ(LoadSettings(m_root / "none.INI"), Settings{});
}

// Only a regular file within the limit is read; anything else gives the
// defaults and says so (a FIFO used to block every start, a link to
// /dev/zero to fill the memory). A missing file is the first start: no word.
TEST_F(SettingsFile, OnlyARegularFileOfSaneSizeIsRead) {
    std::string notice;
    EXPECT_EQ(LoadSettings(m_root / "none.INI", &notice), Settings{});
    EXPECT_EQ(notice, "");

    const fs::path fifo = m_root / "fifo.INI";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadSettings(fifo, &notice), Settings{});
    EXPECT_NE(notice.find(Utf8ToAnsi("通常のファイルではありません")), std::string::npos);

    const fs::path zero = m_root / "zero.INI";
    fs::create_symlink("/dev/zero", zero);
    notice.clear();
    EXPECT_EQ(LoadSettings(zero, &notice), Settings{});
    EXPECT_NE(notice.find(Utf8ToAnsi("通常のファイルではありません")), std::string::npos);

    const fs::path large = m_root / "large.INI";
    put(large, "[Form]\r\nWidth=777\r\n");
    fs::resize_file(large, kSettingsFileLimit + 1);
    notice.clear();
    EXPECT_EQ(LoadSettings(large, &notice), Settings{});
    EXPECT_NE(notice.find(Utf8ToAnsi("大きすぎます")), std::string::npos);

    fs::resize_file(large, kSettingsFileLimit);
    notice.clear();
    EXPECT_EQ(LoadSettings(large, &notice).Width, 777);
    EXPECT_EQ(notice, "");
}

TEST_F(SettingsFile, FormerFileOnlyIsMoved) {
    fs::path former = m_root / "bin" / "pelmora.INI";
    fs::path target = m_root / "config" / "BRANTOLE" / "Pelmora" / "Pelmora.INI";
    fs::create_directories(former.parent_path());
    put(former, "[Form]\r\nWidth=640\r\n");
    MigrateSettingsFile(former, target);
    EXPECT_FALSE(fs::exists(former));
    EXPECT_EQ(LoadSettings(target).Width, 640);
}

TEST_F(SettingsFile, BothFilesKeepTheNewOneAndDeleteTheFormer) {
    fs::path former = m_root / "pelmora.INI";
    fs::path target = m_root / "cfg" / "Pelmora.INI";
    fs::create_directories(target.parent_path());
    put(former, "[Form]\r\nWidth=640\r\n");
    put(target, "[Form]\r\nWidth=800\r\n");
    MigrateSettingsFile(former, target);
    EXPECT_FALSE(fs::exists(former));
    EXPECT_EQ(LoadSettings(target).Width, 800);
}

TEST_F(SettingsFile, NeitherFileCreatesOnlyTheFolder) {
    fs::path target = m_root / "a" / "b" / "Pelmora.INI";
    MigrateSettingsFile(m_root / "pelmora.INI", target);
    EXPECT_TRUE(fs::is_directory(target.parent_path()));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(LoadSettings(target), Settings{});
}

TEST_F(SettingsFile, FormerFileStaysWhenItCannotBeCopied) {
    fs::path former = m_root / "pelmora.INI";
    put(former, "[Form]\r\nWidth=640\r\n");
    put(m_root / "blocker", "a file where the folder should be");
    MigrateSettingsFile(former, m_root / "blocker" / "Pelmora" / "Pelmora.INI");
    EXPECT_EQ(get(former), "[Form]\r\nWidth=640\r\n");
}

// The former file is read as the settings file is: a FIFO there used to
// hold the start for ever, a link to /dev/zero to fill the memory, a huge
// file to be copied whole. None is copied, and none is removed.
TEST_F(SettingsFile, FormerFileThatIsNoSaneSettingsFileIsLeftAlone) {
    const fs::path fifo = m_root / "fifo" / "pelmora.INI";
    const fs::path zero = m_root / "zero" / "pelmora.INI";
    const fs::path large = m_root / "large" / "pelmora.INI";
    for (const fs::path& former : {fifo, zero, large}) fs::create_directories(former.parent_path());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", zero);
    put(large, "[Form]\r\nWidth=640\r\n");
    fs::resize_file(large, kSettingsFileLimit + 1);
    for (const fs::path& former : {fifo, zero, large}) {
        const fs::path target = former.parent_path() / "cfg" / "Pelmora.INI";
        MigrateSettingsFile(former, target);
        EXPECT_FALSE(fs::exists(target)) << former;
        EXPECT_TRUE(fs::exists(fs::symlink_status(former))) << former;
    }
}

TEST_F(SettingsFile, FormerFileThatIsTheSettingsFileStays) {
    fs::path target = m_root / "Pelmora.INI";
    put(target, "[Form]\r\nWidth=640\r\n");
    MigrateSettingsFile(FormerSettingsPath(m_root / "Pelmora"), target);
    EXPECT_EQ(LoadSettings(target).Width, 640);
}

TEST_F(SettingsFile, FailedSaveNamesTheFileAndKeepsTheOldOne) {
    // The target is a folder: the new file cannot be renamed over it.
    fs::path folderInTheWay = m_root / "\xE8\xA8\xAD\xE5\xAE\x9A.INI";  // 設定.INI
    fs::create_directories(folderInTheWay);
    auto result = SaveSettings(Settings{}, folderInTheWay);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().path, folderInTheWay);
    EXPECT_EQ(SettingsSaveErrorText(result.error()),
              Utf8ToAnsi(folderInTheWay.native()) +
                  " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1");
    EXPECT_NE(SettingsSaveErrorText(result.error()).find("\x90\xDD\x92\xE8.INI"), std::string::npos);
    EXPECT_EQ(entriesIn(m_root), 1) << "the temporary file is removed";

    put(m_root / "blocker", "a file where a folder should be");
    EXPECT_FALSE(SaveSettings(Settings{}, m_root / "blocker" / "Pelmora.INI").has_value());
    EXPECT_TRUE(SaveSettings(Settings{}, m_root / "gone" / "Pelmora.INI").has_value())
        << "a folder removed while the program ran is made again";
}

TEST_F(SettingsFile, ReadOnlyFolderFailsAndOldFileIsIntact) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    fs::path file = m_root / "Pelmora.INI";
    put(file, "[Form]\r\nWidth=640\r\n");
    fs::permissions(m_root, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Settings s;
    s.Width = 1;
    auto result = SaveSettings(s, file);
    fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().path, file);
    EXPECT_EQ(result.error().code, EACCES);
    EXPECT_EQ(get(file), "[Form]\r\nWidth=640\r\n");
}

TEST_F(SettingsFile, SaveKeepsPermissionsAndFollowsASymbolicLink) {
    fs::path real = m_root / "dotfiles" / "Pelmora.INI";
    fs::create_directories(real.parent_path());
    put(real, "[Form]\r\nWidth=640\r\n[Mine]\r\nx=1\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::path link = m_root / "Pelmora.INI";
    fs::create_symlink(real, link);
    Settings s;
    s.Width = 900;
    ASSERT_TRUE(SaveSettings(s, link).has_value());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(LoadSettings(real).Width, 900);
    EXPECT_NE(get(real).find("[Mine]\r\nx=1\r\n"), std::string::npos);
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace pelmora
