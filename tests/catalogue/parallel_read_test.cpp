// SPDX-License-Identifier: MIT
#include "catalogue/parallel_read.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <thread>

#include "catalogue/load.h"
#include "catalogue/scan.h"
#include "catalogue_test_support.h"
#include "support/copied_folder.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// A folder of a few thousand messages: the example folder's messages,
// each many times under other names, so that every header form it holds
// is read on every thread.
class ParallelLoadTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new test::CopiedMessageFolder({fs::path(PELMORA_SOURCE_DIR) / "examples" / "mail"}, 2600);
    }
    static void TearDownTestSuite() { delete s_folder; }

    LoadOutcome load(MsgList& list, unsigned threads, const DisplayNameLookup* names = nullptr) {
        ports::ListView& v = view;
        LoadFolderPorts ports{v, status, progress, prompts, cursor};
        LineList lines;
        ReaderOptions options;
        options.DisplayNames = names;
        ReaderContext reader{lines, options, prompts};
        return LoadFolder(s_folder->path(), list, ports, reader, Subfolders::No, threads);
    }

    static test::CopiedMessageFolder* s_folder;
    test::FakeListView view{{1, 6, 2, 7, 3, 4}, 3};
    test::FakeStatusBar status;
    test::FakeProgress progress;
    test::FakePrompts prompts;
    test::FakeBusyCursor cursor;
};

test::CopiedMessageFolder* ParallelLoadTest::s_folder = nullptr;

TEST_F(ParallelLoadTest, ManyThreadsGiveTheEntriesOneThreadGives) {
    MsgList single, several;
    ASSERT_EQ(load(single, 1), LoadOutcome::Loaded);
    ASSERT_EQ(load(several, 4), LoadOutcome::Loaded);
    ASSERT_GE(single.size(), kParallelReadThreshold);
    ASSERT_EQ(single.size(), several.size());
    std::map<std::string, const TMsgItem*> byName;
    for (const auto& e : single) byName[e->FileName] = e.get();
    for (const auto& e : several) {
        const TMsgItem* expected = byName.at(e->FileName);
        EXPECT_EQ(e->From, expected->From) << e->FileName;
        EXPECT_EQ(e->To, expected->To) << e->FileName;
        EXPECT_EQ(e->Subject, expected->Subject) << e->FileName;
        EXPECT_EQ(e->RecvDate, expected->RecvDate) << e->FileName;
        EXPECT_EQ(e->SentDate, expected->SentDate) << e->FileName;
        EXPECT_EQ(e->SentDateText, expected->SentDateText) << e->FileName;
        EXPECT_EQ(e->FileSize, expected->FileSize) << e->FileName;
        EXPECT_EQ(e->FileDate, expected->FileDate) << e->FileName;
        EXPECT_EQ(e->HasAttach, expected->HasAttach) << e->FileName;
        EXPECT_EQ(e->DupHash, expected->DupHash) << e->FileName;
        EXPECT_TRUE(e->Matched) << e->FileName;
    }
    EXPECT_EQ(progress.pos, static_cast<int>(several.size()) - 1);
    EXPECT_EQ(view.rows, static_cast<int>(several.size()));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ParallelLoadTest, AbortStopsEveryThread) {
    MsgList list;
    progress.abortAfterEvents = 2;
    EXPECT_EQ(load(list, 4), LoadOutcome::Aborted);
    EXPECT_EQ(view.rows, 0);
    std::size_t read = 0;
    for (const auto& e : list) read += e->Matched;
    EXPECT_LT(read, list.size());
}

// A reader that fails on another thread ends the load with the general
// error message, shown once, on the calling thread.
TEST_F(ParallelLoadTest, AFailureOnAReaderThreadEndsTheLoadWithItsMessage) {
    class FailingNames : public DisplayNameLookup {
    public:
        explicit FailingNames(std::thread::id caller) : m_caller(caller) {}
        const std::string* LookupDisplayName(std::string_view) const override {
            if (std::this_thread::get_id() != m_caller) throw std::runtime_error("address book gone");
            return nullptr;
        }

    private:
        std::thread::id m_caller;
    };
    const FailingNames names(std::this_thread::get_id());
    MsgList list;
    EXPECT_EQ(load(list, 2, &names), LoadOutcome::Aborted);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], "error:address book gone");
    EXPECT_EQ(view.rows, 0);
}

// Boxes asked for on another thread are shown on the owning thread, in
// order, and their answers go back to the thread that asked.
TEST(MarshalledPrompts, RunsRequestsOnTheOwningThreadAndReturnsAnswers) {
    struct ThreadRecordingPrompts : test::FakePrompts {
        void warning(const std::string& t) override {
            threads.push_back(std::this_thread::get_id());
            FakePrompts::warning(t);
        }
        bool confirmYesNo(const std::string& t) override {
            threads.push_back(std::this_thread::get_id());
            return FakePrompts::confirmYesNo(t);
        }
        std::vector<std::thread::id> threads;
    } target;
    target.answers = {ports::Answer::No};
    MarshalledPrompts marshalled(target);
    bool answer = true;
    std::atomic<bool> finished{false};
    std::thread asker([&] {
        marshalled.warning("first");
        answer = marshalled.confirmYesNo("second");
        finished = true;
        marshalled.notify();
    });
    while (!finished) {
        marshalled.waitForRequest(std::chrono::milliseconds(50));
        marshalled.runPending();
    }
    asker.join();
    EXPECT_FALSE(answer);
    EXPECT_EQ(target.shown, (std::vector<std::string>{"warning:first", "yesno:second"}));
    for (std::thread::id id : target.threads) EXPECT_EQ(id, std::this_thread::get_id());
}

}  // namespace
}  // namespace pelmora
