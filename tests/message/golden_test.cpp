// SPDX-License-Identifier: MIT
// Hand-made messages in tests/data/message, each with a .expected file of
// "Field<TAB>value" lines (values in UTF-8) that the reader must produce.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "decode/cp932.h"
#include "message_test_support.h"

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

const fs::path DataDir = fs::path(PELMORA_TEST_DATA) / "message";

std::map<std::string, std::string> fieldsOf(const TMsgItem& entry) {
    return {{"From", Cp932ToUtf8(entry.From)},
            {"To", Cp932ToUtf8(entry.To)},
            {"Subject", Cp932ToUtf8(entry.Subject)},
            {"SentDateText", entry.SentDateText},
            {"RecvDateText", entry.RecvDateText},
            {"MessageId", entry.MessageId},
            {"Boundary", entry.Boundary},
            {"HasAttach", entry.HasAttach ? "1" : "0"}};
}

std::vector<std::string> goldenNames() {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(DataDir))
        if (item.path().extension() == ".eml") names.push_back(item.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenMessages : public testing::TestWithParam<std::string> {};

TEST_P(GoldenMessages, ReadAsExpected) {
    ScopedTimeZone tz(TokyoTz);
    const Reading r = ReadOne(DataDir / (GetParam() + ".eml"));
    ASSERT_TRUE(r.entry.Matched);
    const auto actual = fieldsOf(r.entry);
    std::ifstream expected(DataDir / (GetParam() + ".expected"));
    ASSERT_TRUE(expected) << "no .expected file";
    std::string line;
    int checked = 0;
    while (std::getline(expected, line)) {
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string field = line.substr(0, tab);
        ASSERT_TRUE(actual.contains(field)) << "unknown field " << field;
        EXPECT_EQ(actual.at(field), line.substr(tab + 1)) << field;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenMessages, testing::ValuesIn(goldenNames()),
                         [](const testing::TestParamInfo<std::string>& row) {
                             std::string name = row.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace pelmora::test
