// SPDX-License-Identifier: MIT
// Merging source lines into the directory and looking addresses up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "addressbook/display_names.h"
#include "decode/text.h"
#include "message/format_address.h"

namespace pelmora {
namespace {

DisplayNameDirectory merged(std::vector<std::string> lines) {
    DisplayNameDirectory directory;
    MergeAddressLines(directory, std::move(lines));
    return directory;
}

std::string lookup(const DisplayNameDirectory& directory, std::string_view address) {
    const std::string* name = directory.LookupDisplayName(address);
    return name ? *name : "(none)";
}

TEST(MergeAddressLines, SameAddressTwiceKeepsTheNameThatSortsFirst) {
    auto directory = merged({"a@x.jp,Zed", "b@x.jp,Bee", "a@x.jp,alpha", "a@x.jp,Alpha"});
    EXPECT_EQ(directory.addresses(), (std::vector<std::string>{"a@x.jp", "b@x.jp"}));
    EXPECT_EQ(lookup(directory, "a@x.jp"), "Alpha");
}

TEST(MergeAddressLines, TwoAddressesOfOneContactShareTheName) {
    auto directory = merged({"home@x.jp,Taro", "work@y.jp,Taro"});
    EXPECT_EQ(directory.size(), 2u);
    EXPECT_EQ(lookup(directory, "home@x.jp"), "Taro");
    EXPECT_EQ(lookup(directory, "work@y.jp"), "Taro");
}

TEST(MergeAddressLines, OnlyTheFirstCommaSeparates) {
    auto directory = merged({"a@x.jp,Suzuki, Hanako, PhD"});
    EXPECT_EQ(lookup(directory, "a@x.jp"), "Suzuki, Hanako, PhD");
}

TEST(MergeAddressLines, AddressesDifferingInCaseAreAllKeptAndEitherAnswers) {
    auto directory = merged({"Taro@X.jp,Upper", "taro@x.jp,Lower", "taro@x.jp,Lower again"});
    EXPECT_EQ(directory.size(), 2u);
    std::string name = lookup(directory, "TARO@x.JP");
    EXPECT_TRUE(name == "Upper" || name == "Lower") << name;
}

TEST(MergeAddressLines, ByteEqualAddressesStayTogetherBetweenCaseVariants) {
    // Sorting whole lines would put "A@x.jp,mm" between the two lines of
    // "a@x.jp" and let the second one in as a duplicate.
    auto directory = merged({"a@x.jp,aa", "A@x.jp,mm", "a@x.jp,zz"});
    EXPECT_EQ(directory.size(), 2u);
    auto count = std::count(directory.addresses().begin(), directory.addresses().end(), "a@x.jp");
    EXPECT_EQ(count, 1);
}

TEST(MergeAddressLines, AddressListIsSortedEvenWhenOneAddressPrefixesAnother) {
    // "+" sorts below ",": ordered as whole lines, "ab@x.jp+" would precede
    // "ab@x.jp" and a binary search for the shorter address would miss.
    auto directory =
        merged({"ab@x.jp+,Plus", "ab@x.jp,Plain", "ab@x.jp ,Blank", "aa@x.jp,First", "ac@x.jp,Last"});
    const auto& addresses = directory.addresses();
    EXPECT_TRUE(std::is_sorted(addresses.begin(), addresses.end(),
                               [](const auto& a, const auto& b) { return CompareTextNoCase(a, b) < 0; }));
    EXPECT_EQ(lookup(directory, "ab@x.jp"), "Plain");
    EXPECT_EQ(lookup(directory, "ab@x.jp+"), "Plus");
    EXPECT_EQ(lookup(directory, "aa@x.jp"), "First");
    EXPECT_EQ(lookup(directory, "ac@x.jp"), "Last");
}

TEST(MergeAddressLines, ResultDoesNotDependOnTheOrderOfTheLines) {
    std::vector<std::string> lines = {"b@x,2", "B@x,1", "a@x,n", "A@x,N", "a@x,m", "c@x,c"};
    auto first = merged(lines);
    std::reverse(lines.begin(), lines.end());
    auto second = merged(lines);
    EXPECT_EQ(first.addresses(), second.addresses());
    EXPECT_EQ(first.names(), second.names());
}

TEST(MergeAddressLines, AppendsToWhatIsThereAndSkipsTheLastAddressAgain) {
    DisplayNameDirectory directory;
    directory.Append("a@x.jp", "Old");
    MergeAddressLines(directory, {"a@x.jp,New", "b@x.jp,Bee"});
    EXPECT_EQ(directory.names(), (std::vector<std::string>{"Old", "Bee"}));
}

TEST(LookupDisplayName, FindsInOtherCaseIncludingFullWidthLetters) {
    // "ａ@x.jp" in full-width letters: ａ is 0x82 0x81, Ａ is 0x82 0x60.
    auto directory = merged({"Mixed.Case@Example.COM,Mixed", "\x82\x81@x.jp,Wide"});
    EXPECT_EQ(lookup(directory, "mixed.case@example.com"), "Mixed");
    EXPECT_EQ(lookup(directory, "MIXED.CASE@EXAMPLE.COM"), "Mixed");
    EXPECT_EQ(lookup(directory, "\x82\x60@X.JP"), "Wide");
    EXPECT_EQ(lookup(directory, "mixed.case@example.co"), "(none)");
    EXPECT_EQ(lookup(DisplayNameDirectory{}, "a@x.jp"), "(none)");
}

TEST(LookupDisplayName, EmptyAddressIsNeverReplacedByTheFormatter) {
    DisplayNameDirectory directory;
    directory.Append("", "No address");
    directory.Append("a@x.jp", "Ay");
    EXPECT_EQ(FormatAddress("", &directory), "");
    EXPECT_EQ(FormatAddress("A@X.JP", &directory), "Ay");
    EXPECT_EQ(FormatAddress("<a@x.jp>", nullptr), "a@x.jp");
}

}  // namespace
}  // namespace pelmora
