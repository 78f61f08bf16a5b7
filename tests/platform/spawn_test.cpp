// SPDX-License-Identifier: MIT
#include "platform/spawn.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/files.h"

namespace fs = std::filesystem;
using namespace pelmora::platform;

TEST(StartDetached, PassesTheFileAsOneArgumentWithoutAShell) {
    const pelmora::test::ScratchFolder scratch("pelmora-spawn");
    const fs::path& folder = scratch.path();
    ASSERT_FALSE(folder.empty());
    // A name a shell would split and expand; touch must see it whole.
    const fs::path file = folder / "a b;$(echo x).eml";
    ASSERT_TRUE(StartDetached("touch", file));
    for (int i = 0; i < 100 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

TEST(StartDetached, MissingProgramFails) {
    EXPECT_FALSE(StartDetached("/nonexistent/editor", "/tmp/x.eml"));
    EXPECT_FALSE(StartDetached("NotPad-surely-not-on-path.exe", "/tmp/x.eml"));
    EXPECT_FALSE(StartDetached("", "/tmp/x.eml"));
}
