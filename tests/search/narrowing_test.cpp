// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "decode/japanese.h"
#include "search/search_run.h"
#include "support/fake_ports.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

class NarrowingTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.empty()); }

    // An entry as a search run leaves it; its file need not exist.
    TMsgItem& add(const std::string& subject, const std::string& fileName = "/nonexistent/m.eml") {
        auto entry = std::make_unique<TMsgItem>();
        entry->Subject = subject;
        entry->FileName = fileName;
        entry->Matched = true;
        session.FoundList.push_back(std::move(entry));
        return *session.FoundList.back();
    }

    TMsgItem& addFile(const std::string& name, const std::string& content, const std::string& boundary = "") {
        fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << content;
        TMsgItem& entry = add(name, path.string());
        entry.Boundary = boundary;
        return entry;
    }

    RunEnd narrow() {
        view.setRowCount(static_cast<int>(session.FoundList.size()));
        return RunNarrowing(conditions, session, ports);
    }

    std::vector<std::string> subjects() const {
        std::vector<std::string> out;
        for (const auto& e : session.FoundList) out.push_back(e->Subject);
        return out;
    }

    test::ScratchFolder m_scratch{"pelmora-narrow"};
    fs::path m_folder = m_scratch.path();
    SearchConditions conditions;
    SearchSession session;
    test::FakeListView view{{1, 6, 2, 7, 3, 4}, 2};
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
    SearchPorts ports{view, status, progress, prompts, cursor};
};

TEST_F(NarrowingTest, ExceptionWhileReadingEndsTheNarrowingWithABox) {
    // Any standard-library failure in the loop; here the box about a file
    // that cannot be opened fails.
    struct FailingPrompts final : test::FakePrompts {
        void warning(const std::string&) override { throw std::runtime_error("out of memory"); }
    } failing;
    SearchPorts failingPorts{view, status, progress, failing, cursor};
    add("kept, not decided");                             // read second: its file is missing
    addFile("dropped.eml", "Subject: y\r\n\r\nyyy\r\n");  // read first, without the word
    ParseSearchField(conditions.BodyTerms, "x");
    view.setRowCount(2);
    EXPECT_EQ(RunNarrowing(conditions, session, failingPorts), RunEnd::Aborted);
    EXPECT_EQ(failing.shown, std::vector<std::string>{"error:out of memory"});
    EXPECT_EQ(subjects(), std::vector<std::string>{"kept, not decided"});
    EXPECT_FALSE(progress.visible);
}

TEST_F(NarrowingTest, EmptyBodyFieldReadsNoFile) {
    add("keep one");
    add("drop");
    add("keep two");
    ParseSearchField(conditions.SubjectTerms, "keep");
    EXPECT_EQ(narrow(), RunEnd::Completed);
    // The files do not exist: reading any of them would have shown a message.
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(subjects(), (std::vector<std::string>{"keep one", "keep two"}));
    EXPECT_EQ(view.rowCount(), 2);
    EXPECT_EQ(status.panels[0], "2" + cp(" 通のメッセージ、絞込み検索"));
}

struct CountCase {
    int entries;
    int shows;
};

class NarrowingProgressTest : public NarrowingTest, public testing::WithParamInterface<CountCase> {};

TEST_P(NarrowingProgressTest, DialogOnlyForMoreThanAHundredEntries) {
    for (int i = 0; i < GetParam().entries; ++i) add("s");
    ParseSearchField(conditions.SubjectTerms, "s");
    narrow();
    EXPECT_EQ(progress.shows, GetParam().shows);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(progress.title, cp("絞込み検索中です…"));
    EXPECT_EQ(progress.countText, GetParam().entries > 100 ? "101" : "100");
    EXPECT_EQ(progress.pos, GetParam().entries);
    EXPECT_EQ(session.FoundList.size(), static_cast<std::size_t>(GetParam().entries));
}

INSTANTIATE_TEST_SUITE_P(Counts, NarrowingProgressTest, testing::Values(CountCase{100, 0}, CountCase{101, 1}),
                         [](const auto& row) { return std::to_string(row.param.entries) + "_entries"; });

TEST_F(NarrowingTest, AbortKeepsTheEntriesNotYetVisited) {
    for (int i = 0; i < 5; ++i) add("other " + std::to_string(i));
    ParseSearchField(conditions.SubjectTerms, "wanted");
    // Entries are visited from the last; the flag rises after the second.
    progress.abortAfterEvents = 2;
    EXPECT_EQ(narrow(), RunEnd::Aborted);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"other 0", "other 1", "other 2"}));
    EXPECT_EQ(view.rowCount(), 3);
    EXPECT_EQ(status.panels[0], "3" + cp(" 通のメッセージ、絞込み検索"));
}

TEST_F(NarrowingTest, BodyTermsReadTheFirstPartAgain) {
    addFile("a.eml",
            "Subject: a\nContent-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\n"
            "first part\n--b\nContent-Type: text/plain\n\nsecond part\n--b--\n",
            "b");
    addFile("b.eml", "Subject: b\n\nno parts, only second thoughts\n");
    ParseSearchField(conditions.BodyTerms, "second");
    narrow();
    EXPECT_EQ(subjects(), (std::vector<std::string>{"b.eml"}));
}

// A list long enough for helper threads to fetch the files ahead: the
// header fields are tested first for the whole list, and each entry must
// keep its own verdict (a missing file is only ever asked for when its
// subject matched).
TEST_F(NarrowingTest, LargeListKeepsEachEntrysVerdicts) {
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "m" + std::to_string(i) + ".eml";
        if (i % 10 != 0) {
            add("skip " + std::to_string(i));
            continue;
        }
        const bool needle = i % 20 == 0;
        addFile(name, "Subject: keep\n\n" + std::string(needle ? "a needle\n" : "hay\n")).Subject =
            "keep " + std::to_string(i);
        if (needle) expected.push_back("keep " + std::to_string(i));
    }
    ParseSearchField(conditions.SubjectTerms, "keep");
    ParseSearchField(conditions.BodyTerms, "needle");
    EXPECT_EQ(narrow(), RunEnd::Completed);
    EXPECT_TRUE(prompts.shown.empty());
    // In the view's order, which is not the order added.
    std::vector<std::string> kept = subjects();
    std::sort(kept.begin(), kept.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(kept, expected);
}

TEST_F(NarrowingTest, UnreadableFileIsReportedAndDropped) {
    const std::string gone = (m_folder / "gone.eml").string();
    add("gone", gone);
    addFile("here.eml", "Subject: here\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    narrow();
    EXPECT_EQ(subjects(), (std::vector<std::string>{"here.eml"}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "warning:\"" + gone + "\"" + cp(" を開けませんでした。") + "\r\r" +
                                    cp("使用中でないか確認して下さい。"));
}

TEST_F(NarrowingTest, KeepsWhatTheLastRunLeftInSkipSilently) {
    addFile("a.eml", "Subject: a\nContent-Type: text/plain; charset=big5\n\nneedle\n");
    ParseSearchField(conditions.BodyTerms, "needle");
    session.skip.SkipSilently = true;
    narrow();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(session.FoundList.size(), 1u);
    session.skip.SkipSilently = false;
    narrow();
    EXPECT_TRUE(session.FoundList.empty());
    ASSERT_EQ(prompts.shown.size(), 1u);  // the question, never a summary
}

TEST_F(NarrowingTest, AttachmentsOnlyAndDateLimitsUseTheStoredValues) {
    TMsgItem& withFile = add("with file");
    withFile.HasAttach = true;
    withFile.RecvDate = 45000.5;
    add("plain").RecvDate = 45000.5;
    add("old with file").HasAttach = true;
    conditions.AttachmentsOnly = true;
    conditions.DateFrom = DateFromDay(45000.9);
    narrow();
    EXPECT_EQ(subjects(), (std::vector<std::string>{"with file"}));
}

}  // namespace
}  // namespace pelmora
