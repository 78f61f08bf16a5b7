// SPDX-License-Identifier: MIT
#include "search/search_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "catalogue/scan.h"
#include "decode/japanese.h"
#include "message/mail_date.h"
#include "support/fake_ports.h"
#include "support/files.h"
#include "support/scoped_time_zone.h"
#include "texts/texts.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

std::string received(const char* date) {
    return std::string("Received: from a by b; ") + date + "\n";
}

class SearchRunTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.empty()); }

    fs::path write(const std::string& name, const std::string& content) {
        fs::path path = m_folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    RunEnd run() { return RunSearch(conditions, m_folder, session, ports, ReaderOptions{}); }

    std::set<std::string> foundSubjects() const {
        std::set<std::string> subjects;
        for (const auto& e : session.FoundList) subjects.insert(e->Subject);
        return subjects;
    }

    test::ScratchFolder m_scratch{"pelmora-search"};
    fs::path m_folder = m_scratch.path();
    test::ScopedTimeZone m_utc{"UTC0"};
    SearchConditions conditions;
    SearchSession session;
    test::FakeListView view;
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
    SearchPorts ports{view, status, progress, prompts, cursor};
};

// A failure the standard library throws while messages are read (here from
// the address book) ends the run in a box, as an abort would, not the program.
TEST_F(SearchRunTest, ExceptionWhileReadingEndsTheRunWithABox) {
    struct FailingNames final : DisplayNameLookup {
        const std::string* LookupDisplayName(std::string_view) const override {
            throw std::runtime_error("out of names");
        }
    } names;
    write("a.eml", "From: a@example.com\nSubject: one\n\nx\n");
    conditions.DateFrom = 0.0;
    EXPECT_EQ(RunSearch(conditions, m_folder, session, ports, ReaderOptions{.DisplayNames = &names}),
              RunEnd::Aborted);
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"error:out of names"});
    EXPECT_FALSE(progress.visible);
}

// Memory that runs out while one message is read is said for that message
// alone: the search goes on and lists what matched, and is no abort.
TEST_F(SearchRunTest, OutOfMemoryOnOneMessageIsSaidAndTheSearchGoesOn) {
    struct ExhaustingNames final : DisplayNameLookup {
        const std::string* LookupDisplayName(std::string_view address) const override {
            if (address.starts_with("huge@")) throw std::bad_alloc();
            return nullptr;
        }
    } names;
    write("a.eml", "From: a@example.com\nSubject: one\n\nneedle\n");
    const fs::path huge = write("b.eml", "From: huge@example.com\nSubject: two\n\nneedle\n");
    write("c.eml", "From: c@example.com\nSubject: three\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    conditions.DateFrom = 0.0;
    EXPECT_EQ(RunSearch(conditions, m_folder, session, ports, ReaderOptions{.DisplayNames = &names}),
              RunEnd::Completed);
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"one", "three"}));
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"warning:" + text::OutOfMemoryReading(huge.native())});
}

// A large folder searched ready to ask reads one message at a time with
// the files ahead handed to the kernel, and finds what the many-reader
// search finds.
TEST_F(SearchRunTest, ReadyToAskFindsWhatManyReadersFind) {
    for (int i = 0; i < 2100; ++i)
        write("m" + std::to_string(i) + ".eml",
              "Subject: " + std::to_string(i) + "\n\n" + (i % 7 == 0 ? "needle\n" : "hay\n"));
    ParseSearchField(conditions.BodyTerms, "needle");
    std::set<std::string> found[2];
    for (const bool asking : {true, false}) {
        conditions.ErrorUnableDecode = asking;
        EXPECT_EQ(run(), RunEnd::Completed);
        found[asking ? 0 : 1] = foundSubjects();
    }
    EXPECT_EQ(found[0].size(), 300u);
    EXPECT_EQ(found[0], found[1]);
}

TEST_F(SearchRunTest, DateLimitsOnTheSameDay) {
    write("a.eml", received("Sun, 10 Mar 2024 00:00:00 +0000") + "Subject: midnight\n\nx\n");
    write("b.eml", received("Sun, 10 Mar 2024 23:59:58 +0000") + "Subject: late\n\nx\n");
    write("c.eml", received("Mon, 11 Mar 2024 00:00:00 +0000") + "Subject: next day\n\nx\n");
    write("d.eml", received("Sat, 9 Mar 2024 23:59:59 +0000") + "Subject: day before\n\nx\n");
    const DateTime picked = EncodeDateTime(2024, 3, 10, 15, 30, 0);
    conditions.DateFrom = DateFromDay(picked);
    conditions.DateTo = DateToDay(picked);
    EXPECT_EQ(run(), RunEnd::Completed);
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"midnight", "late"}));
    EXPECT_EQ(view.rowCount(), 2);
    EXPECT_EQ(status.panels[0], "2" + cp(" 通のメッセージ"));
}

TEST_F(SearchRunTest, MessageWithoutReceivedIsTestedByItsFileDate) {
    fs::path file = write("a.eml", "Subject: no received\n\nx\n");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1710072000, 0}};  // 2024-03-10 12:00:00 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    conditions.DateFrom = DateFromDay(EncodeDateTime(2024, 3, 10, 0, 0, 0));
    conditions.DateTo = DateToDay(EncodeDateTime(2024, 3, 10, 0, 0, 0));
    run();
    EXPECT_EQ(session.FoundList.size(), 1u);
    conditions.DateFrom = DateFromDay(EncodeDateTime(2024, 3, 11, 0, 0, 0));
    conditions.DateTo.reset();
    run();
    EXPECT_TRUE(session.FoundList.empty());
}

TEST_F(SearchRunTest, AttachmentsOnlyListsEveryMessageWithAnAttachment) {
    write("plain.eml", "Subject: plain\n\nbody\n");
    write("mixed.eml",
          "Subject: with file\nContent-Type: multipart/mixed; boundary=b\n\n--b\n\ntext\n--b\n"
          "Content-Type: application/octet-stream\n\nAAAA\n--b--\n");
    write("one-part.eml",
          "Subject: one part\nContent-Type: multipart/mixed; boundary=b\n\n--b\n\ntext\n--b--\n");
    conditions.AttachmentsOnly = true;
    run();
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"with file"}));
}

TEST_F(SearchRunTest, SenderTermMatchesDecodedNameOrWrittenAddress) {
    write("a.eml", "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <taro@example.jp>\nSubject: a\n\nx\n");
    write("b.eml", "From: other@example.com\nSubject: b\n\nx\n");
    ParseSearchField(conditions.FromTerms, cp("山田"));
    run();
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"a"}));
    ParseSearchField(conditions.FromTerms, "TARO@EXAMPLE");
    run();
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"a"}));
}

// A nested boundary that begins with the outer one is no delimiter of the
// outer one: the text of the first part is searched, the message has no
// attachment, and a decoy x-boundary= parameter does not hide boundary=.
TEST_F(SearchRunTest, NestedBoundaryBeginningWithTheOuterOne) {
    write("similar.eml",
          "Subject: similar\nContent-Type: multipart/mixed; boundary=abc\n\n--abc\n"
          "Content-Type: multipart/alternative; boundary=abc_alt\n\n--abc_alt\nContent-Type: text/plain\n\n"
          "plain needle\n--abc_alt\nContent-Type: text/html\n\n<p>html</p>\n--abc_alt--\n--abc--\n");
    write("decoy.eml",
          "Subject: decoy\nContent-Type: multipart/mixed; x-boundary=abc; boundary=\"real\"\n\n--real\n\n"
          "text\n--abc\nneedle after the decoy\n--real\n\nAAAA\n--real--\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    run();
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"similar", "decoy"}));
    for (const auto& e : session.FoundList) EXPECT_EQ(e->HasAttach, e->Subject == "decoy") << e->Subject;
    conditions.AttachmentsOnly = true;
    run();
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"decoy"}));
}

// A body far longer than one batch of the streamed test: terms on either
// side of a batch end, one broken across the line end there, an excluded
// term near the end.
TEST_F(SearchRunTest, LongBodyIsSearchedAcrossItsBatches) {
    std::string body;
    const std::string filler(99, 'x');
    while (body.size() < 3'500'000) body += filler + "\n";
    const std::size_t middle = body.size() / 2 / 100 * 100;
    std::string text = body;
    text.replace(middle - 4, 4, "alph");
    text.replace(middle, 2, "a ");
    text.replace(text.size() - 20, 5, "omega");
    text.replace(100, 5, "first");
    write("long.eml", "Subject: long\n\n" + text);
    const std::pair<const char*, bool> rows[] = {
        {"alpha", true},    {"first omega", true},    {"first -omega", false},   {"first alpha", true},
        {"nowhere", false}, {"first nowhere", false}, {"nowhere OR omega", true}};
    for (const auto& [field, found] : rows) {
        ParseSearchField(conditions.BodyTerms, field);
        run();
        EXPECT_EQ(session.FoundList.size(), found ? 1u : 0u) << field;
    }
}

TEST(MatchHeaderFilterTest, DisplayedAndWrittenFormsAreSeparatedByATab) {
    TMsgItem entry;
    entry.From = "abc";
    entry.FromRaw = "def";
    SearchConditions conditions;
    conditions.FromTerms = {{"ABC", 0}};
    EXPECT_TRUE(MatchHeaderFilter(conditions, entry));
    conditions.FromTerms = {{"DEF", 0}};
    EXPECT_TRUE(MatchHeaderFilter(conditions, entry));
    conditions.FromTerms = {{"CD", 0}};
    EXPECT_FALSE(MatchHeaderFilter(conditions, entry));
    conditions.FromTerms = {{"ABC", 0}, {"&", 0}, {"E", kExcludedMark}};
    EXPECT_FALSE(MatchHeaderFilter(conditions, entry));
}

TEST_F(SearchRunTest, BodyAndSubjectTogether) {
    write("a.eml", "Subject: report\n\nthe needle is here\n");
    write("b.eml", "Subject: report\n\nnothing\n");
    write("c.eml", "Subject: other\n\nthe needle again\n");
    ParseSearchField(conditions.SubjectTerms, "report");
    ParseSearchField(conditions.BodyTerms, "needle");
    write("sub/d.eml", "Subject: report\n\nneedle in a subfolder\n");
    run();
    EXPECT_EQ(session.FoundList.size(), 1u);
    conditions.IncludeSubfolders = true;
    run();
    EXPECT_EQ(session.FoundList.size(), 2u);
}

TEST_F(SearchRunTest, AbortWhileCollectingGivesAnEmptyList) {
    for (int i = 0; i < 5; ++i) write("m" + std::to_string(i) + ".eml", "Subject: s\n\nx\n");
    ParseSearchField(conditions.SubjectTerms, "s");
    // The first event runs before the flag is cleared; the second is the scan's.
    progress.abortAfterEvents = 2;
    EXPECT_EQ(run(), RunEnd::Aborted);
    EXPECT_TRUE(session.FoundList.empty());
    EXPECT_EQ(view.rowCount(), 0);
    EXPECT_FALSE(progress.visible);
}

TEST_F(SearchRunTest, AbortWhileCheckingKeepsTheMatchesFromTheEnd) {
    const int count = 6;
    for (int i = 0; i < count; ++i)
        write("m" + std::to_string(i) + ".eml", "Subject: s" + std::to_string(i) + "\n\nx\n");
    ParseSearchField(conditions.SubjectTerms, "s");
    run();
    ASSERT_EQ(session.FoundList.size(), static_cast<std::size_t>(count));
    const int eventsBeforeChecking = progress.events - count;

    MsgList collected;
    ScanFolder(nullptr, Subfolders::No, collected, m_folder);
    ASSERT_EQ(collected.size(), static_cast<std::size_t>(count));

    progress = test::FakeProgress{};
    // The flag rises while the second message to check lets events run;
    // that message is still read, the rest are dropped.
    progress.abortAfterEvents = eventsBeforeChecking + 2;
    EXPECT_EQ(run(), RunEnd::Aborted);
    std::set<std::string> kept;
    for (const auto& e : session.FoundList) kept.insert(e->FileName);
    EXPECT_EQ(kept, (std::set<std::string>{collected[count - 1]->FileName, collected[count - 2]->FileName}));
    EXPECT_EQ(view.rowCount(), 2);
}

TEST_F(SearchRunTest, SkipSummaryCountsThePrompts) {
    const std::string big5 = "Subject: b\nContent-Type: text/plain; charset=big5\n\nneedle\n";
    write("a.eml", big5);
    write("b.eml", big5);
    write("c.eml", "Subject: c\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    prompts.answers = {ports::Answer::Yes, ports::Answer::Yes};
    run();
    EXPECT_EQ(session.FoundList.size(), 1u);
    ASSERT_EQ(prompts.shown.size(), 3u);
    // The question names the message by its decoded fields, which a body
    // search otherwise decodes only for the messages it lists.
    EXPECT_NE(prompts.shown[0].find(std::string(text::kSkipSubjectLabel) + "b\r"), std::string::npos)
        << prompts.shown[0];
    EXPECT_EQ(prompts.shown[2], "info:2" + cp(" 個のメッセージをスキップして検索しました。"));
    EXPECT_EQ(session.skip.SkippedCount, 2);
}

TEST_F(SearchRunTest, WithoutErrorUnableDecodeNoPromptAndNoSummary) {
    const std::string big5 = "Subject: b\nContent-Type: text/plain; charset=big5\n\nneedle\n";
    write("a.eml", big5);
    write("b.eml", "Subject: x\nContent-Transfer-Encoding: x-uuencode\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    conditions.ErrorUnableDecode = false;
    run();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(foundSubjects(), (std::set<std::string>{"b"}));
}

TEST_F(SearchRunTest, YesToAllStopsTheQuestionsForTheRun) {
    for (int i = 0; i < 3; ++i)
        write("m" + std::to_string(i) + ".eml",
              "Subject: b\nContent-Type: text/plain; charset=big5\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    prompts.answers = {ports::Answer::YesToAll};
    run();
    // The message asked about is dropped, the two after it are searched.
    EXPECT_EQ(session.FoundList.size(), 2u);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1], "info:1" + cp(" 個のメッセージをスキップして検索しました。"));
}

TEST_F(SearchRunTest, CancelInThePromptStopsTheRun) {
    for (int i = 0; i < 3; ++i)
        write("m" + std::to_string(i) + ".eml",
              "Subject: b\nContent-Type: text/plain; charset=big5\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    prompts.answers = {ports::Answer::Cancel};
    EXPECT_EQ(run(), RunEnd::Aborted);
    EXPECT_TRUE(session.FoundList.empty());
    EXPECT_EQ(prompts.shown.size(), 2u);  // the question and the summary
}

TEST_F(SearchRunTest, ProgressStatusAndSortOrder) {
    write("a.eml", "Subject: Bravo\n\nx\n");
    write("b.eml", "Subject: alpha\n\nx\n");
    write("c.eml", "Subject: Charlie\n\nx\n");
    ParseSearchField(conditions.SubjectTerms, "a");
    view.key = -2;  // subject, descending: a run still sorts ascending
    status.panels[1] = "stale";
    run();
    ASSERT_EQ(session.FoundList.size(), 3u);
    EXPECT_EQ(session.FoundList[0]->Subject, "alpha");
    EXPECT_EQ(session.FoundList[1]->Subject, "Bravo");
    EXPECT_EQ(session.FoundList[2]->Subject, "Charlie");
    EXPECT_EQ(view.key, 2);
    EXPECT_EQ(status.panels[1], "");
    EXPECT_EQ(progress.title, cp("条件に合うかチェックしています…"));
    EXPECT_EQ(progress.fromCaption, "From:");
    EXPECT_EQ(progress.countText, "3");
    EXPECT_EQ(progress.maximum, 3);
    EXPECT_EQ(progress.pos, 3);
    EXPECT_TRUE(progress.barVisible);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(view.updateDepth, 0);
    EXPECT_EQ(cursor.depth, 0);
}

TEST_F(SearchRunTest, ReadFindLinesStopsAfterTheFirstPart) {
    const fs::path file =
        write("m.eml",
              "Subject: x\nContent-Type: multipart/mixed;\n boundary=\"b\"\n\npre\n--b\n\npart one\n"
              "--b\nContent-Type: text/plain\n\npart two\n--b--\n");
    TMsgItem entry;
    entry.FileName = file.string();
    entry.Boundary = "b";
    LineList lines;
    ASSERT_TRUE(ReadFindLines(entry, lines));
    EXPECT_EQ(lines, (LineList{"Subject: x", "Content-Type: multipart/mixed;", " boundary=\"b\"", "", "pre",
                               "--b", "", "part one", "--b"}));
    entry.Boundary.clear();
    ASSERT_TRUE(ReadFindLines(entry, lines));
    EXPECT_EQ(lines.size(), 13u);
    entry.FileName = (m_folder / "missing.eml").string();
    EXPECT_FALSE(ReadFindLines(entry, lines));
    EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace pelmora
