// SPDX-License-Identifier: MIT
// The search's reading of one message: what it asks of the conditions, in
// which order, and which lines reach the body search; then every file of the
// example folder and of the shared corpus, read as the list reads it and as
// a search with body terms does.
#include "search/message_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "message/message_test_support.h"
#include "support/fake_ports.h"

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

// Records what the reader asks of a search run, with scripted answers.
class FakeSearch {
public:
    bool MatchHeaderFilter(const TMsgItem& entry) {
        headerSubject = entry.Subject;
        return headerAnswer;
    }
    bool AttachmentsOnly() const { return attachmentsOnly; }
    bool HasBodyTerms() const { return bodyTerms; }
    int SearchBody(LineSource& lines, const TMsgItem&) {
        bodyLines.clear();
        std::string_view line;
        while (lines.next(line)) bodyLines.emplace_back(line);
        ++bodyCalls;
        return bodyAnswer;
    }

    bool headerAnswer = true;
    bool attachmentsOnly = false;
    bool bodyTerms = false;
    int bodyAnswer = 1;
    std::string headerSubject;
    LineList bodyLines;
    int bodyCalls = 0;
};

class SearchMessageTest : public testing::Test {
protected:
    Reading read(std::string_view bytes, FakeSearch& search) {
        Reading result;
        result.entry = EntryForBytes(bytes);
        LineReader reader;
        reader.openBytes(bytes);
        SearchOpenMessage(reader, result.entry, result.lines, {}, search);
        return result;
    }

    ScopedTimeZone m_tz{"UTC0"};
};

const std::string PlainMessage = "Subject: hello\r\n\r\nline 1\r\nline 2\r\n";
const std::string TwoParts = "--XX\r\ntext\r\n--XX\r\nfile\r\n--XX--\r\n";

TEST_F(SearchMessageTest, SearchModeReadsTheWholeBody) {
    FakeSearch search;
    search.bodyTerms = true;
    const Reading r = read(PlainMessage, search);
    EXPECT_EQ(search.headerSubject, "hello");
    EXPECT_EQ(search.bodyLines, (LineList{"Subject: hello", "", "line 1", "line 2"}));
    EXPECT_TRUE(r.entry.Matched);
}

TEST_F(SearchMessageTest, SearchModeHeaderFilterStopsEarly) {
    FakeSearch search;
    search.headerAnswer = false;
    search.bodyTerms = true;
    const Reading r = read(PlainMessage, search);
    EXPECT_FALSE(r.entry.Matched);
    EXPECT_EQ(search.bodyCalls, 0);
    EXPECT_EQ(r.lines, (LineList{"Subject: hello"}));
    EXPECT_EQ(r.entry.Subject, "hello");
}

TEST_F(SearchMessageTest, SearchModeAttachmentsOnly) {
    FakeSearch search;
    search.attachmentsOnly = true;
    EXPECT_FALSE(read(PlainMessage, search).entry.Matched);
    EXPECT_TRUE(read("Content-Type: multipart/mixed; boundary=XX\r\n\r\n" + TwoParts, search).entry.Matched);
}

TEST_F(SearchMessageTest, SearchModeBodyWithoutMatch) {
    FakeSearch search;
    search.bodyTerms = true;
    search.bodyAnswer = 0;
    EXPECT_FALSE(read(PlainMessage, search).entry.Matched);
    search.bodyTerms = false;
    EXPECT_TRUE(read(PlainMessage, search).entry.Matched);
}

// Reads on to the end of every message, as a search with body terms does.
class ReadEverything {
public:
    bool MatchHeaderFilter(const TMsgItem&) { return true; }
    bool AttachmentsOnly() const { return false; }
    bool HasBodyTerms() const { return true; }
    int SearchBody(LineSource& lines, const TMsgItem&) {
        std::string_view line;
        while (lines.next(line)) ++bodyLines;
        return 1;
    }
    std::size_t bodyLines = 0;
};

// The same search without header conditions: the fields of a listed
// message are decoded after its body was searched.
class ReadEverythingFieldsLater : public ReadEverything {
public:
    bool DefersHeaderFields() const { return true; }
    void SetPendingFields(PendingFields*) {}
};

// The header fields, which must not depend on when they were decoded.
auto headerFields(const TMsgItem& e) {
    return std::tuple(e.From, e.To, e.Subject, e.FromRaw.str(), e.ToRaw.str(), e.MessageId.str(),
                      e.Boundary.str(), e.RecvDate, e.SentDate, e.RecvDateText.str(), e.SentDateText.str(),
                      e.DupHash, e.IconIndex, e.HasAttach, e.FileSize, e.FileTime, e.FileDate);
}

std::vector<fs::path> filesUnder(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& item :
         fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied))
        if (item.is_regular_file()) files.push_back(item.path());
    std::sort(files.begin(), files.end());
    return files;
}

void readAllIn(const fs::path& root) {
    const std::vector<fs::path> files = filesUnder(root);
    ASSERT_FALSE(files.empty());
    ReadEverything everything;
    ReadEverythingFieldsLater fieldsLater;
    for (const fs::path& file : files) {
        std::vector<std::unique_ptr<TMsgItem>> read;
        for (const int mode : {0, 1, 2}) {
            MsgList list;
            list.push_back(ScannedEntry(file));
            // As the scan leaves them on Linux: the reader takes them.
            list[0]->FileSize = 0;
            list[0]->FileTime = list[0]->FileDate = 0;
            LineList lines;
            FakePrompts prompts;
            ReaderContext context{lines, {}, prompts};
            if (mode == 0)
                ReadMessage(list, 0, context);
            else if (mode == 1)
                SearchMessage(list, 0, context, everything);
            else
                SearchMessage(list, 0, context, fieldsLater);
            const TMsgItem& entry = *list[0];
            EXPECT_TRUE(entry.Matched) << file;
            EXPECT_EQ(entry.SentDateText.size(), 16u) << file;
            EXPECT_GE(entry.SentDate, DateFloor) << file;
            EXPECT_TRUE(prompts.shown.empty()) << file;
            read.push_back(std::move(list[0]));
        }
        EXPECT_EQ(headerFields(*read[1]), headerFields(*read[0])) << file;
        EXPECT_EQ(headerFields(*read[2]), headerFields(*read[0])) << file;
    }
}

TEST(ReadFolder, EveryCorpusFileReadsWithoutFault) {
    const fs::path corpus = PELMORA_CORPUS_DIR;
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    readAllIn(corpus);
}

TEST(ReadFolder, EveryExampleReadsWithoutFault) {
    readAllIn(fs::path(PELMORA_SOURCE_DIR) / "examples" / "mail");
}

}  // namespace
}  // namespace pelmora::test
