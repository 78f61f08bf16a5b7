// SPDX-License-Identifier: MIT
#include "message/entry_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace pelmora::test {
namespace {

// Texts on both sides of the 16 bytes kept in place, with zero bytes inside,
// through every way a text gets into and out of an entry.
TEST(CompactText, KeepsEveryTextAcrossCopiesMovesAndReassignment) {
    for (const std::string& text :
         {std::string(), std::string("x"), std::string("2024/01/02 03:04"), std::string("2024/01/02 03:04Z"),
          std::string("a\0b", 3), std::string(300, 'q')}) {
        SCOPED_TRACE(text.size());
        CompactText a = text;
        EXPECT_EQ(a.size(), text.size());
        EXPECT_EQ(a.empty(), text.empty());
        EXPECT_EQ(a, text);
        EXPECT_EQ(std::string(a), text);
        CompactText copy = a;
        EXPECT_EQ(copy, text);
        CompactText moved = std::move(copy);
        EXPECT_EQ(moved, text);
        EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from text is empty
        // Assigned a part of itself, longer and shorter texts in turn.
        moved = moved.view().substr(moved.size() / 2);
        EXPECT_EQ(moved, text.substr(text.size() / 2));
        moved = std::string(40, 'w');
        moved = "short";
        EXPECT_EQ(moved, "short");
        moved = a;
        EXPECT_EQ(moved + "KB", text + "KB");
        moved.clear();
        EXPECT_TRUE(moved.empty());
    }
}

TEST(SharedText, CopiesShareOneStringAndCompareByText) {
    const SharedText folder = std::string("/home/user/mail");
    const SharedText copy = folder;
    EXPECT_EQ(&folder.str(), &copy.str());
    EXPECT_EQ(copy, "/home/user/mail");
    EXPECT_EQ(copy, SharedText("/home/user/mail"));
    const std::string& asString = copy;
    EXPECT_EQ(asString, "/home/user/mail");
    EXPECT_TRUE(SharedText().empty());
    EXPECT_EQ(SharedText().str(), "");

    // The text lives while any copy does, whichever goes first.
    SharedText kept;
    {
        SharedText first = std::string("/tmp/a");
        SharedText second = first;
        kept = second;
        first = std::move(second);
        first = first;  // NOLINT: assigning a text to itself keeps it
        EXPECT_EQ(first, "/tmp/a");
        EXPECT_TRUE(second.empty());  // NOLINT(bugprone-use-after-move): a moved-from text is empty
    }
    EXPECT_EQ(kept, "/tmp/a");
    kept = "";
    EXPECT_TRUE(kept.empty());
}

}  // namespace
}  // namespace pelmora::test
