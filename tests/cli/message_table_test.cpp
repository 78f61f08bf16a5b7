// SPDX-License-Identifier: MIT
// The command line's list output: the TSV contract, the CSV records and the
// width arithmetic of the table.
#include "cli/message_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "catalogue/catalogue_test_support.h"
#include "cli/terminal_ports.h"

namespace pelmora::cli {
namespace {

using test::Sjis;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

std::unique_ptr<TMsgItem> Entry() {
    auto e = test::MakeItem({.from = "Taro", .subject = Sjis("件名"), .folderPath = "/m/in"});
    e->FileName = "/m/in/sub/a.eml";
    e->SentDateText = "2008/01/01 10:00";
    e->RecvDateText = "2008/01/01 10:01";
    e->MessageId = "<id@x>";
    e->SizeKB = "1,234";
    e->DupHash = -2;
    e->HasAttach = true;
    return e;
}

TEST(Tsv, HeaderNamesTheThirteenColumnsAndSelected) {
    auto names = SplitTabs(TsvHeader(false));
    ASSERT_EQ(names.size(), 13u);
    EXPECT_EQ(names.front(), "path");
    EXPECT_EQ(names.back(), "duphash");
    EXPECT_EQ(SplitTabs(TsvHeader(true)).back(), "selected");
}

TEST(Tsv, RecordColumnsInOrder) {
    TableOptions options;
    options.baseFolder = "/m/in/";
    auto e = Entry();
    e->FromRaw = "=?ISO-2022-JP?B?xx?=";
    auto fields = SplitTabs(TsvRecord(*e, options, true));
    ASSERT_EQ(fields.size(), 14u);
    EXPECT_EQ(fields[0], "sub/a.eml");  // relative to the folder named
    EXPECT_EQ(fields[1], "Taro");
    EXPECT_EQ(fields[3], "件名");  // UTF-8 by default
    EXPECT_EQ(fields[4], "2008/01/01 10:00");
    EXPECT_EQ(fields[5], "2008/01/01 10:01");
    EXPECT_EQ(fields[6], "<id@x>");
    EXPECT_EQ(fields[8], "1");
    EXPECT_EQ(fields[9], "=?ISO-2022-JP?B?xx?=");
    EXPECT_EQ(fields[11], "1,234");
    EXPECT_EQ(fields[12], "fffffffffffffffe");  // the hash's 64 bits, 16 digits
    EXPECT_EQ(fields[13], "1");
}

TEST(Tsv, ControlsAndBackslashAreEscapedSoOneMessageIsOneLine) {
    TableOptions options;
    auto e = Entry();
    e->Subject = "a\\b\tc\rd\ne";
    auto fields = SplitTabs(TsvRecord(*e, options, std::nullopt));
    ASSERT_EQ(fields.size(), 13u);
    EXPECT_EQ(fields[3], "a\\\\b\\tc\\rd\\ne");
    EXPECT_EQ(fields[0], "/m/in/sub/a.eml");  // outside the base folder: the full path
}

// On a terminal an ESC from a subject or a file name would be obeyed; files
// and pipes get the bytes as they are.
TEST(Tsv, ControlBytesAreBlankedOnlyOnATerminal) {
    TableOptions options;
    auto e = Entry();
    e->FileName = "/m/in/\x1b]0;x\x07.eml";
    e->Subject = "a\x1b[31mb\tc\x7f";
    auto fields = SplitTabs(TsvRecord(*e, options, std::nullopt));
    EXPECT_EQ(fields[0], "/m/in/\x1b]0;x\x07.eml");
    EXPECT_EQ(fields[3], "a\x1b[31mb\\tc\x7f");
    options.toTerminal = true;
    fields = SplitTabs(TsvRecord(*e, options, std::nullopt));
    ASSERT_EQ(fields.size(), 13u);
    EXPECT_EQ(fields[0], "/m/in/ ]0;x .eml");
    EXPECT_EQ(fields[3], "a [31mb\\tc ");
}

TEST(Tsv, Cp932OutputKeepsSecondBytesThatLookLikeBackslash) {
    TableOptions options;
    options.encoding = OutputEncoding::Cp932;
    auto e = Entry();
    e->Subject = Sjis("ソ\\");  // 0x83 0x5C, then a real backslash
    auto fields = SplitTabs(TsvRecord(*e, options, std::nullopt));
    EXPECT_EQ(fields[3], "\x83\x5C\\\\");
}

TEST(Json, RecordHasTheTsvFieldsUnderTheTsvNames) {
    TableOptions options;
    options.baseFolder = "/m/in";
    options.encoding = OutputEncoding::Cp932;  // JSON is UTF-8 whatever was asked
    auto e = Entry();
    e->Subject = Sjis("件名 \"引用\" a\\b\tc\x01");
    e->Boundary = "b1";
    EXPECT_EQ(JsonRecord(*e, options, std::nullopt),
              "{\"path\":\"sub/a.eml\",\"from\":\"Taro\",\"to\":\"t\","
              "\"subject\":\"件名 \\\"引用\\\" a\\\\b\\tc\\u0001\","
              "\"sentdatetext\":\"2008/01/01 10:00\",\"recvdatetext\":\"2008/01/01 10:01\","
              "\"messageid\":\"<id@x>\",\"boundary\":\"b1\",\"hasattach\":true,\"fromraw\":\"\","
              "\"toraw\":\"\",\"sizekb\":\"1,234\",\"duphash\":\"fffffffffffffffe\"}");
    e->HasAttach = false;
    const std::string selected = JsonRecord(*e, options, false);
    EXPECT_NE(selected.find("\"hasattach\":false,"), std::string::npos);
    EXPECT_TRUE(selected.ends_with(",\"selected\":false}")) << selected;
}

TEST(Json, OneObjectPerLine) {
    MsgList list;
    list.push_back(Entry());
    list.push_back(Entry());
    list.back()->Subject = "line\r\nbreak";
    TerminalListView view;
    view.setRowCount(2);
    view.setSelected(1, true);
    TableOptions options;
    options.format = TableFormat::Json;
    options.selection = &view;
    std::ostringstream out;
    WriteMessageTable(out, list, options);
    std::istringstream lines(out.str());
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 2u);  // no header line, and the CR LF stays escaped
    EXPECT_TRUE(rows[0].ends_with("\"selected\":false}"));
    EXPECT_TRUE(rows[1].ends_with("\"selected\":true}"));
    EXPECT_NE(rows[1].find("line\\r\\nbreak"), std::string::npos);
}

struct JsonStringRow {
    const char* name;
    std::string utf8;
    std::string json;
};
void PrintTo(const JsonStringRow& row, std::ostream* out) {
    *out << row.name;
}

class JsonStringTest : public testing::TestWithParam<JsonStringRow> {};

TEST_P(JsonStringTest, QuotesEscapesAndKeepsItValidUtf8) {
    EXPECT_EQ(JsonString(GetParam().utf8), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonStringTest,
    testing::Values(JsonStringRow{"plain", "abc", "\"abc\""},
                    JsonStringRow{"quote_backslash_slash", "\"\\/", "\"\\\"\\\\/\""},
                    JsonStringRow{"controls_escaped", std::string("\t\r\n\b\x1f\x7f", 6),
                                  "\"\\t\\r\\n\\u0008\\u001f\x7f\""},
                    JsonStringRow{"nul_byte", std::string("a\0b", 3), "\"a\\u0000b\""},
                    JsonStringRow{"japanese_and_emoji_kept", "件名\xF0\x9F\x98\x80",
                                  "\"件名\xF0\x9F\x98\x80\""},
                    JsonStringRow{"stray_byte", "a\xFFz", "\"a\uFFFDz\""},
                    JsonStringRow{"overlong_slash", "\xC0\xAF", "\"\uFFFD\uFFFD\""},
                    JsonStringRow{"surrogate", "\xED\xA0\x80", "\"\uFFFD\uFFFD\uFFFD\""},
                    JsonStringRow{"above_u10ffff", "\xF4\x90\x80\x80", "\"\uFFFD\uFFFD\uFFFD\uFFFD\""},
                    JsonStringRow{"cut_at_the_end", "\xE3\x81", "\"\uFFFD\uFFFD\""},
                    JsonStringRow{"shift_jis_file_name", "\x83\x5C.eml", "\"\uFFFD\\\\.eml\""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Csv, RecordsOfTheGuiExportInUtf8) {
    MsgList list;
    list.push_back(Entry());
    list.back()->Subject = "a,b";
    TableOptions options;
    options.format = TableFormat::Csv;
    std::ostringstream out;
    WriteMessageTable(out, list, options);
    EXPECT_EQ(out.str(),
              "差出人,宛先,件名,送信日時,受信日時,サイズ(KB)\r\n"
              "Taro,t,\"a,b\",\"2008/01/01 10:00\",\"2008/01/01 10:01\",\"1,234\"\r\n");
}

TEST(Csv, ControlBytesAreBlankedOnATerminalAndRecordsStillEndInCrLf) {
    MsgList list;
    list.push_back(Entry());
    list.back()->Subject = "a\x1b[2Jb\r\nc";
    TableOptions options;
    options.format = TableFormat::Csv;
    options.columnKeys = {KeySubject, KeySize};
    std::ostringstream piped;
    WriteMessageTable(piped, list, options);
    EXPECT_EQ(piped.str(), "件名,サイズ(KB)\r\n\"a\x1b[2Jb\r\nc\",\"1,234\"\r\n");
    options.toTerminal = true;
    std::ostringstream terminal;
    WriteMessageTable(terminal, list, options);
    EXPECT_EQ(terminal.str(), "件名,サイズ(KB)\r\n\"a [2Jb  c\",\"1,234\"\r\n");
}

TEST(Table, SelectedRowsAreStarredAndWideColumnsShrinkToTheWidth) {
    MsgList list;
    for (int i = 0; i < 2; ++i) {
        list.push_back(Entry());
        list.back()->Subject = Sjis("とても長い件名がここに入ります。とても長い件名がここに入ります。");
    }
    TerminalListView view;
    view.setRowCount(2);
    view.setSelected(1, true);
    TableOptions options;
    options.selection = &view;
    options.terminalWidth = 70;
    std::ostringstream out;
    WriteMessageTable(out, list, options);
    std::istringstream lines(out.str());
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[1].starts_with("  Taro"));
    EXPECT_TRUE(rows[2].starts_with("* Taro"));
    for (const auto& row : rows) EXPECT_LE(DisplayWidth(row), 70) << row;
    EXPECT_TRUE(rows[2].ends_with("1,234KB"));  // the size column is right-aligned and kept
}

// A width near INT_MAX once overflowed the shares of the flexible columns
// and cut the subject to six cells.
TEST(Table, HugeWidthKeepsEveryColumnWhole) {
    MsgList list;
    list.push_back(Entry());
    list.back()->Subject = "a subject longer than six cells";
    TableOptions options;
    options.terminalWidth = std::numeric_limits<int>::max();
    std::ostringstream out;
    WriteMessageTable(out, list, options);
    EXPECT_NE(out.str().find("a subject longer than six cells"), std::string::npos) << out.str();
}

struct WidthRow {
    const char* name;
    const char* utf8;
    int width;
};
void PrintTo(const WidthRow& row, std::ostream* out) {
    *out << row.name;
}

class DisplayWidthTest : public testing::TestWithParam<WidthRow> {};

TEST_P(DisplayWidthTest, CountsTerminalCells) {
    EXPECT_EQ(DisplayWidth(GetParam().utf8), GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(Table, DisplayWidthTest,
                         testing::Values(WidthRow{"ascii", "abc", 3}, WidthRow{"kanji_two_cells", "日本", 4},
                                         WidthRow{"half_width_katakana_one_cell", "ｱｲ", 2},
                                         WidthRow{"full_width_letters", "ＡＢ", 4},
                                         WidthRow{"combining_mark_no_cell", "e\xCC\x81", 1},
                                         WidthRow{"stray_byte_one_cell", "\xFF", 1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FitToWidth, CutsAtCharacterBoundariesAndPads) {
    EXPECT_EQ(FitToWidth("日本語", 5), "日本 ");
    EXPECT_EQ(FitToWidth("ab", 4), "ab  ");
    EXPECT_EQ(FitToWidth("1KB", 5, true), "  1KB");
    EXPECT_EQ(FitToWidth("日", 1), " ");
}

}  // namespace
}  // namespace pelmora::cli
