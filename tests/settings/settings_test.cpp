// SPDX-License-Identifier: MIT
// Reading and writing the settings text, without files.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace pelmora {
namespace {

std::string written(const Settings& settings, std::string_view keepFrom = {}) {
    std::ostringstream out;
    WriteSettings(out, settings, keepFrom);
    return out.str();
}

// Every key away from its default, texts that need quoting, code page 932
// texts and paths that do and do not fit code page 932.
Settings everyKeyChanged() {
    Settings s;
    s.Width = 800;
    s.Height = 480;
    s.Top = -20;
    s.Left = 1900;
    s.CoolBarWidth0 = 401;
    s.CoolBarBreak1 = true;
    s.FolderTree = true;
    s.STV1Width = 233;
    s.CWidth = {11, 22, 33, 44, 55, 66};
    s.VSort = -7;
    s.Preview = false;
    s.PreviewHeight = 345;
    s.FFWidth = 700;
    s.FFHeight = 300;
    s.FFTop = 5;
    s.FFLeft = 6;
    s.FFCoolBarWidth0 = 99;
    s.FFCoolBarBreak1 = true;
    s.FFCWidth = {10, 20, 30, 40, 50, 60, 70};
    s.FFVSort = 100;
    s.FFPreview = false;
    s.FFPreviewHeight = 123;
    s.emlDir = "/home/taro/\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB";  // メール
    s.ConvDisplayName = true;
    s.DupCheckHeaders = false;
    s.ErrorUnableDecode = false;
    s.EditorName = "/usr/bin/my editor ";
    s.MsgListDir = "/tmp/caf\xC3\xA9 \xF0\x9F\x98\x80";  // café 😀
    s.ShowHint = false;
    s.DupKeep = "under:/home/taro/\xE6\x97\xA7 \xF0\x9F\x98\x80";  // 旧 😀
    s.AttachKeepRecord = true;
    s.ListSubFolders = true;
    s.AddressBookPath = "/home/taro/\xE9\x80\xA3\xE7\xB5\xA1\xE5\x85\x88.vcf";  // 連絡先.vcf
    s.AttachSaveDir = "/home/taro/\xE6\xB7\xBB\xE4\xBB\x98";                    // 添付
    s.FFsearchSubFolder = true;
    for (int field = 0; field < kHistoryFields; ++field) {
        for (int index = 0; index < kHistoryEntries; ++index)
            s.CB[field][index] = "term" + std::to_string(field) + "-" + std::to_string(index);
    }
    s.CB[0][0] = "\x88\xA4 OR \x95\x5C";  // 愛 OR 表 (0x5C trail byte)
    s.CB[1][3] = "\"quoted phrase\"";
    s.CB[2][4] = "  blanks at both ends ";
    s.CB[3][10] = "a=b;c [x]";
    return s;
}

TEST(SettingsText, EveryKeyComesBackUnchanged) {
    Settings original = everyKeyChanged();
    EXPECT_EQ(ParseSettings(written(original)), original);
}

TEST(SettingsText, EmptyTextIsDefaultsAndDefaultsComeBack) {
    EXPECT_EQ(ParseSettings(""), Settings{});
    EXPECT_EQ(ParseSettings(written(Settings{})), Settings{});
    Settings defaults;
    EXPECT_EQ(defaults.Width, 1024);
    EXPECT_EQ(defaults.STV1Width, 160);
    EXPECT_EQ(defaults.VSort, 3);
    EXPECT_EQ(defaults.FFTop, defaults.Top + 25);
    EXPECT_EQ(defaults.EditorName, "NotePad.exe");
    EXPECT_EQ(defaults.DupKeep, "oldest");
    EXPECT_FALSE(defaults.AttachKeepRecord);
    EXPECT_FALSE(defaults.ListSubFolders);
}

TEST(SettingsText, SectionsInOrderWithCrLfAndCp932Paths) {
    Settings s;
    s.emlDir = "/m/\xE3\x83\xA1";  // メ
    std::string text = written(s);
    std::size_t form = text.find("[Form]\r\n"), file = text.find("[File]\r\n"),
                option = text.find("[Option]\r\n"), find = text.find("[Find]\r\n");
    ASSERT_NE(find, std::string::npos);
    EXPECT_EQ(form, 0u);
    EXPECT_LT(form, file);
    EXPECT_LT(file, option);
    EXPECT_LT(option, find);
    EXPECT_NE(text.find("\r\nemlDir=/m/\x83\x81\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nCoolBarBreak1=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nShowHint=1\r\n"), std::string::npos);
    // The added key stays out of the file until the user sets it.
    EXPECT_EQ(text.find("AddressBookPath"), std::string::npos);
    EXPECT_EQ(text.find("AttachSaveDir"), std::string::npos);
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r');
}

TEST(SettingsText, PathOutsideCp932IsStoredAsNativeBytes) {
    Settings s;
    s.emlDir = "/m/caf\xC3\xA9";
    std::string text = written(s);
    EXPECT_NE(text.find("emlDir=\xEF\xBB\xBF/m/caf\xC3\xA9\r\n"), std::string::npos);
    // A file written by a Windows build holds plain code page 932.
    EXPECT_EQ(ParseSettings("[File]\nemlDir=C:\\\x83\x81\x81[\x83\x8B\n").emlDir,
              std::filesystem::path("C:\\\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB"));
}

TEST(SettingsText, OnlyFilledHistoryEntriesAreWritten) {
    Settings s;
    s.CB[0][0] = "a";
    s.CB[0][1] = "b";
    s.CB[0][5] = "c";
    std::string text = written(s);
    std::string find = text.substr(text.find("[Find]"));
    EXPECT_EQ(find, "[Find]\r\nFFsearchSubFolder=0\r\nCB100=a\r\nCB101=b\r\nCB105=c\r\n");
}

TEST(SettingsText, HistoryKeysNameFieldAndTwoDigitIndex) {
    EXPECT_EQ(HistoryKey(1, 0), "CB100");
    EXPECT_EQ(HistoryKey(2, 9), "CB209");
    EXPECT_EQ(HistoryKey(4, 10), "CB410");
}

struct ValueRow {
    const char* name;
    const char* text;
    int width;        // Form/Width as read
    bool folderTree;  // Form/FolderTree as read
};

class MalformedValues : public testing::TestWithParam<ValueRow> {};

TEST_P(MalformedValues, ReadAsDefaultOrAsNumber) {
    Settings s = ParseSettings(GetParam().text);
    EXPECT_EQ(s.Width, GetParam().width);
    EXPECT_EQ(s.FolderTree, GetParam().folderTree);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsText, MalformedValues,
    testing::Values(
        ValueRow{"letters", "[Form]\nWidth=abc\nFolderTree=yes\n", 1024, true},
        ValueRow{"number_then_letters", "[Form]\nWidth=12px\nFolderTree=0x0\n", 1024, true},
        ValueRow{"beyond_int", "[Form]\nWidth=99999999999\nFolderTree=-99999999999\n", 1024, true},
        ValueRow{"empty_values", "[Form]\nWidth=\nFolderTree=\n", 1024, true},
        ValueRow{"blanks_and_sign", "[Form]\nWidth = +420 \t\nFolderTree =\t0\n", 420, false},
        ValueRow{"out_of_range_is_malformed", "[Form]\nWidth=-3\nFolderTree=-1\n", 1024, true},
        ValueRow{"any_nonzero_is_true", "[Form]\nFolderTree=2\n", 1024, true},
        ValueRow{"names_ignore_case", "[fORM]\r\nwidth=640\r\nFOLDERTREE=0\r\n", 640, false},
        ValueRow{"first_of_repeated_keys", "[Form]\nWidth=101\nWidth=102\n[Form]\nWidth=103\n", 101, true},
        ValueRow{"comment_lines", "[Form]\n;Width=105\n  ; FolderTree=0\nWidth=106\n", 106, true},
        ValueRow{"key_outside_section", "Width=107\n[Other]\nWidth=108\n", 1024, true},
        ValueRow{"quoted_number", "[Form]\nWidth=\"777\"\n", 777, true},
        ValueRow{"byte_order_mark", "\xEF\xBB\xBF[Form]\nWidth=109\n", 109, true}),
    [](const testing::TestParamInfo<ValueRow>& row) { return std::string(row.param.name); });

// A value outside what its key can hold is malformed: it takes its default
// and is not written back.
TEST(SettingsText, OutOfRangeValuesTakeTheirDefaults) {
    const Settings defaults;
    struct Row {
        const char* text;
        int Settings::*field;
        int expected;
    };
    const Row rows[] = {
        {"VSort=42", &Settings::VSort, defaults.VSort},
        {"VSort=-100", &Settings::VSort, -100},
        {"VSort=-7", &Settings::VSort, -7},
        {"VSort=0", &Settings::VSort, defaults.VSort},
        {"VSort=-2147483648", &Settings::VSort, defaults.VSort},
        {"FFVSort=8", &Settings::FFVSort, defaults.FFVSort},
        {"Width=20000", &Settings::Width, 20000},
        {"Width=40000", &Settings::Width, defaults.Width},
        {"Height=-10", &Settings::Height, defaults.Height},
        {"Height=99", &Settings::Height, defaults.Height},
        {"Top=-32768", &Settings::Top, -32768},
        {"Left=2000000", &Settings::Left, defaults.Left},
        {"FFWidth=0", &Settings::FFWidth, defaults.FFWidth},
        {"CoolBarWidth0=-1", &Settings::CoolBarWidth0, defaults.CoolBarWidth0},
        {"STV1Width=0", &Settings::STV1Width, 0},
        {"STV1Width=-5", &Settings::STV1Width, defaults.STV1Width},
        {"PreviewHeight=10", &Settings::PreviewHeight, defaults.PreviewHeight},
        {"FFPreviewHeight=150", &Settings::FFPreviewHeight, 150},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ParseSettings(std::string("[Form]\n") + row.text + "\n").*row.field, row.expected)
            << row.text;
    for (const char* column : {"C0Width=0", "C5Width=7", "FFC6Width=-1", "C2Width=99999"}) {
        const Settings s = ParseSettings(std::string("[Form]\n") + column + "\n");
        EXPECT_EQ(s.CWidth, defaults.CWidth) << column;
        EXPECT_EQ(s.FFCWidth, defaults.FFCWidth) << column;
    }
    EXPECT_EQ(ParseSettings("[Form]\nC0Width=8\nFFC6Width=8\n").CWidth[0], 8);
    // An out-of-range Top gives the search window the default's offset too.
    EXPECT_EQ(ParseSettings("[Form]\nTop=99999\n").FFTop, defaults.Top + 25);
}

TEST(SettingsText, GarbledBytesGiveDefaults) {
    std::mt19937 random(4711);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(4096, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        EXPECT_EQ(ParseSettings(garbage), Settings{}) << "round " << round;
    }
}

TEST(SettingsText, SearchWindowPositionFollowsMainWindowAsRead) {
    Settings s = ParseSettings("[Form]\nTop=10\nLeft=20\n");
    EXPECT_EQ(s.FFTop, 35);
    EXPECT_EQ(s.FFLeft, 45);
    s = ParseSettings("[Form]\nTop=10\nLeft=20\nFFTop=1\nFFLeft=2\n");
    EXPECT_EQ(s.FFTop, 1);
    EXPECT_EQ(s.FFLeft, 2);
}

// The sum must not overflow whatever the file holds (UBSan reported it in
// every command); what the main window position itself becomes is another rule's.
TEST(SettingsText, SearchWindowPositionNeverOverflows) {
    for (const char* text :
         {"[Form]\nTop=2147483647\nLeft=2147483647\n", "[Form]\nTop=2147483630\nLeft=-2147483648\n"}) {
        const Settings s = ParseSettings(text);
        EXPECT_EQ(s.FFTop, std::min<long long>(s.Top + 25LL, std::numeric_limits<int>::max())) << text;
        EXPECT_EQ(s.FFLeft, std::min<long long>(s.Left + 25LL, std::numeric_limits<int>::max())) << text;
    }
}

TEST(SettingsText, TreeWidthIsReadOnlyWhenTreeShown) {
    EXPECT_EQ(ParseSettings("[Form]\nFolderTree=0\nSTV1Width=0\n").STV1Width, 160);
    EXPECT_EQ(ParseSettings("[Form]\nFolderTree=1\nSTV1Width=0\n").STV1Width, 0);
    Settings hidden;
    hidden.FolderTree = false;
    hidden.STV1Width = 0;
    EXPECT_NE(written(hidden).find("\r\nFolderTree=0\r\nSTV1Width=0\r\n"), std::string::npos);
}

TEST(SettingsText, TextsAreCutAt2047BytesWithoutSplittingACharacter) {
    std::string longText(3000, 'x');
    EXPECT_EQ(ParseSettings("[Find]\nCB100=" + longText + "\n").CB[0][0], std::string(2047, 'x'));
    // A double-byte character across the limit is left out whole.
    std::string across = std::string(2046, 'x') + "\x82\xA0" + "y";
    EXPECT_EQ(ParseSettings("[Find]\nCB100=" + across + "\n").CB[0][0], std::string(2046, 'x'));
    std::string fits = std::string(2045, 'x') + "\x82\xA0" + "y";
    EXPECT_EQ(ParseSettings("[Find]\nCB100=" + fits + "\n").CB[0][0], std::string(2045, 'x') + "\x82\xA0");
    // A cut path would name another folder: it reads as none.
    EXPECT_EQ(ParseSettings("[File]\nemlDir=/" + longText + "\n").emlDir, std::filesystem::path());
    EXPECT_EQ(ParseSettings("[Option]\nEditorName=/" + longText + "\n").EditorName, "NotePad.exe");
}

TEST(SettingsText, LineBreaksInTextsCannotBreakTheFile) {
    Settings s;
    s.CB[0][0] = "first\r\n[Form]\r\nWidth=1";
    s.emlDir = "/a\nb";
    Settings back = ParseSettings(written(s));
    EXPECT_EQ(back.CB[0][0], "first");
    EXPECT_EQ(back.Width, 1024);
    EXPECT_EQ(back.emlDir, std::filesystem::path());
}

TEST(SettingsText, ForeignSectionsSurviveASave) {
    std::string previous =
        "[Form]\r\nWidth=1\r\n[Mine]\r\nkey=value\r\n;note\r\n[find]\r\nCB100=old\r\n[Other]\r\nx=1\r\n";
    std::string text = written(Settings{}, previous);
    EXPECT_NE(text.find("[Mine]\r\nkey=value\r\n;note\r\n[Other]\r\nx=1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("CB100=old"), std::string::npos);
    EXPECT_EQ(text.find("Width=1\r\n"), std::string::npos);
}

}  // namespace
}  // namespace pelmora
