// SPDX-License-Identifier: MIT
#include "message/header_reader.h"

#include <gtest/gtest.h>

#include "message_test_support.h"

namespace pelmora::test {
namespace {

const std::string Unknown = "\x81\x69\x95\x73\x96\xBE\x81\x6A";                    // （不明）
const std::string NoSubject = "\x81\x69\x8C\x8F\x96\xBC\x82\xC8\x82\xB5\x81\x6A";  // （件名なし）

class ReadMessageTest : public testing::Test {
protected:
    Reading read(std::string_view bytes, ReaderOptions options = {}, const std::string& name = "m.eml") {
        return ReadBytes(bytes, options, name);
    }

    ScopedTimeZone m_tz{"UTC0"};
};

TEST_F(ReadMessageTest, MissingHeadersGiveDefaultsAndFileDate) {
    const Reading r = read("X-Mailer: test\r\n\r\nbody\r\n");
    EXPECT_EQ(Hex(r.entry.From), Hex(Unknown));
    EXPECT_EQ(Hex(r.entry.To), Hex(Unknown));
    EXPECT_EQ(Hex(r.entry.Subject), Hex(NoSubject));
    EXPECT_EQ(r.entry.FromRaw, "");
    EXPECT_EQ(r.entry.SentDate, r.entry.FileDate);
    EXPECT_EQ(r.entry.RecvDate, r.entry.FileDate);
    EXPECT_EQ(r.entry.SentDateText, DateText(r.entry.FileDate));
    EXPECT_EQ(r.entry.RecvDateText, DateText(r.entry.FileDate));
    EXPECT_EQ(r.entry.MessageId, "");
    EXPECT_TRUE(r.entry.Matched);
    EXPECT_EQ(r.entry.IconIndex, 2);
    EXPECT_EQ(r.lines, (LineList{"X-Mailer: test"}));
}

TEST_F(ReadMessageTest, FileStartingWithEmptyLineHasNoHeader) {
    const Reading r = read("\r\nFrom: body@example.jp\r\n");
    EXPECT_EQ(Hex(r.entry.From), Hex(Unknown));
    EXPECT_TRUE(r.lines.empty());
    EXPECT_TRUE(r.entry.Matched);
}

TEST_F(ReadMessageTest, PlainHeaderFields) {
    const Reading r = read(
        "From: \"Taro Yamada\" <taro@example.jp>\r\n"
        "To: hanako@example.jp\r\n"
        "Subject:  Meeting on Friday \r\n"
        "Date: Tue, 1 Jan 2008 10:00:00 +0900\r\n"
        "Message-ID:  <abc.123@example.jp> \r\n"
        "\r\nbody\r\n");
    EXPECT_EQ(r.entry.From, "Taro Yamada");
    EXPECT_EQ(r.entry.FromRaw, "\"Taro Yamada\" <taro@example.jp>");
    EXPECT_EQ(r.entry.To, "hanako@example.jp");
    EXPECT_EQ(r.entry.ToRaw, "hanako@example.jp");
    EXPECT_EQ(r.entry.Subject, "Meeting on Friday");
    EXPECT_EQ(r.entry.SentDateText, "2008/01/01 01:00");
    EXPECT_EQ(r.entry.MessageId, "<abc.123@example.jp>");
    EXPECT_EQ(r.entry.Boundary, "");
    EXPECT_FALSE(r.entry.HasAttach);
}

TEST_F(ReadMessageTest, HeaderNamesIgnoreCaseButNeedTheColonAtOnce) {
    const Reading r = read("SUBJECT: upper\r\nfrom: a@example.jp\r\nTo : b@example.jp\r\n\r\n");
    EXPECT_EQ(r.entry.Subject, "upper");
    EXPECT_EQ(r.entry.From, "a@example.jp");
    EXPECT_EQ(Hex(r.entry.To), Hex(Unknown));
}

// Long names are compared several bytes at a time; a byte that differs
// from a letter only in its 0x20 bit must still not pass for it.
TEST_F(ReadMessageTest, LongHeaderNamesIgnoreCaseOfLettersOnly) {
    const Reading r = read(
        "MESSAGE_ID: <wrong@x>\r\nMessage-ID: <right@x>\r\nRECEIVED: from a by b; Tue, 1 Jan 2008 10:00:00 "
        "+0000\r\nsUbJeCt: mixed\r\nCONTENT-TYPE: Multipart/MIXED; BOUNDARY=\"b\"\r\n\r\n--b\r\n\r\nx\r\n"
        "--b\r\n\r\ny\r\n--b--\r\n");
    EXPECT_EQ(r.entry.MessageId, "<right@x>");
    EXPECT_EQ(r.entry.RecvDateText, "2008/01/01 10:00");
    EXPECT_EQ(r.entry.Subject, "mixed");
    EXPECT_EQ(r.entry.Boundary, "b");
    EXPECT_TRUE(r.entry.HasAttach);
    const Reading other = read("Subjecu: no\r\nReceivep: x\r\nMessage-IZ: <z@x>\r\n\r\n");
    EXPECT_EQ(Hex(other.entry.Subject), Hex(NoSubject));
    EXPECT_EQ(other.entry.MessageId, "");
}

TEST_F(ReadMessageTest, FoldedSubjectLosesTheBlankAtTheFold) {
    const Reading r = read("Subject: Quarterly\r\n  report \r\n\tfor Q3\r\n\r\n");
    EXPECT_EQ(r.entry.Subject, "Quarterlyreportfor Q3");
    EXPECT_EQ(r.lines, (LineList{"Subject: Quarterlyreportfor Q3"}));
}

TEST_F(ReadMessageTest, FoldedReceivedKeepsOneBlankAtEachFold) {
    const Reading r = read(
        "Received: from mx.example.jp\r\n"
        "\tby mail.example.jp;\r\n"
        "   Tue, 1 Jan 2008 10:00:00 +0000\r\n"
        "\r\n");
    EXPECT_EQ(r.lines,
              (LineList{"Received: from mx.example.jp by mail.example.jp; Tue, 1 Jan 2008 10:00:00 +0000"}));
    EXPECT_EQ(r.entry.RecvDateText, "2008/01/01 10:00");
}

TEST_F(ReadMessageTest, ContinuationBeforeAnyHeaderIsAHeaderLine) {
    const Reading r = read(" Subject: indented\r\nSubject: real\r\n\r\n");
    EXPECT_EQ(r.lines, (LineList{" Subject: indented", "Subject: real"}));
    EXPECT_EQ(r.entry.Subject, "real");
}

TEST_F(ReadMessageTest, ReceivedDateWithDoubledBlanks) {
    const Reading r = read("Received: from a by b;  Wed,  2 Jan 2008  09:00:00  +0100\r\n\r\n");
    EXPECT_EQ(r.entry.RecvDateText, "2008/01/02 08:00");
}

TEST_F(ReadMessageTest, HostileBlankRunsAndFoldsStayLinear) {
    std::string folded = "Subject: start\r\n";
    for (int i = 0; i < 100'000; ++i) folded += " x\r\n";
    const Reading r = read("Received: from a;" + std::string(60'000, ' ') + "2 Jan 2008 09:00:00 +0000\r\n" +
                           folded + "\r\n");
    EXPECT_EQ(r.entry.RecvDateText, "2008/01/02 09:00");
    // The unfolded line is cut as a long line is.
    EXPECT_EQ(r.entry.Subject.size(), kHeaderLineBytes - 9);
}

TEST_F(ReadMessageTest, ReceivedWithoutSemicolonGivesTheFloor) {
    const Reading r =
        read("Received: from a by b\r\nReceived: from c; Wed, 2 Jan 2008 09:00:00 +0000\r\n\r\n");
    EXPECT_EQ(r.entry.RecvDate, DateFloor);
    EXPECT_EQ(r.entry.RecvDateText, "1980/01/01 00:00");
}

TEST_F(ReadMessageTest, DatesBeforeTheFloorOrUnreadableGiveTheFloor) {
    EXPECT_EQ(read("Date: Mon, 1 Jan 1979 10:00:00 +0000\r\n\r\n").entry.SentDateText, "1980/01/01 00:00");
    EXPECT_EQ(read("Date: yesterday\r\n\r\n").entry.SentDateText, "1980/01/01 00:00");
    EXPECT_EQ(read("Date:\r\n\r\n").entry.SentDate, DateFloor);
}

TEST_F(ReadMessageTest, LastOccurrenceWins) {
    const Reading r = read(
        "Subject: first\r\nSubject: second\r\nDate: 1 Jan 2008 10:00 +0000\r\nDate: 2 Jan 2008 10:00 "
        "+0000\r\n\r\n");
    EXPECT_EQ(r.entry.Subject, "second");
    EXPECT_EQ(r.entry.SentDateText, "2008/01/02 10:00");
}

struct ToCase {
    const char* name;
    const char* header;
    const char* expected;
};

class ToAssembly : public ReadMessageTest, public testing::WithParamInterface<ToCase> {};

TEST_P(ToAssembly, JoinsFormattedRecipients) {
    const Reading r = read(std::string("To:") + GetParam().header + "\r\n\r\n");
    EXPECT_EQ(r.entry.To, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToAssembly,
    testing::Values(ToCase{"ThreeAddresses", " a@example.jp, \"Bee\" <b@example.jp>,C <c@example.jp>",
                           "a@example.jp; Bee; C"},
                    ToCase{"EmptyValue", "", ""}, ToCase{"OnlyCommas", " , ,", ""},
                    ToCase{"EmptyPartsSkipped", " a@example.jp,, <b@example.jp> ,",
                           "a@example.jp; b@example.jp"},
                    ToCase{"CommaInsideQuotedNameSplits", " \"Yamada, Taro\" <t@example.jp>", "Taro\""},
                    ToCase{"UnterminatedPartDropped", " <a@example.jp, b@example.jp", "b@example.jp"}),
    [](const testing::TestParamInfo<ToCase>& row) { return std::string(row.param.name); });

// A header line is kept up to kHeaderLineBytes and the rest is read past: a
// gigabyte line without a break took gigabytes of memory. The next header
// is read as usual, and so is a header block of far too many lines, up to
// where the reader stops keeping them.
TEST_F(ReadMessageTest, VeryLongHeaderLinesAreCutAtTheLimit) {
    const std::string subject(200'000, 's');
    const Reading r = read("Subject: " + subject + "\r\nFrom: a@example.jp\r\n\r\n");
    EXPECT_EQ(r.entry.Subject, subject.substr(0, kHeaderLineBytes - 9));
    EXPECT_EQ(r.entry.From, "a@example.jp");
    EXPECT_LE(r.lines[0].capacity(), 2 * kHeaderLineBytes);

    std::string many = "From: first@example.jp\r\n";
    const std::string filler = "X-Filler: " + std::string(1000, 'f') + "\r\n";
    while (many.size() < 2 * kHeaderBlockBytes) many += filler;
    const Reading crowded = read(many + "From: late@example.jp\r\n\r\n");
    EXPECT_EQ(crowded.entry.From, "first@example.jp");
    std::size_t kept = 0;
    for (const std::string& line : crowded.lines) kept += line.size();
    EXPECT_LE(kept, kHeaderBlockBytes + kHeaderLineBytes);
}

struct AttachCase {
    const char* name;
    std::string contentType;
    std::string body;
    std::string boundary;
    bool hasAttach;
};

class AttachmentFlag : public ReadMessageTest, public testing::WithParamInterface<AttachCase> {};

TEST_P(AttachmentFlag, FollowsTheSecondDelimiter) {
    const Reading r = read("Content-Type: " + GetParam().contentType + "\r\n\r\n" + GetParam().body);
    EXPECT_EQ(r.entry.Boundary, GetParam().boundary);
    EXPECT_EQ(r.entry.HasAttach, GetParam().hasAttach);
}

const std::string OnePart = "preamble\r\n--XX\r\ntext\r\n--XX--\r\n";
const std::string TwoParts = "--XX\r\ntext\r\n--XX\r\nfile\r\n--XX--\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, AttachmentFlag,
    testing::Values(
        AttachCase{"MixedOnePartIsNoAttachment", "multipart/mixed; boundary=XX", OnePart, "XX", false},
        AttachCase{"MixedTwoParts", "multipart/mixed; boundary=XX", TwoParts, "XX", true},
        AttachCase{"ReportTwoParts", "multipart/report; report-type=delivery-status; boundary=XX", TwoParts,
                   "XX", true},
        AttachCase{"QuotedBoundaryStoredWithoutQuotes", "multipart/mixed; boundary=\"XX\"", TwoParts, "XX",
                   true},
        AttachCase{"BoundaryEndsAtSemicolon", "Multipart/Mixed; BOUNDARY=XX; charset=x", TwoParts, "XX",
                   true},
        AttachCase{"BlanksAfterBoundaryAreNotPartOfIt", "multipart/mixed; boundary=XX  ", TwoParts, "XX",
                   true},
        AttachCase{"AlternativeNeverFlagged", "multipart/alternative; boundary=XX", TwoParts, "", false},
        // The media type alone decides, not a word elsewhere in the field.
        AttachCase{"MixedOnlyInTheBoundary", "multipart/alternative; boundary=\"=_mixed 0042_=\"",
                   "--=_mixed 0042_=\r\nt\r\n--=_mixed 0042_=\r\nh\r\n--=_mixed 0042_=--\r\n", "", false},
        AttachCase{"ReportOnlyInAParameter", "multipart/related; type=report; boundary=XX", TwoParts, "",
                   false},
        AttachCase{"MediaTypeTrimmedAndFolded", "  MULTIPART/Mixed ;boundary=XX", TwoParts, "XX", true},
        AttachCase{"MixedWithoutBoundary", "multipart/mixed", TwoParts, "", false},
        AttachCase{"NoSecondDelimiter", "multipart/mixed; boundary=XX", "--XX\r\ntext only\r\n", "XX", false},
        AttachCase{"LongerBoundaryIsNoFirstDelimiter", "multipart/mixed; boundary=XX",
                   "--XXY\r\n--XX--\r\n--XX \t\r\na\r\n--XX\t\r\n", "XX", true},
        AttachCase{"LongerBoundaryIsNoSecondDelimiter", "multipart/mixed; boundary=XX",
                   "--XX\r\na\r\n--XXtrailing\r\n", "XX", false},
        AttachCase{"NestedBoundaryBeginningWithTheOuter", "multipart/mixed; boundary=XX",
                   "--XX\r\nContent-Type: multipart/alternative; boundary=XX_alt\r\n\r\n--XX_alt\r\nt\r\n"
                   "--XX_alt\r\nh\r\n--XX_alt--\r\n--XX-- \r\n",
                   "XX", false},
        AttachCase{"BoundaryAsWholeNameWinsOverLongerName",
                   "multipart/mixed; x-boundary=decoy; boundary=\"XX\"", TwoParts, "XX", true},
        AttachCase{"BoundaryJoinedByUnfolding", "multipart/mixed\r\n boundary=XX", TwoParts, "XX", true},
        AttachCase{"ClosingDelimiterEndsWithoutAttachment", "multipart/mixed; boundary=XX",
                   "--XX\r\na\r\n--XX--trailing\r\n", "XX", false},
        AttachCase{"FileEndsAfterFirstDelimiter", "multipart/mixed; boundary=XX", "--XX\r\n", "XX", false}),
    [](const testing::TestParamInfo<AttachCase>& row) { return std::string(row.param.name); });

// A body line comes in pieces (a gigabyte line without a break took
// gigabytes); the delimiters around it count as before. A line longer than
// a piece is never a delimiter, whatever it begins with.
TEST_F(ReadMessageTest, LongBodyLinesComeInPieces) {
    const std::string longLine(3 * kLinePieceBytes + 5, 'L');
    const std::string bytes = "Content-Type: multipart/mixed; boundary=XX\r\n\r\n--XX\r\n" + longLine +
                              "\r\n--XX" + std::string(kLinePieceBytes, ' ') + "\r\n--XX\r\nfile\r\n";
    EXPECT_TRUE(read(bytes).entry.HasAttach);

    TMsgItem entry = EntryForBytes(bytes);
    LineReader reader;
    reader.openBytes(bytes);
    LineList header;
    ReadHeaderLines(reader, entry, header);
    BodyStream body(header, reader, entry.Boundary.view());
    LineList lines;
    std::string_view line;
    while (body.next(line)) {
        EXPECT_LE(line.size(), kLinePieceBytes);
        if (body.place().begins)
            lines.emplace_back(line);
        else
            lines.back() += line;
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], longLine);
    EXPECT_EQ(lines[5], "--XX");
}

TEST_F(ReadMessageTest, BodyLinesAreReadButNotKept) {
    const Reading r =
        read("Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\npre\r\n--b1\r\nA\r\n--b1\r\nB\r\n");
    EXPECT_TRUE(r.entry.HasAttach);
    EXPECT_EQ(r.lines, (LineList{"Content-Type: multipart/mixed; boundary=\"b1\""}));
}

TEST_F(ReadMessageTest, LaterContentTypeThatDoesNotMatchKeepsTheBoundary) {
    const Reading r =
        read("Content-Type: multipart/mixed; boundary=XX\r\nContent-Type: text/plain\r\n\r\n" + TwoParts);
    EXPECT_EQ(r.entry.Boundary, "XX");
    EXPECT_TRUE(r.entry.HasAttach);
}

TEST_F(ReadMessageTest, DuplicateHashCoversTheHeadersWhenAsked) {
    const std::string a = "Message-ID: <same@example.jp>\r\nFrom: a@example.jp\r\nSubject: one\r\n\r\n";
    const std::string b = "Message-ID: <same@example.jp>\r\nFrom: a@example.jp\r\nSubject: two\r\n\r\n";
    EXPECT_NE(read(a).entry.DupHash, read(b).entry.DupHash);
    EXPECT_EQ(read(a).entry.DupHash, read(a, {}, "copy.eml").entry.DupHash);
    ReaderOptions idOnly;
    idOnly.DupCheckHeaders = false;
    EXPECT_EQ(read(a, idOnly).entry.DupHash, read(b, idOnly).entry.DupHash);
}

TEST_F(ReadMessageTest, RawAddressesAreKeptOnlyWhenAsked) {
    const std::string bytes =
        "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <taro@example.jp>\r\nTo: a@example.jp, b@example.jp\r\n"
        "Subject: s\r\n\r\n";
    ReaderOptions withoutRaw;
    withoutRaw.KeepRawAddresses = false;
    const Reading kept = read(bytes);
    const Reading dropped = read(bytes, withoutRaw);
    EXPECT_EQ(kept.entry.FromRaw, "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <taro@example.jp>");
    EXPECT_EQ(kept.entry.ToRaw, "a@example.jp, b@example.jp");
    EXPECT_EQ(dropped.entry.FromRaw, "");
    EXPECT_EQ(dropped.entry.ToRaw, "");
    // Everything shown or compared is made from the header all the same.
    EXPECT_EQ(Hex(dropped.entry.From), Hex(kept.entry.From));
    EXPECT_EQ(dropped.entry.To, kept.entry.To);
    EXPECT_EQ(dropped.entry.DupHash, kept.entry.DupHash);
}

TEST_F(ReadMessageTest, IconFollowsExtensionAndSize) {
    EXPECT_EQ(read("Subject: x\r\n\r\n", {}, "a.nws").entry.IconIndex, 1);
    EXPECT_EQ(read("", {}, "b.nws").entry.IconIndex, 0);
    EXPECT_EQ(read("", {}, "c.eml").entry.IconIndex, 2);
}

}  // namespace
}  // namespace pelmora::test
