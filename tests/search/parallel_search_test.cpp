// SPDX-License-Identifier: MIT
// A search over a folder large enough to be read on several threads must
// find what a search on one thread finds.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "catalogue/parallel_read.h"
#include "decode/japanese.h"
#include "search/search_run.h"
#include "support/copied_folder.h"
#include "support/fake_ports.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// Each message of the example folder and of the search tests' folder
// (ISO-2022-JP, base64, quoted-printable, an unknown charset), many times,
// in three subfolders.
class ParallelSearchTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new test::CopiedMessageFolder({fs::path(PELMORA_SOURCE_DIR) / "examples" / "mail",
                                                  fs::path(PELMORA_TEST_DATA) / "search" / "folder"},
                                                 2 * kParallelReadThreshold, 3);
    }
    static void TearDownTestSuite() { delete s_folder; }

    std::set<std::string> search(unsigned threads) {
        SearchSession session;
        test::FakeListView view;
        test::FakeStatusBar status;
        SearchPorts ports{view, status, progress, prompts, cursor};
        EXPECT_EQ(RunSearch(conditions, s_folder->path(), session, ports, ReaderOptions{}, threads),
                  RunEnd::Completed);
        EXPECT_EQ(view.rowCount(), static_cast<int>(session.FoundList.size()));
        std::set<std::string> names;
        for (const auto& e : session.FoundList) {
            EXPECT_TRUE(e->Matched);
            names.insert(e->FileName);
        }
        return names;
    }

    static test::CopiedMessageFolder* s_folder;
    SearchConditions conditions;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
};

test::CopiedMessageFolder* ParallelSearchTest::s_folder = nullptr;

TEST_F(ParallelSearchTest, ManyThreadsFindWhatOneThreadFinds) {
    conditions.IncludeSubfolders = true;
    conditions.ErrorUnableDecode = false;
    struct Case {
        const char* body;
        const char* subject;
        bool attachments;
    } cases[] = {{"議事録", "", false},
                 {"forecast -hidden", "", false},
                 {"報告書 OR 停電", "", false},
                 {"", "見積", false},
                 {"", "", true},
                 {"the", "-re", true}};
    for (const Case& c : cases) {
        conditions.BodyTerms.clear();
        conditions.SubjectTerms.clear();
        ParseSearchField(conditions.BodyTerms, Utf8ToAnsi(c.body));
        ParseSearchField(conditions.SubjectTerms, Utf8ToAnsi(c.subject));
        conditions.AttachmentsOnly = c.attachments;
        const std::set<std::string> single = search(1);
        EXPECT_FALSE(single.empty()) << c.body << c.subject;
        EXPECT_EQ(search(4), single) << c.body << c.subject;
    }
    EXPECT_TRUE(prompts.shown.empty());
}

// Where the user is asked about bodies that cannot be searched, the
// questions come one message at a time, as many as there are such bodies.
TEST_F(ParallelSearchTest, QuestionsAboutUnsearchableBodiesAreAskedInTurn) {
    conditions.IncludeSubfolders = true;
    conditions.ErrorUnableDecode = false;
    ParseSearchField(conditions.BodyTerms, "forecast");
    const std::size_t silent = search(4).size();
    conditions.ErrorUnableDecode = true;
    const std::set<std::string> asked = search(4);
    std::size_t questions = 0;
    for (const std::string& shown : prompts.shown) questions += shown.starts_with("yescancelall:");
    EXPECT_GT(questions, 0u);
    // Every question was answered Yes (skip this one), so those bodies
    // are not searched.
    EXPECT_LT(asked.size(), silent);
}

}  // namespace
}  // namespace pelmora
