// SPDX-License-Identifier: MIT
#include "message/line_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "message_test_support.h"

namespace pelmora::test {
namespace {

std::vector<std::string> allLines(const std::filesystem::path& file) {
    LineReader reader;
    EXPECT_TRUE(reader.open(file));
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line)) lines.push_back(line);
    EXPECT_TRUE(reader.atEnd());
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
                    LineCase{"NulBytesKept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}}),
    [](const testing::TestParamInfo<LineCase>& row) { return std::string(row.param.name); });

TEST(LineReader, LinesLongerThanManyBlocksComeWhole) {
    ScratchDir dir;
    const std::string longLine(300'000, 'x');
    EXPECT_EQ(allLines(dir.write("m.eml", "a\r\n" + longLine + "\r\nb")),
              (std::vector<std::string>{"a", longLine, "b"}));
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
