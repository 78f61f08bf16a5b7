// SPDX-License-Identifier: MIT
// The reader: which part is the body and what it says, which parts are
// attachments and what they are called, and how little memory a large
// message costs.
#include "message/message_view.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "message/mime_content.h"
#include "message_test_support.h"

namespace pelmora {
namespace {

using test::Hex;
using test::ScratchDir;

// A message of parts with the given boundary: each part is its header
// lines, a blank line and its body.
std::string multipart(std::string_view type, std::string_view boundary,
                      std::initializer_list<std::string> parts, std::string_view outer = "Subject: t\n") {
    std::string text = std::string(outer) + "Content-Type: multipart/" + std::string(type) + "; boundary=\"" +
                       std::string(boundary) + "\"\n\npreamble\n";
    for (const std::string& part : parts) text += "--" + std::string(boundary) + "\n" + part + "\n";
    return text + "--" + std::string(boundary) + "--\nepilogue\n";
}

MessageView readView(const ScratchDir& dir, std::string_view bytes, MessageViewOptions options = {}) {
    auto view = ReadMessageView(dir.write("m.eml", bytes), options);
    EXPECT_TRUE(view.has_value());
    return view ? std::move(*view) : MessageView{};
}

std::vector<std::string> names(const MessageView& view) {
    std::vector<std::string> out;
    for (const AttachmentInfo& attachment : view.attachments) out.push_back(attachment.nameUtf8);
    return out;
}

struct StructureCase {
    const char* name;
    std::string message;
    BodyKind kind;
    std::string body;
    std::vector<std::string> attachments;
};

void PrintTo(const StructureCase& c, std::ostream* os) {
    *os << c.name;
}

class StructureTest : public testing::TestWithParam<StructureCase> {};
TEST_P(StructureTest, ChoosesBodyAndAttachments) {
    const ScratchDir dir;
    const MessageView view = readView(dir, GetParam().message);
    EXPECT_EQ(view.bodyKind, GetParam().kind);
    EXPECT_EQ(Hex(view.bodyUtf8), Hex(GetParam().body));
    EXPECT_EQ(names(view), GetParam().attachments);
}
INSTANTIATE_TEST_SUITE_P(
    Table, StructureTest,
    testing::Values(
        StructureCase{
            "AlternativeShowsPlain",
            multipart("alternative", "b",
                      {"Content-Type: text/plain\n\nplain", "Content-Type: text/html\n\n<b>html</b>"}),
            BodyKind::Plain,
            "plain",
            {}},
        StructureCase{"HtmlOnly", "Content-Type: text/html\n\n<p>x</p>\n", BodyKind::Html, "<p>x</p>\n", {}},
        StructureCase{"MixedFirstTextRestAreAttachments",
                      multipart("mixed", "b",
                                {"Content-Type: text/plain\n\nbody", "Content-Type: text/plain\n\nsecond",
                                 "Content-Type: application/pdf; name=a.pdf\n\n%PDF"}),
                      BodyKind::Plain,
                      "body",
                      {"part1.txt", "a.pdf"}},
        StructureCase{
            "MarkedAttachmentIsNeverTheBody",
            multipart("mixed", "b",
                      {"Content-Type: text/plain\nContent-Disposition: attachment; filename=n.txt\n\nnote",
                       "Content-Type: text/html\n\n<i>h</i>"}),
            BodyKind::Html,
            "<i>h</i>",
            {"n.txt"}},
        StructureCase{"RelatedRootNamedByStart",
                      multipart("related; start=\"<root>\"", "r",
                                {"Content-Type: image/png\nContent-ID: <img1>\n\nPNG",
                                 "Content-Type: text/html\nContent-ID: <root>\n\n<img src=cid:img1>"}),
                      BodyKind::Html,
                      "<img src=cid:img1>",
                      {"part1.png"}},
        // A nested boundary that begins with the outer one is not the outer one's delimiter.
        StructureCase{
            "NestedBoundaryStartingWithOuter",
            multipart("mixed", "abc",
                      {multipart("alternative", "abc_alt", {"Content-Type: text/plain\n\ninner"}, ""),
                       "Content-Type: text/csv; name=t.csv\n\n1,2"}),
            BodyKind::Plain,
            "inner",
            {"t.csv"}},
        StructureCase{"HeaderEndedByDelimiter",
                      "Content-Type: multipart/mixed; boundary=a\n\n--a\nContent-Type: multipart/mixed; "
                      "boundary=ab\n--ab\nContent-Type: text/plain\n\nx\n--ab--\n--a--\n",
                      BodyKind::Plain,
                      "x",
                      {}},
        StructureCase{"MessagePartNamedBySubject",
                      multipart("mixed", "b",
                                {"Content-Type: text/plain\n\nsee below",
                                 "Content-Type: message/rfc822\n\nSubject: =?UTF-8?B?5Lu25ZCN?=\n\ninner"}),
                      BodyKind::Plain,
                      "see below",
                      {"件名.eml"}},
        StructureCase{
            "CarriageReturnLineEnds",
            "Content-Type: multipart/mixed; boundary=b\r\rpre\r--b\rContent-Type: text/plain\r\rone\rtwo\r"
            "--b\rContent-Type: image/gif; name=g.gif\r\rGIF\r--b--\r",
            BodyKind::Plain,
            "one\ntwo",
            {"g.gif"}},
        StructureCase{
            "SinglePartThatIsNoText",
            "Content-Type: application/pdf\nContent-Disposition: attachment; filename=\"r.pdf\"\n\n%PDF\n",
            BodyKind::None,
            "",
            {"r.pdf"}}),
    [](const testing::TestParamInfo<StructureCase>& row) { return std::string(row.param.name); });

struct BodyCase {
    const char* name;
    std::string headers;
    std::string body;
    std::string utf8;
};

void PrintTo(const BodyCase& c, std::ostream* os) {
    *os << c.name;
}

class BodyTextTest : public testing::TestWithParam<BodyCase> {};
TEST_P(BodyTextTest, DecodesToUnicode) {
    const ScratchDir dir;
    const MessageView view = readView(dir, GetParam().headers + "\n" + GetParam().body);
    EXPECT_EQ(Hex(view.bodyUtf8), Hex(GetParam().utf8));
    EXPECT_TRUE(view.unknownCharset.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Table, BodyTextTest,
    testing::Values(
        BodyCase{"Iso2022JpWithCp932Extensions", "Content-Type: text/plain; charset=ISO-2022-JP\n",
                 "\x1B$B-!-j|b\x1B(B\n", "①㈱髙\n"},
        BodyCase{"ShiftJis8bit",
                 "Content-Type: text/plain; charset=Shift_JIS\nContent-Transfer-Encoding: 8bit\n",
                 "\x8E\x91\x97\xBF\n", "資料\n"},
        BodyCase{"EucJpBase64InOddLines",
                 "Content-Type: text/plain; charset=\"euc-jp\"\nContent-Transfer-Encoding: base64\n",
                 "xvzL3Lj\nspM6lxqWt\npbmlyA\n==\n", "日本語のテキスト"},
        BodyCase{"Utf8QuotedPrintableLowerCaseEmoji",
                 "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: Quoted-Printable\n",
                 "=f0=9f=98=80 sm=\nile\n", "\xF0\x9F\x98\x80 smile\n"},
        BodyCase{"Windows1252",
                 "Content-Type: text/plain; charset=windows-1252\nContent-Transfer-Encoding: 8bit\n",
                 "\x80 100 \x96 ok\n", "€ 100 – ok\n"},
        BodyCase{"Gb2312Base64",
                 "Content-Type: text/plain; charset=gb2312\nContent-Transfer-Encoding: base64\n",
                 "xOO6ww==\n", "你好"},
        BodyCase{"CrLfBecomesLf", "Content-Type: text/plain\n", "a\r\nb\r\n", "a\nb\n"},
        BodyCase{"FormatFlowedJoined", "Content-Type: text/plain; format=flowed\n",
                 "one \ntwo\n> quoted \n> more\n-- \nsig\n", "one two\n> quoted more\n-- \nsig\n"},
        BodyCase{"FormatFlowedDelSp", "Content-Type: text/plain; format=flowed; delsp=yes\n",
                 "\xE6\x97\xA5 \n\xE6\x9C\xAC\n", "日本\n"}),
    [](const testing::TestParamInfo<BodyCase>& row) { return std::string(row.param.name); });

TEST(MessageViewTest, UnknownCharsetReadAsLatin1AndSaid) {
    const ScratchDir dir;
    const MessageView view = readView(dir, "Content-Type: text/plain; charset=x-unknown\n\ncaf\xE9\n");
    EXPECT_EQ(view.bodyUtf8, "café\n");
    EXPECT_EQ(view.unknownCharset, "x-unknown");
}

struct NameCase {
    const char* name;
    std::string fields;
    std::string utf8;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class AttachmentNameTest : public testing::TestWithParam<NameCase> {};
TEST_P(AttachmentNameTest, Decodes) {
    const ScratchDir dir;
    const MessageView view = readView(
        dir, multipart("mixed", "b", {"Content-Type: text/plain\n\nbody", GetParam().fields + "\n\nbytes"}));
    ASSERT_EQ(view.attachments.size(), 1u);
    EXPECT_EQ(Hex(view.attachments[0].nameUtf8), Hex(GetParam().utf8));
}
INSTANTIATE_TEST_SUITE_P(
    Table, AttachmentNameTest,
    testing::Values(
        NameCase{"Rfc2231ContinuationsInIso2022Jp",
                 "Content-Type: application/octet-stream\nContent-Disposition: attachment;\n"
                 " filename*0*=iso-2022-jp''%1B%24B%24%22;\n filename*1*=%24%24%1B%28B.txt",
                 "あい.txt"},
        NameCase{"Rfc2231SectionsMixedAndOutOfOrder",
                 "Content-Type: application/octet-stream;\n name*1=\"two.txt\"; name*0*=UTF-8'ja'%E8%A1%A8",
                 "表two.txt"},
        NameCase{"Rfc2231WinsOverPlainName",
                 "Content-Type: application/pdf; name=\"old.pdf\"; name*=utf-8''%E6%96%B0.pdf", "新.pdf"},
        NameCase{"Rfc2047Word",
                 "Content-Type: application/vnd.ms-excel; name=\"=?UTF-8?B?6KaL56mN5pu4Lnhsc3g=?=\"",
                 "見積書.xlsx"},
        NameCase{"RawShiftJis", "Content-Type: application/pdf; name=\"\x8E\x91\x97\xBF.pdf\"", "資料.pdf"},
        NameCase{"RawIso2022Jp",
                 "Content-Type: application/pdf\nContent-Disposition: attachment; "
                 "filename=\"\x1B$B;qNA\x1B(B.pdf\"",
                 "資料.pdf"},
        NameCase{"RawUtf8", "Content-Type: application/pdf; name=\"\xE8\xB3\x87\xE6\x96\x99.pdf\"",
                 "資料.pdf"},
        NameCase{"QuotedWithEscapesAndSemicolon", "Content-Type: text/x-a; name=\"a\\\"b;c.txt\"",
                 "a\"b;c.txt"},
        NameCase{"FoldedQuotedNameKeepsItsBlank",
                 "Content-Type: application/pdf;\n name=\"annual\n report.pdf\"", "annual report.pdf"},
        NameCase{"NoNameFromType", "Content-Type: image/jpeg", "part1.jpg"}),
    [](const testing::TestParamInfo<NameCase>& row) { return std::string(row.param.name); });

class FakeNames : public DisplayNameLookup {
public:
    const std::string* LookupDisplayName(std::string_view address) const override {
        return address == "taro@example.jp" ? &m_name : nullptr;
    }

private:
    std::string m_name = "\x8E\x52\x93\x63";  // 山田 in code page 932
};

TEST(MessageViewTest, HeaderFieldsDecodedAsTheListDecodesThem) {
    const test::ScopedTimeZone zone(test::TokyoTz);
    const ScratchDir dir;
    const std::string message =
        "From: taro@example.jp\nTo: =?ISO-2022-JP?B?GyRCJCIbKEI=?= <a@example.jp>,\n b@example.jp\n"
        "Cc: c@example.jp\nSubject: =?UTF-8?B?5Lu2?=\n =?UTF-8?B?5ZCN?=\nDate: Thu, 2 Apr 2009 01:37:00 "
        "+0900\n\nx\n";
    MessageView view = readView(dir, message);
    EXPECT_EQ(view.fromUtf8, "taro@example.jp");
    EXPECT_EQ(view.toUtf8, "あ <a@example.jp>,b@example.jp");
    EXPECT_EQ(view.ccUtf8, "c@example.jp");
    EXPECT_EQ(view.subjectUtf8, "件名");
    EXPECT_EQ(view.dateUtf8, "2009/04/02 01:37");

    const FakeNames book;
    MessageViewOptions options;
    options.displayNames = &book;
    view = readView(dir, message, options);
    EXPECT_EQ(view.fromUtf8, "山田 <taro@example.jp>");
    EXPECT_EQ(view.toUtf8, "あ <a@example.jp>, b@example.jp");
}

TEST(MessageViewTest, TextBeyondTheBoundIsCut) {
    const ScratchDir dir;
    MessageViewOptions options;
    options.maxTextBytes = 10;
    const MessageView view = readView(dir, "Content-Type: text/plain\n\n0123456789abcdef\n", options);
    EXPECT_EQ(view.bodyUtf8, "0123456789");
    EXPECT_TRUE(view.bodyCut);
}

TEST(MessageViewTest, ContentIdFindsThePartAndItsBytes) {
    const ScratchDir dir;
    const MessageView view =
        readView(dir, multipart("related", "r",
                                {"Content-Type: text/html\n\n<img src=\"cid:logo@x\">",
                                 "Content-Type: image/gif\nContent-ID: <logo@x>\nContent-Transfer-Encoding: "
                                 "base64\n\nR0lGODlh\n"}));
    const int part = FindPartByContentId(view.tree, "cid:logo@x");
    ASSERT_GT(part, 0);
    EXPECT_EQ(FindPartByContentId(view.tree, "cid:other"), -1);
    auto bytes = ReadPartBytes(view.path, view.tree.parts[static_cast<std::size_t>(part)], 1024);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, "GIF89a");
}

TEST(MessageViewTest, SourceShowsRawIso2022JpAsText) {
    const ScratchDir dir;
    const std::filesystem::path file = dir.write("s.eml", "Subject: \x1B$B$\"\x1B(B\r\n\r\nbody\r\n");
    bool cut = true;
    auto text = ReadSourceText(file, 1 << 20, &cut);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "Subject: あ\n\nbody\n");
    EXPECT_FALSE(cut);
    text = ReadSourceText(file, 12, &cut);
    EXPECT_TRUE(cut);
}

// A message with a 1 GB attachment (a hole in a sparse file, so the test
// writes next to nothing): the preview reads its text and describes the
// attachment without holding more than a few megabytes.
TEST(MessageViewTest, GigabyteAttachmentStaysOutOfMemory) {
    const ScratchDir dir;
    const std::string head =
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nthe text\n"
        "--b\nContent-Type: application/octet-stream; name=big.bin\n\n";
    const std::string tail = "\n--b--\n";
    constexpr std::uint64_t kAttachment = 1ull << 30;
    const std::filesystem::path file = dir.write("big.eml", head);
    {
        const int fd = open(file.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() + kAttachment)),
                  static_cast<ssize_t>(tail.size()));
        close(fd);
    }
    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    auto view = ReadMessageView(file);
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->bodyUtf8, "the text");
    ASSERT_EQ(view->attachments.size(), 1u);
    EXPECT_EQ(view->attachments[0].size, kAttachment);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB more at the peak";
}

// A pipe named like a message is refused at once: a reader waiting for a
// writer would hold the window's selection.
TEST(MessageViewTest, PipeIsRefusedWithoutWaiting) {
    const ScratchDir dir;
    const std::filesystem::path pipe = dir.path() / "pipe.eml";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const auto view = ReadMessageView(pipe);
    ASSERT_FALSE(view.has_value());
    EXPECT_EQ(view.error().kind, ErrorKind::Open);
}

}  // namespace
}  // namespace pelmora
