// SPDX-License-Identifier: MIT
// pelmora-cli decode run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct CliRun {
    int status;
    std::string out;
};

std::string shellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

CliRun runDecode(const std::vector<std::string>& args) {
    std::string command = shellQuoted(PELMORA_CLI) + " decode";
    for (const std::string& arg : args) command += " " + shellQuoted(arg);
    command += " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, {}};
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;
};

std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class CliDecodeTest : public testing::TestWithParam<Case> {};
TEST_P(CliDecodeTest, Prints) {
    const CliRun run = runDecode(GetParam().args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.out, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliDecodeTest,
    testing::Values(
        Case{"Iso2022JpWord", {"=?ISO-2022-JP?B?GyRCJEgkZiQmGyhC?="}, 0, "とゆう\n"},
        Case{"BadQEscapeKept", {"=?ISO-8859-1?Q?a=ZZ?="}, 0, "a=ZZ\n"},
        Case{"ShiftJisWord", {"=?SHIFT_JIS?B?gqA=?="}, 0, "あ\n"},
        Case{"EmojiSubjectKeepsText", {"=?UTF-8?B?44OG44K544OI8J+YgOOBp+OBmQ==?="}, 0, "テスト?です\n"},
        Case{"OneLinePerValue", {"=?utf-8?B?44GC?=", "plain"}, 0, "あ\nplain\n"},
        Case{"Cp932Output", {"--encoding=cp932", "=?utf-8?B?44GC?="}, 0, "\x82\xA0\n"},
        Case{"EscapesInValue", {"a\\b\tc\r\nd"}, 0, "a\\\\b\\tc\\r\\nd\n"},
        Case{"EncodedLineFeedEscaped", {"=?us-ascii?Q?a=0Ab?="}, 0, "a\\nb\n"},
        Case{"DoubleDashEndsOptions", {"--", "--encoding=cp932", "-x"}, 0, "--encoding=cp932\n-x\n"},
        Case{"UnknownOption", {"-x"}, 2, ""}, Case{"UnknownEncoding", {"--encoding=latin1", "a"}, 2, ""},
        Case{"NoValue", {}, 2, ""}),
    caseName);

}  // namespace
