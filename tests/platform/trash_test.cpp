// SPDX-License-Identifier: MIT
#include "platform/trash.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "support/files.h"
#include "support/scripted_files.h"
#include "texts/texts.h"

namespace fs = std::filesystem;
using namespace pelmora::platform;

namespace {

// A scratch folder whose home trash lives inside it.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        root = scratch.path();
        dataHome.emplace("XDG_DATA_HOME", (root / "data").string());
        fs::create_directories(root / "mail");
    }
    fs::path homeTrash() const { return root / "data" / "Trash"; }

    pelmora::test::ScratchFolder scratch{"pelmora-trash"};
    std::optional<pelmora::test::ScopedEnv> dataHome;
    fs::path root;
};

}  // namespace

struct EncodeRow {
    const char* name;
    const char* path;
    const char* encoded;
};

class PercentEncode : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(PercentEncode, Encodes) {
    EXPECT_EQ(PercentEncodePath(GetParam().path), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PercentEncode,
    ::testing::Values(EncodeRow{"plain_path_kept", "/home/u/Mail/a.eml", "/home/u/Mail/a.eml"},
                      EncodeRow{"unreserved_kept", "/x/A-z_0.9~", "/x/A-z_0.9~"},
                      EncodeRow{"blank_and_percent", "/a b/100%.eml", "/a%20b/100%25.eml"},
                      EncodeRow{"reserved_characters", "/a#b?c&d=e+f", "/a%23b%3Fc%26d%3De%2Bf"},
                      EncodeRow{"utf8_bytes_upper_hex", "/受信/x", "/%E5%8F%97%E4%BF%A1/x"},
                      EncodeRow{"control_byte", "/a\tb", "/a%09b"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TrashInfo, TextHasSectionPathAndLocalDate) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    EXPECT_EQ(TrashInfoText("/a%20b.eml", t),
              "[Trash Info]\nPath=/a%20b.eml\nDeletionDate=2024-01-05T07:08:09\n");
}

struct NameRow {
    const char* name;
    const char* file;
    int attempt;
    const char* expected;
};

class TrashedNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(TrashedNames, NumberGoesBeforeTheExtension) {
    EXPECT_EQ(TrashedName(GetParam().file, GetParam().attempt), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, TrashedNames,
                         ::testing::Values(NameRow{"first_attempt_unchanged", "a.eml", 1, "a.eml"},
                                           NameRow{"second_attempt", "a.eml", 2, "a.2.eml"},
                                           NameRow{"no_extension", "notes", 3, "notes.3"},
                                           NameRow{"hidden_file", ".hidden", 2, ".hidden.2"},
                                           NameRow{"last_extension_only", "a.tar.gz", 2, "a.tar.2.gz"},
                                           NameRow{"extension_only_is_no_extension", ".", 2, "..2"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TrashedNamesLong, ShortenedToLeaveRoomForTheInfoSuffix) {
    const std::string longest = std::string(251, 'x') + ".eml";
    EXPECT_EQ(TrashedName(longest, 1), std::string(241, 'x') + ".eml");
    EXPECT_EQ(TrashedName(longest, 12), std::string(238, 'x') + ".12.eml");
    // Three-byte characters are never cut in half.
    std::string japanese;
    for (int i = 0; i < 84; ++i) japanese += "あ";
    const std::string cut = TrashedName(japanese + ".eml", 1);
    EXPECT_EQ(cut, japanese.substr(0, 240) + ".eml");
}

TEST_F(TrashTest, LongestNameGoesToTheTrashUnderAShorterOne) {
    const std::string name = std::string(251, 'y') + ".eml";
    pelmora::test::WriteBytes(root / "mail" / name, "long");
    auto moved = MoveToTrash(root / "mail" / name);
    ASSERT_TRUE(moved) << pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error()));
    EXPECT_EQ(moved->file.filename(), std::string(241, 'y') + ".eml");
    EXPECT_NE(pelmora::test::ReadBytes(moved->info).find(name), std::string::npos)
        << "the original name stays in the .trashinfo";
}

TEST_F(TrashTest, MovesIntoHomeTrashWithInfo) {
    const fs::path file = root / "mail" / "a b.eml";
    pelmora::test::WriteBytes(file, "Subject: x\r\n\r\nbody\r\n");
    auto moved = MoveToTrash(file);
    ASSERT_TRUE(moved) << pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(moved->file, homeTrash() / "files" / "a b.eml");
    EXPECT_EQ(pelmora::test::ReadBytes(moved->file), "Subject: x\r\n\r\nbody\r\n");
    const std::string info = pelmora::test::ReadBytes(homeTrash() / "info" / "a b.eml.trashinfo");
    const std::string expectedPath = PercentEncodePath(fs::canonical(root / "mail").native() + "/a b.eml");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + expectedPath + "\nDeletionDate=")) << info;
    EXPECT_TRUE(
        std::regex_search(info, std::regex("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")))
        << info;
}

// "mail/sub/../x.eml" with sub a link to other/inner is other/x.eml for the
// kernel, which is the file moved; the trash must record that place, not
// the lexical mail/x.eml (another file, which a restore would then meet).
TEST_F(TrashTest, RecordsThePlaceTheKernelReachedThroughALinkAndDotDot) {
    fs::create_directories(root / "other" / "inner");
    fs::create_symlink(root / "other" / "inner", root / "mail" / "sub");
    pelmora::test::WriteBytes(root / "mail" / "x.eml", "stays");
    pelmora::test::WriteBytes(root / "other" / "x.eml", "goes");
    auto moved = MoveToTrash(root / "mail" / "sub" / ".." / "x.eml");
    ASSERT_TRUE(moved) << pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error()));
    EXPECT_EQ(pelmora::test::ReadBytes(root / "mail" / "x.eml"), "stays");
    EXPECT_FALSE(fs::exists(root / "other" / "x.eml"));
    const std::string info = pelmora::test::ReadBytes(moved->info);
    EXPECT_NE(info.find("\nPath=" + PercentEncodePath((root / "other" / "x.eml").native()) + "\n"),
              std::string::npos)
        << info;
}

TEST_F(TrashTest, CollidingNamesGetNumbers) {
    fs::create_directories(root / "other");
    pelmora::test::WriteBytes(root / "mail" / "a.eml", "one");
    pelmora::test::WriteBytes(root / "other" / "a.eml", "two");
    // A file left behind without its .trashinfo still holds its name.
    fs::create_directories(homeTrash() / "files");
    pelmora::test::WriteBytes(homeTrash() / "files" / "a.2.eml", "stale");
    ASSERT_TRUE(MoveToTrash(root / "mail" / "a.eml"));
    auto second = MoveToTrash(root / "other" / "a.eml");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->file.filename(), "a.3.eml");
    EXPECT_EQ(pelmora::test::ReadBytes(homeTrash() / "files" / "a.eml"), "one");
    EXPECT_EQ(pelmora::test::ReadBytes(homeTrash() / "files" / "a.2.eml"), "stale");
    EXPECT_EQ(pelmora::test::ReadBytes(homeTrash() / "files" / "a.3.eml"), "two");
    EXPECT_FALSE(fs::exists(homeTrash() / "info" / "a.2.eml.trashinfo"));
    EXPECT_TRUE(fs::exists(homeTrash() / "info" / "a.3.eml.trashinfo"));
}

TEST_F(TrashTest, MissingFileFailsAndLeavesNoInfo) {
    auto moved = MoveToTrash(root / "mail" / "gone.eml");
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error().code, ENOENT);
    EXPECT_FALSE(fs::exists(homeTrash() / "info" / "gone.eml.trashinfo"));
}

TEST_F(TrashTest, VolumeTrashIsPerUserFolderWhenNoSharedTrash) {
    auto trash = VolumeTrash(root, ::getuid());
    ASSERT_TRUE(trash);
    EXPECT_EQ(trash->root, root / (".Trash-" + std::to_string(::getuid())));
    EXPECT_EQ(trash->topDir, root);
    struct stat st {};
    ASSERT_EQ(::stat(trash->root.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TrashTest, VolumeTrashUsesStickySharedTrash) {
    fs::create_directory(root / ".Trash");
    ::chmod((root / ".Trash").c_str(), 01777);
    auto trash = VolumeTrash(root, ::getuid());
    ASSERT_TRUE(trash);
    EXPECT_EQ(trash->root, root / ".Trash" / std::to_string(::getuid()));
}

TEST_F(TrashTest, VolumeTrashIgnoresSharedTrashWithoutStickyBit) {
    fs::create_directory(root / ".Trash");
    ::chmod((root / ".Trash").c_str(), 0777);
    auto trash = VolumeTrash(root, ::getuid());
    ASSERT_TRUE(trash);
    EXPECT_EQ(trash->root, root / (".Trash-" + std::to_string(::getuid())));
    EXPECT_FALSE(fs::exists(root / ".Trash" / std::to_string(::getuid())));
}

TEST_F(TrashTest, VolumeTrashIgnoresSharedTrashThatIsALink) {
    fs::create_directory(root / "elsewhere");
    ::chmod((root / "elsewhere").c_str(), 01777);
    fs::create_directory_symlink(root / "elsewhere", root / ".Trash");
    auto trash = VolumeTrash(root, ::getuid());
    ASSERT_TRUE(trash);
    EXPECT_EQ(trash->root, root / (".Trash-" + std::to_string(::getuid())));
}

TEST_F(TrashTest, VolumeTrashRefusesAPerUserTrashThatIsALink) {
    fs::create_directory(root / "elsewhere");
    fs::create_directory_symlink(root / "elsewhere", root / (".Trash-" + std::to_string(::getuid())));
    EXPECT_FALSE(VolumeTrash(root, ::getuid()));
}

TEST_F(TrashTest, VolumeTrashRecordsPathRelativeToTopDir) {
    pelmora::test::WriteBytes(root / "mail" / "x.eml", "x");
    auto trash = VolumeTrash(fs::canonical(root), ::getuid());
    ASSERT_TRUE(trash);
    auto moved = TrashByRename(root / "mail" / "x.eml", *trash);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(pelmora::test::ReadBytes(moved->info).starts_with("[Trash Info]\nPath=mail/x.eml\n"))
        << pelmora::test::ReadBytes(moved->info);
}

TEST_F(TrashTest, CopyKeepsBytesModeAndTimeThenRemovesOriginal) {
    const fs::path file = root / "mail" / "c.eml";
    std::string bytes(300000, 'x');
    bytes[12345] = '\0';
    pelmora::test::WriteBytes(file, bytes);
    ::chmod(file.c_str(), 0640);
    const struct timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    auto moved = TrashByCopy(file, HomeTrash());
    ASSERT_TRUE(moved) << pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error()));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(pelmora::test::ReadBytes(moved->file), bytes);
    struct stat st {};
    ASSERT_EQ(::stat(moved->file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_TRUE(fs::exists(moved->info));
}

// A file written to or replaced between the copy and the removal keeps its
// new content where it is; the stale copy leaves the trash. The change comes
// at the last moment: after the last comparison, as the original is renamed
// aside to be removed.
TEST_F(TrashTest, CopyKeepsAnOriginalThatChangedAfterTheCopy) {
    const fs::path file = root / "mail" / "c.eml";
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"appended", [&] { pelmora::test::WriteBytes(file, "old and new"); }},
        {"replaced",
         [&] {
             pelmora::test::WriteBytes(root / "mail" / "other", "new");
             fs::rename(root / "mail" / "other", file);
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        pelmora::test::WriteBytes(file, "old");
        pelmora::test::ScriptedFileSystem files;
        files.changeBeforeRenameOf(file, change);
        auto moved = TrashByCopy(file, HomeTrash(), {}, files);
        ASSERT_FALSE(moved);
        EXPECT_EQ(moved.error().kind, pelmora::ErrorKind::Changed);
        EXPECT_NE(pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error())).find("変更された"),
                  std::string::npos);
        EXPECT_NE(pelmora::test::ReadBytes(file), "old");
        EXPECT_TRUE(fs::is_empty(HomeTrash().root / "files"));
        EXPECT_TRUE(fs::is_empty(HomeTrash().root / "info"));
        EXPECT_EQ(std::distance(fs::directory_iterator(root / "mail"), {}), 1) << "nothing left aside";
    }
}

namespace {

// A message with an old modification time, as mail folders hold them, and
// what it is now.
pelmora::ports::FileIdentity oldMessage(const fs::path& file, const std::string& bytes) {
    pelmora::test::WriteBytes(file, bytes);
    const struct timespec times[2] = {{1199149200, 0}, {1199149200, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    struct stat st {};
    ::stat(file.c_str(), &st);
    return pelmora::ports::IdentityOf(st);
}

}  // namespace

// A file that is no longer what was read is never trashed: changed before
// the move, it stays; changed between the last comparison and the move, what
// reached the trash differs from what was read and goes back. Either way the
// trash keeps neither the file nor its .trashinfo. Both ways of moving.
TEST_F(TrashTest, FileNoLongerAsReadStaysWhereItWas) {
    const fs::path file = root / "mail" / "m.eml";
    const std::string original = "Subject: m\r\n\r\nold text\r\n";
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"edited in place, same size",
         [&] { pelmora::test::WriteBytes(file, "Subject: m\r\n\r\nnew text\r\n"); }},
        {"replaced",
         [&] {
             pelmora::test::WriteBytes(root / "mail" / "other", "Subject: another message\r\n");
             fs::rename(root / "mail" / "other", file);
         }},
    };
    enum class When { BeforeTheMove, AtTheMove };
    for (const bool byCopy : {false, true}) {
        for (const When when : {When::BeforeTheMove, When::AtTheMove}) {
            for (const auto& [name, change] : changes) {
                SCOPED_TRACE(std::string(name) + (byCopy ? ", by copy" : ", by rename") +
                             (when == When::AtTheMove ? ", at the move" : ", before the move"));
                const pelmora::ports::FileIdentity asRead = oldMessage(file, original);
                pelmora::test::ScriptedFileSystem files;
                if (when == When::BeforeTheMove)
                    change();
                else
                    files.changeBeforeRenameOf(file, change);
                auto moved = byCopy ? TrashByCopy(file, HomeTrash(), asRead, files)
                                    : TrashByRename(file, HomeTrash(), asRead, files);
                ASSERT_FALSE(moved);
                EXPECT_EQ(moved.error().kind, pelmora::ErrorKind::Changed);
                EXPECT_EQ(moved.error().path, file);
                EXPECT_NE(pelmora::test::ReadBytes(file), original);
                EXPECT_TRUE(fs::is_empty(homeTrash() / "files"));
                EXPECT_TRUE(fs::is_empty(homeTrash() / "info"));
                EXPECT_EQ(std::distance(fs::directory_iterator(root / "mail"), {}), 1);
            }
        }
    }
    // Unchanged, it goes.
    const pelmora::ports::FileIdentity asRead = oldMessage(file, original);
    ASSERT_TRUE(MoveToTrash(file, asRead));
    EXPECT_FALSE(fs::exists(file));
}

// A changed file that cannot be put back (its name was taken meanwhile)
// stays in the trash with its .trashinfo, so it can still be restored, and
// the error says where it is.
TEST_F(TrashTest, ChangedFileThatCannotGoBackKeepsItsTrashInfo) {
    const fs::path file = root / "mail" / "m.eml";
    const pelmora::ports::FileIdentity asRead = oldMessage(file, "old");
    pelmora::test::ScriptedFileSystem files;
    files.changeBeforeRenameOf(file, [&] { pelmora::test::WriteBytes(file, "newer"); });
    files.failRename = [&](const fs::path& from, const fs::path&) { return from != file; };
    auto moved = TrashByRename(file, HomeTrash(), asRead, files);
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error().kind, pelmora::ErrorKind::Changed);
    EXPECT_EQ(pelmora::test::ReadBytes(homeTrash() / "files" / "m.eml"), "newer");
    EXPECT_TRUE(fs::exists(homeTrash() / "info" / "m.eml.trashinfo"));
    EXPECT_NE(pelmora::text::TrashFailureText(moved.error()).find((homeTrash() / "files" / "m.eml").native()),
              std::string::npos);
}

// A symbolic link holds no message of its own: it goes as a link whatever
// became of the file it points at.
TEST_F(TrashTest, LinkGoesAsALink) {
    const fs::path target = root / "mail" / "t.eml";
    const pelmora::ports::FileIdentity asRead = oldMessage(target, "t");
    fs::create_symlink(target, root / "mail" / "l.eml");
    pelmora::test::WriteBytes(target, "changed");
    auto moved = MoveToTrash(root / "mail" / "l.eml", asRead);
    ASSERT_TRUE(moved) << pelmora::Cp932ToUtf8(pelmora::text::TrashFailureText(moved.error()));
    EXPECT_TRUE(fs::is_symlink(moved->file));
    EXPECT_EQ(pelmora::test::ReadBytes(target), "changed");
}

TEST_F(TrashTest, RestorePutsTheFileBackAndDropsTheInfo) {
    const fs::path file = root / "mail" / "r.eml";
    pelmora::test::WriteBytes(file, "keep me");
    auto moved = MoveToTrash(file);
    ASSERT_TRUE(moved);
    ASSERT_TRUE(RestoreFromTrash(*moved, file));
    EXPECT_EQ(pelmora::test::ReadBytes(file), "keep me");
    EXPECT_FALSE(fs::exists(moved->file));
    EXPECT_FALSE(fs::exists(moved->info));
}

TEST_F(TrashTest, RestoreNeverReplacesAFileThatCameBack) {
    const fs::path file = root / "mail" / "r.eml";
    pelmora::test::WriteBytes(file, "old");
    auto moved = MoveToTrash(file);
    ASSERT_TRUE(moved);
    pelmora::test::WriteBytes(file, "new");
    EXPECT_FALSE(RestoreFromTrash(*moved, file));
    EXPECT_EQ(pelmora::test::ReadBytes(file), "new");
    EXPECT_EQ(pelmora::test::ReadBytes(moved->file), "old");
}

TEST_F(TrashTest, MountPointIsOnTheFilesDeviceAndItsParentIsNot) {
    const fs::path file = root / "mail" / "m.eml";
    pelmora::test::WriteBytes(file, "m");
    const fs::path top = MountPointOf(file);
    struct stat f {
    }, t{}, up{};
    ASSERT_EQ(::stat(file.c_str(), &f), 0);
    ASSERT_EQ(::stat(top.c_str(), &t), 0);
    EXPECT_EQ(f.st_dev, t.st_dev);
    if (top != top.root_path()) {
        ASSERT_EQ(::stat(top.parent_path().c_str(), &up), 0);
        EXPECT_NE(up.st_dev, t.st_dev);
    }
}

TEST_F(TrashTest, TrashEachReportsEveryPathOnItsOwn) {
    pelmora::test::WriteBytes(root / "mail" / "1.eml", "1");
    pelmora::test::WriteBytes(root / "mail" / "3.eml", "3");
    auto result = TrashEach({root / "mail" / "1.eml", root / "mail" / "2.eml", root / "mail" / "3.eml"});
    EXPECT_FALSE(result.refused);
    EXPECT_EQ(result.moved, (std::vector<bool>{true, false, true}));
    ASSERT_EQ(result.failures.size(), 1u);
    // Every word of the line is Japanese but the system's reason (ENOENT).
    const std::string expected =
        "\"" + (root / "mail" / "2.eml").native() +
        "\" をごみ箱に移動できませんでした（ファイルの検索に失敗: " + std::strerror(ENOENT) + "）";
    EXPECT_EQ(pelmora::text::TrashFailureText(result.failures[0]), pelmora::Utf8ToAnsi(expected));
    EXPECT_EQ(result.locations[0], homeTrash() / "files" / "1.eml");
    EXPECT_TRUE(result.locations[1].empty());
}
