// SPDX-License-Identifier: MIT
#include "platform/paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/files.h"

namespace fs = std::filesystem;
using namespace pelmora::platform;

namespace {

// a/sub is a link to b/inner: the kernel takes a/sub/.. to b, where a
// lexical normalisation would take it to a.
class KernelPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = scratch.path();
        fs::create_directories(root / "a");
        fs::create_directories(root / "b" / "inner");
        fs::create_symlink(root / "b" / "inner", root / "a" / "sub");
        pelmora::test::WriteBytes(root / "a" / "m.eml", "a");
        pelmora::test::WriteBytes(root / "b" / "m.eml", "b");
        fs::create_symlink(root / "b" / "m.eml", root / "a" / "link.eml");
    }
    pelmora::test::ScratchFolder scratch{"pelmora-paths"};
    fs::path root;
};

TEST_F(KernelPathTest, DotDotAfterALinkLeadsWhereTheKernelGoes) {
    EXPECT_EQ(KernelPath(root / "a/sub/..", FinalLink::Follow), root / "b");
    EXPECT_EQ(KernelPath(root / "a/sub/../m.eml", FinalLink::Keep), root / "b/m.eml");
    EXPECT_EQ(KernelPath(root / "a/sub/..", FinalLink::Keep), root / "b");
    EXPECT_EQ(KernelPath(root / "a/sub/", FinalLink::Keep), root / "b/inner");
}

TEST_F(KernelPathTest, FinalLinkIsKeptOrFollowedAsAsked) {
    EXPECT_EQ(KernelPath(root / "a/sub/../../a/link.eml", FinalLink::Keep), root / "a/link.eml");
    EXPECT_EQ(KernelPath(root / "a/link.eml", FinalLink::Follow), root / "b/m.eml");
    EXPECT_EQ(KernelPath(root / "a/sub", FinalLink::Follow), root / "b/inner");
}

TEST_F(KernelPathTest, RelativePathsBecomeAbsoluteAndMissingOnesStayAsGiven) {
    const fs::path before = fs::current_path();
    fs::current_path(root / "a");
    EXPECT_EQ(KernelPath("m.eml", FinalLink::Keep), root / "a/m.eml");
    EXPECT_EQ(KernelPath("sub/../m.eml", FinalLink::Keep), root / "b/m.eml");
    fs::current_path(before);
    EXPECT_EQ(KernelPath(root / "gone/x.eml", FinalLink::Keep), root / "gone/x.eml");
    EXPECT_EQ(KernelPath(root / "gone", FinalLink::Follow), root / "gone");
}

TEST_F(KernelPathTest, FolderDeeperThanPathMaxOpensComponentByComponent) {
    const std::string name(200, 'd');
    std::string path = root.native();
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level <= PATH_MAX / 200 && fd >= 0; ++level) {
        ::mkdirat(fd, name.c_str(), 0700);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += "/" + name;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);
    for (FolderAccess access : {FolderAccess::List, FolderAccess::Anchor}) {
        const int opened = OpenFolder(path, access);
        EXPECT_GE(opened, 0) << std::strerror(errno);
        if (opened >= 0) ::close(opened);
    }
    // Removed from the bottom up, one level at a time.
    while (path.size() > root.native().size()) {
        const auto slash = path.rfind('/');
        const int parent = OpenFolder(path.substr(0, slash));
        ASSERT_GE(parent, 0);
        ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
        ::close(parent);
        path.resize(slash);
    }
}

bool pseudo(const char* folder) {
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool answer = IsPseudoFileSystem(fd);
    ::close(fd);
    return answer;
}

// The mount points of each type, from the kernel's plain list.
std::vector<std::string> mountsOfType(const std::string& wanted) {
    std::ifstream mounts("/proc/self/mounts");
    std::vector<std::string> points;
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string source, point, type;
        fields >> source >> point >> type;
        if (type == wanted) points.push_back(point);
    }
    return points;
}

TEST(PseudoFileSystem, KernelViewsAreDevtmpfsIsTmpfsAndDisksAreNot) {
    EXPECT_TRUE(pseudo("/proc"));
    if (fs::is_directory("/sys/kernel")) {
        EXPECT_TRUE(pseudo("/sys/kernel"));
    }
    pelmora::test::ScratchFolder scratch;
    EXPECT_FALSE(pseudo(scratch.path().c_str()));
    // devtmpfs tells the same magic number as tmpfs, where mail may lie.
    for (const std::string& point : mountsOfType("devtmpfs")) EXPECT_TRUE(pseudo(point.c_str())) << point;
    for (const std::string& point : mountsOfType("tmpfs")) EXPECT_FALSE(pseudo(point.c_str())) << point;
}

}  // namespace
