// SPDX-License-Identifier: MIT
// The one way a file is replaced: whatever fails on the way, the file is
// the old one or the new one, never half of either, and nothing is left
// beside it.
#include "platform/replace_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <utility>

#include "platform/trash.h"
#include "support/files.h"
#include "support/scripted_files.h"

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;
using platform::Placement;
using platform::ReplaceOptions;

const std::string kOld = "the old content\n";
const std::string kNew = std::string(4096, 'n');

class ReplaceFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        folder = scratch.path() / "folder";
        fs::create_directories(folder);
        file = folder / "file.txt";
        WriteBytes(file, kOld);
    }

    std::expected<struct stat, platform::ReplaceFailure> replace(ReplaceOptions options) {
        if (!options.trashOld) options.trashOld = [this] { return trashed(); };
        return platform::ReplaceFile(
            file, options,
            [](const auto& write) -> std::expected<void, Error> {
                if (!write(kNew)) return std::unexpected(MakeError(ErrorKind::Write, {}, errno));
                return {};
            },
            files);
    }
    std::expected<fs::path, Error> trashed() {
        ++trashCalls;
        auto moved = platform::MoveToTrash(file);
        if (!moved) return std::unexpected(moved.error());
        return moved->file;
    }
    // The folder holds the file alone, with these bytes.
    void expectAlone(const std::string& bytes) {
        EXPECT_EQ(ReadBytes(file), bytes);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "no temporary file may stay";
    }
    bool trashEmpty() const {
        const fs::path trash = platform::HomeTrash().root;
        return !fs::exists(trash) || (fs::is_empty(trash / "files") && fs::is_empty(trash / "info"));
    }

    ScratchFolder scratch{"pelmora-replace"};
    ScopedEnv dataHome{"XDG_DATA_HOME", (scratch.path() / "data").string()};
    fs::path folder, file;
    ScriptedFileSystem files;
    int trashCalls = 0;
};

constexpr Placement kPlacements[] = {Placement::Replace, Placement::NoReplace, Placement::AfterTrashingOld};

// A write that fails (injected, or a full disk: a file-size limit makes
// every write past it fail with EFBIG, for root too) leaves the old file
// where it was and never reaches the trash.
TEST_F(ReplaceFile, WriteFailureLeavesTheFileAsItWas) {
    for (const bool diskFull : {false, true}) {
        for (const Placement placement : kPlacements) {
            SCOPED_TRACE(std::string(diskFull ? "disk full" : "injected") + ", placement " +
                         std::to_string(static_cast<int>(placement)));
            files.failWrite = !diskFull;
            struct rlimit saved {};
            ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
            auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit tight = saved;
            if (diskFull) tight.rlim_cur = 64;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
            auto replaced = replace({.placement = placement, .temporaryTag = "test-XXXXXX"});
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
            ASSERT_FALSE(replaced);
            EXPECT_EQ(replaced.error().error.kind, ErrorKind::Write);
            EXPECT_EQ(replaced.error().error.code, diskFull ? EFBIG : EIO);
            EXPECT_EQ(replaced.error().error.path, file);
            expectAlone(kOld);
            EXPECT_EQ(trashCalls, 0);
        }
    }
}

// When the new file cannot take the name, the old file is where it was:
// taken back from the trash, or never moved; where it cannot go back, the
// failure says where both are.
TEST_F(ReplaceFile, FailedRenameKeepsTheOldFile) {
    files.failRename = [this](const fs::path&, const fs::path& to) { return to == file; };
    auto replaced = replace({.placement = Placement::AfterTrashingOld, .temporaryTag = "test-XXXXXX"});
    ASSERT_FALSE(replaced);
    EXPECT_EQ(replaced.error().error.kind, ErrorKind::Write);
    EXPECT_EQ(replaced.error().error.code, EIO);
    EXPECT_TRUE(replaced.error().newContent.empty());
    expectAlone(kOld);
    EXPECT_EQ(trashCalls, 1);
    EXPECT_TRUE(trashEmpty()) << "the .trashinfo goes with the file";

    // Moved where nobody said: the new content stays beside, named.
    const fs::path elsewhere = scratch.path() / "elsewhere";
    replaced = replace({.placement = Placement::AfterTrashingOld,
                        .temporaryTag = "test-XXXXXX",
                        .trashOld = [&]() -> std::expected<fs::path, Error> {
                            fs::rename(file, elsewhere);
                            return fs::path();
                        }});
    ASSERT_FALSE(replaced);
    EXPECT_TRUE(replaced.error().trashedOld.empty());
    EXPECT_EQ(replaced.error().newContent.parent_path(), folder);
    EXPECT_EQ(ReadBytes(replaced.error().newContent), kNew);
    EXPECT_EQ(ReadBytes(elsewhere), kOld);
    fs::remove(replaced.error().newContent);
    fs::rename(elsewhere, file);

    // A name that is taken stays taken; a folder in the way stays.
    files.failRename = {};
    replaced = replace({.placement = Placement::NoReplace, .temporaryTag = "test-XXXXXX"});
    ASSERT_FALSE(replaced);
    EXPECT_EQ(replaced.error().error.code, EEXIST);
    expectAlone(kOld);
    fs::remove(file);
    fs::create_directory(file);
    replaced = replace({.placement = Placement::Replace, .temporaryTag = "test-XXXXXX"});
    ASSERT_FALSE(replaced);
    EXPECT_EQ(replaced.error().error.kind, ErrorKind::Write);
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "no temporary file may stay";
}

// A file written to or replaced after it was read is left alone, and
// nothing goes to the trash.
TEST_F(ReplaceFile, FileChangedSinceItWasReadStays) {
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"appended", [&] { WriteBytes(file, kOld + "more\n"); }},
        // Same size and modification time: only the change time tells.
        {"rewritten in place, its time put back",
         [&] {
             struct stat st {};
             ::stat(file.c_str(), &st);
             WriteBytes(file, "THE old content\n");
             const struct timespec times[2] = {st.st_atim, st.st_mtim};
             ::utimensat(AT_FDCWD, file.c_str(), times, 0);
         }},
        {"replaced",
         [&] {
             WriteBytes(scratch.path() / "other", kOld);
             fs::rename(scratch.path() / "other", file);
         }},
        {"replaced by a link",
         [&] {
             fs::rename(file, scratch.path() / "moved");
             fs::create_symlink(scratch.path() / "moved", file);
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        fs::remove(file);
        WriteBytes(file, kOld);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        platform::FileAsRead read{.fd = fd};
        ASSERT_EQ(::fstat(fd, &read.info), 0);
        files.changeAtFirstWrite(change);
        auto replaced = replace({.link = platform::LinkAtName::Refuse,
                                 .placement = Placement::AfterTrashingOld,
                                 .temporaryTag = "test-XXXXXX",
                                 .asRead = read});
        ::close(fd);
        ASSERT_FALSE(replaced);
        EXPECT_EQ(replaced.error().error.kind, ErrorKind::Changed);
        EXPECT_NE(ReadBytes(file), kNew);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "no temporary file may stay";
        EXPECT_EQ(trashCalls, 0);
    }
}

// A link is followed (the file it points at gets the content), replaced
// (the link goes, what it pointed at stays) or refused (nothing changes).
TEST_F(ReplaceFile, LinkAtTheNameIsFollowedReplacedOrRefused) {
    const fs::path target = file;
    file = folder / "link.txt";
    for (const auto link :
         {platform::LinkAtName::Follow, platform::LinkAtName::Replace, platform::LinkAtName::Refuse}) {
        SCOPED_TRACE(static_cast<int>(link));
        WriteBytes(target, kOld);
        fs::remove(file);
        fs::create_symlink(target, file);
        auto replaced = replace({.link = link, .temporaryTag = "test-XXXXXX"});
        EXPECT_EQ(replaced.has_value(), link != platform::LinkAtName::Refuse);
        EXPECT_EQ(fs::is_symlink(file), link != platform::LinkAtName::Replace);
        EXPECT_EQ(ReadBytes(target), link == platform::LinkAtName::Follow ? kNew : kOld);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "no temporary file may stay";
    }
}

// A new file gets what the umask leaves of rw-rw-rw-, and the umask
// itself is as it was.
TEST_F(ReplaceFile, NewFileTakesTheUmasksPermissions) {
    file = folder / "new.txt";
    const mode_t before = ::umask(027);
    ASSERT_TRUE(replace({.temporaryTag = "test-XXXXXX"}).has_value());
    const mode_t after = ::umask(before);
    EXPECT_EQ(after, 027);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
}

}  // namespace
}  // namespace pelmora::test
