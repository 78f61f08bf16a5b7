// SPDX-License-Identifier: MIT
#include "message/line_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "message_test_support.h"

namespace pelmora::test {
namespace {

// The lines of file, each joined from the pieces it comes in.
std::vector<std::string> allLines(const std::filesystem::path& file) {
    LineReader reader;
    EXPECT_TRUE(reader.open(file));
    std::vector<std::string> lines;
    std::string piece;
    while (reader.readPiece(piece)) {
        const LinePlace place = reader.place();
        EXPECT_LE(piece.size(), kLinePieceBytes);
        // Only a whole line may be empty: no empty piece follows a full one.
        EXPECT_TRUE(!piece.empty() || place.whole()) << "after line " << lines.size();
        if (place.begins)
            lines.push_back(piece);
        else
            lines.back() += piece;
    }
    EXPECT_TRUE(reader.atEnd());
    // The same lines where they are handed out from the block read.
    EXPECT_TRUE(reader.open(file));
    std::vector<std::string> viewed;
    std::string_view view;
    std::string spare;
    for (LinePlace place; reader.readPiece(view, spare, place);) {
        if (place.begins)
            viewed.emplace_back(view);
        else
            viewed.back() += view;
    }
    EXPECT_EQ(viewed, lines);
    return lines;
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class LineReaderLines : public testing::TestWithParam<LineCase> {};

TEST_P(LineReaderLines, SplitsAsMailFilesAreRead) {
    ScratchDir dir;
    EXPECT_EQ(allLines(dir.write("m.eml", GetParam().bytes)), GetParam().lines);
    // Bytes in memory are read as a file holding them, also after a rewind.
    LineReader reader;
    reader.openBytes(GetParam().bytes);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::string> lines;
        std::string line;
        while (reader.readLine(line)) lines.push_back(line);
        EXPECT_EQ(lines, GetParam().lines) << "pass " << pass;
        EXPECT_TRUE(reader.rewind());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineReaderLines,
    testing::Values(LineCase{"Empty", "", {}}, LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                    LineCase{"LfOnly", "a\nb\n", {"a", "b"}},
                    LineCase{"LastLineWithoutEnd", "a\r\nb", {"a", "b"}},
                    LineCase{"EmptyLinesKept", "a\r\n\r\n\nb\n", {"a", "", "", "b"}},
                    LineCase{"LoneCrDropped", "a\rb\r\r\nc\r", {"ab", "c"}},
                    LineCase{"CtrlZEndsFileMidLine",
                             "a\r\nb\x1A"
                             "c\r\nd\r\n",
                             {"a", "b"}},
                    LineCase{"CtrlZAtLineStart",
                             "a\r\n\x1A"
                             "b\r\n",
                             {"a"}},
                    LineCase{"CtrlZFirst",
                             "\x1A"
                             "a\r\n",
                             {}},
                    LineCase{"NulBytesKept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
                    // Lines around the width of the wide compare, their ends at every place in it.
                    LineCase{"LinesOfEveryWidth",
                             std::string(31, 'a') + "\r\n" + std::string(32, 'b') + "\n" +
                                 std::string(33, 'c') + "\r" + std::string(40, 'd') + "\r\n" +
                                 std::string(70, 'e') + "\x1A",
                             {std::string(31, 'a'), std::string(32, 'b'),
                              std::string(33, 'c') + std::string(40, 'd'), std::string(70, 'e')}}),
    [](const testing::TestParamInfo<LineCase>& row) { return std::string(row.param.name); });

TEST(LineReader, LinesLongerThanManyBlocksComeWholeInPieces) {
    ScratchDir dir;
    const std::string longLine(300'000, 'x');
    EXPECT_EQ(allLines(dir.write("m.eml", "a\r\n" + longLine + "\r\nb")),
              (std::vector<std::string>{"a", longLine, "b"}));
}

// A line may be as long as the file. readLine keeps what it is asked to and
// reads past the rest; readPiece hands it out a piece at a time. Neither
// holds more of it than that.
TEST(LineReader, LongLinesAreCutOrComeInPieces) {
    ScratchDir dir;
    const std::string longLine(1'000'000, 'x');
    const auto file = dir.write("m.eml", "a\r\n" + longLine + "\r\nb\r\n");
    LineReader reader;
    ASSERT_TRUE(reader.open(file));
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_FALSE(reader.lineWasCut());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, longLine.substr(0, kLinePieceBytes));
    EXPECT_TRUE(reader.lineWasCut());
    EXPECT_LE(line.capacity(), 2 * kLinePieceBytes);
    ASSERT_TRUE(reader.readLine(line, 1));
    EXPECT_EQ(line, "b");
    EXPECT_FALSE(reader.readLine(line));

    ASSERT_TRUE(reader.rewind());
    ASSERT_TRUE(reader.readLine(line));
    std::vector<LinePlace> places;
    std::string piece;
    while (reader.readPiece(piece, 400'000) && !reader.place().ends) places.push_back(reader.place());
    places.push_back(reader.place());
    EXPECT_EQ(piece, std::string(200'000, 'x'));
    ASSERT_EQ(places.size(), 3u);
    EXPECT_TRUE(places[0].begins && !places[0].ends);
    EXPECT_TRUE(!places[1].begins && !places[1].ends);
    EXPECT_TRUE(!places[2].begins && places[2].ends);
    // Stopped inside a line, readLine takes the rest of it.
    ASSERT_TRUE(reader.rewind());
    ASSERT_TRUE(reader.readLine(line));
    ASSERT_TRUE(reader.readPiece(piece, 10));
    ASSERT_TRUE(reader.readLine(line, 5));
    EXPECT_TRUE(reader.lineWasCut());
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "b");
}

// Where a piece is full, what follows decides whether it ends its line: a
// line end (of either kind, also split across two blocks), the end mark or
// the end of the file does; a lone CR does only when it is dropped.
TEST(LineReader, APieceThatFillsUpEndsItsLineWhenOnlyTheEndFollows) {
    struct Case {
        std::string tail;
        bool keepCr;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        {"\r\nz\r\n", false, {"abcd", "z"}},
        {"\nz", false, {"abcd", "z"}},
        {"\x1A"
         "z",
         false,
         {"abcd"}},
        {"", false, {"abcd"}},
        {"\rz\r\n", false, {"abcd+z"}},
        {"\rz\r\n", true, {"abcd+\rz"}},
        {"\r", true, {"abcd+\r"}},
        {"\r", false, {"abcd"}},
        {"\r\r\n", false, {"abcd"}},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        // Also with "abcd" ending the first block, or one byte before its end.
        for (std::size_t head : {0, 4096 - 4, 4096 - 5}) {
            LineReader reader;
            ASSERT_TRUE(reader.open(dir.write("m.eml", std::string(head, 'h') + "abcd" + c.tail)));
            if (c.keepCr) reader.keepBareCarriageReturns();
            std::string piece;
            if (head > 0) {
                ASSERT_TRUE(reader.readPiece(piece, head));
            }
            std::vector<std::string> pieces;
            while (reader.readPiece(piece, 4)) {
                if (reader.place().begins)
                    pieces.push_back(piece);
                else if (pieces.empty())
                    pieces.push_back(piece);
                else
                    pieces.back() += "+" + piece;
            }
            EXPECT_EQ(pieces, c.pieces) << Hex(c.tail) << " keep CR " << c.keepCr << " head " << head;
        }
    }
}

TEST(LineReader, CrLfSplitAcrossBlocksIsOneLineEnd) {
    ScratchDir dir;
    // Every position near the first and second block edge gets the CR LF.
    for (std::size_t at : {16383u, 16384u, 16385u, 16384u + 65535u, 16384u + 65536u}) {
        const std::string first(at, 'y');
        EXPECT_EQ(allLines(dir.write("m.eml", first + "\r\nz\r\n")), (std::vector<std::string>{first, "z"}))
            << "CR at " << at;
    }
}

TEST(LineReader, ReadsOnlyAsFarAsAsked) {
    ScratchDir dir;
    const auto file = dir.write("big.eml", "Subject: x\r\n\r\n" + std::string(4'000'000, 'b'));
    LineReader reader;
    ASSERT_TRUE(reader.open(file));
    std::string line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "Subject: x");
    EXPECT_LE(reader.bytesRead(), 64u * 1024u);
}

// The rest of a file read at once, over several reads, or left to come
// line by line when it is longer than asked: no byte lost either way.
TEST(LineReader, RestReadAtOnceOrLineByLine) {
    ScratchDir dir;
    std::string body;
    for (int i = 0; body.size() < 300'000; ++i) body += "line " + std::to_string(i) + "\r\n";
    const auto file = dir.write("m.eml", "Subject: x\r\n\r\n" + body);
    LineReader reader;
    std::string line;
    ASSERT_TRUE(reader.open(file));
    for (int i = 0; i < 2; ++i) reader.readLine(line);
    EXPECT_EQ(reader.bufferRest(body.size()), body);
    reader.skipRest();
    EXPECT_TRUE(reader.atEnd());

    ASSERT_TRUE(reader.open(file));
    for (int i = 0; i < 2; ++i) reader.readLine(line);
    EXPECT_TRUE(reader.bufferRest(body.size() - 1).empty());
    std::string again;
    while (reader.readLine(line)) again += line + "\r\n";
    EXPECT_EQ(again, body);
}

TEST(LineReader, MissingFileDoesNotOpen) {
    LineReader reader;
    EXPECT_FALSE(reader.open("/nonexistent/pelmora/m.eml"));
    std::string line = "stale";
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(reader.atEnd());
}

TEST(LineReader, ReopeningStartsAfresh) {
    ScratchDir dir;
    LineReader reader;
    ASSERT_TRUE(reader.open(dir.write("a.eml", "one\r\ntwo\r\n")));
    std::string line;
    reader.readLine(line);
    ASSERT_TRUE(reader.open(dir.write("b.eml", "three\r\n")));
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, "three");
    EXPECT_FALSE(reader.readLine(line));
}

}  // namespace
}  // namespace pelmora::test
