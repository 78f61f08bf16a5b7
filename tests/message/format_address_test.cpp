// SPDX-License-Identifier: MIT
#include "message/format_address.h"

#include <gtest/gtest.h>

#include <map>

#include "message/header_reader.h"
#include "message_test_support.h"

namespace pelmora::test {
namespace {

// Code page 932 bytes of the names used below.
const std::string Yamada = "\x8E\x52\x93\x63";  // 山田
const std::string Taro = "\x91\xBE\x98\x59";    // 太郎
const std::string FullWidthSpace = "\x81\x40";
const std::string So = "\x83\x5C";    // ソ, whose second byte is a backslash
const std::string Kabu = "\x8A\x94";  // 株

struct AddressCase {
    const char* name;
    std::string text;
    std::string expected;
};

class FormatAddressCases : public testing::TestWithParam<AddressCase> {};

TEST_P(FormatAddressCases, ShowsTheShortForm) {
    EXPECT_EQ(Hex(FormatAddress(GetParam().text, nullptr)), Hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatAddressCases,
    testing::Values(
        AddressCase{"QuotedNameThenAddress", "\"Taro Yamada\" <taro@example.jp>", "Taro Yamada"},
        AddressCase{"UnquotedNameThenAddress", "Taro Yamada <taro@example.jp>", "Taro Yamada"},
        AddressCase{"AddressInBracketsAlone", "<taro@example.jp>", "taro@example.jp"},
        AddressCase{"BareAddress", "taro@example.jp", "taro@example.jp"},
        AddressCase{"BareAddressWithComment", "taro@example.jp (Taro Yamada)", "Taro Yamada"},
        AddressCase{"NameCommentAndAddress", "Taro (Sales) <taro@example.jp>", "Sales"},
        AddressCase{"CommentAfterBracketsIgnored", "<taro@example.jp> (Taro)", "taro@example.jp"},
        AddressCase{"SplitQuotedNameJoined",
                    "\"" + Yamada + FullWidthSpace + "\" \"" + Taro + "\" <taro@example.jp>",
                    Yamada + FullWidthSpace + Taro},
        AddressCase{"QuoteWithoutClosingQuote", "\"Taro Yamada <taro@example.jp>", ""},
        AddressCase{"EmptyQuotedName", "\"\" <taro@example.jp>", ""},
        AddressCase{"QuotedNameKeepsParentheses", "\"Taro (Sales)\" <taro@example.jp>", "Taro (Sales)"},
        AddressCase{"UnterminatedBracketAtStart", "<taro@example.jp", ""},
        AddressCase{"UnterminatedComment", "taro@example.jp (Taro", ""},
        AddressCase{"EscapedCloseEndsComment", "taro@example.jp (a\\(b\\)c)", "a(b\\"},
        AddressCase{"EscapedParenthesesInQuotedName", "\"Taro \\(Sales\\)\" <t@example.jp>", "Taro (Sales)"},
        AddressCase{"BlanksAndTabsTrimmed", " \t Taro \t <taro@example.jp>", "Taro"},
        AddressCase{"FullWidthSpaceNotTrimmed", FullWidthSpace + Taro + FullWidthSpace + " <t@example.jp>",
                    FullWidthSpace + Taro + FullWidthSpace},
        AddressCase{"DoubleByteSecondByteIsNoEscape", "\"" + So + "(" + Kabu + ")\" <s@example.jp>",
                    So + "(" + Kabu + ")"},
        AddressCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<AddressCase>& row) { return std::string(row.param.name); });

class FakeDirectory : public DisplayNameLookup {
public:
    void add(std::string address, std::string name) {
        for (char& c : address) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        m_names[address] = std::move(name);
    }
    const std::string* LookupDisplayName(std::string_view address) const override {
        std::string key(address);
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ++lookups;
        const auto found = m_names.find(key);
        return found == m_names.end() ? nullptr : &found->second;
    }
    mutable int lookups = 0;

private:
    std::map<std::string, std::string> m_names;
};

TEST(FormatAddressDirectory, BareAddressInOtherCaseGivesTheDirectoryName) {
    FakeDirectory directory;
    directory.add("taro@example.jp", Yamada + Taro);
    EXPECT_EQ(FormatAddress("Taro@Example.JP", &directory), Yamada + Taro);
    EXPECT_EQ(FormatAddress("<taro@example.jp>", &directory), Yamada + Taro);
    EXPECT_EQ(FormatAddress("Taro@Example.JP", nullptr), "Taro@Example.JP");
}

TEST(FormatAddressDirectory, DisplayNameOfTheHeaderIsKept) {
    FakeDirectory directory;
    directory.add("taro@example.jp", Yamada + Taro);
    EXPECT_EQ(FormatAddress("Taro <taro@example.jp>", &directory), "Taro");
}

TEST(FormatAddressDirectory, TextWithoutAtSignIsNeverLookedUp) {
    FakeDirectory directory;
    directory.add("", "nobody");
    directory.add("taro", "Taro");
    EXPECT_EQ(FormatAddress("", &directory), "");
    EXPECT_EQ(FormatAddress("taro", &directory), "taro");
    EXPECT_EQ(directory.lookups, 0);
}

}  // namespace
}  // namespace pelmora::test
