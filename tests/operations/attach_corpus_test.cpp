// SPDX-License-Identifier: MIT
// Attachment removal on every message of the shared corpus that has
// attachments, each copied into a scratch folder first.
#include "decode/cp932.h"
#include "message/mail_date.h"
#include "message/mime_boundary.h"
#include "op_fixture.h"
#include "operations/attach_delete.h"
#include "platform/file_io.h"
#include "platform/trash.h"
#include "support/fake_shell.h"

namespace fs = std::filesystem;

namespace pelmora::test {
namespace {

class AttachCorpus : public MailFolderTest {};

// Lines ended by LF or CR LF.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (lines.back().ends_with('\r')) lines.back().pop_back();
        start = end + 1;
    }
    return lines;
}

// What is missing from the first part of a message: a body after its
// header, or, when it is itself multipart, its own close delimiter. A cut at
// a nested boundary that begins with the outer one loses both.
std::string firstPartFault(const std::string& message, const std::string& boundary) {
    const std::vector<std::string> lines = splitLines(message);
    std::size_t i = 0;
    while (i < lines.size() && ClassifyDelimiterLine(lines[i], boundary) != DelimiterKind::Part) ++i;
    std::string nested;
    std::size_t bodyLines = 0;
    bool inHeader = true;
    bool nestedClosed = false;
    for (++i; i < lines.size() && ClassifyDelimiterLine(lines[i], boundary) == DelimiterKind::None; ++i) {
        const std::string& line = lines[i];
        if (inHeader && line.empty()) {
            inHeader = false;
        } else if (inHeader) {
            // The part's Content-Type, unfolded as far as the boundary goes.
            std::string lower = line;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.find("multipart/") != std::string::npos || (!nested.empty() && nested == "?"))
                nested = "?";
            if (nested == "?")
                if (std::size_t at = FindBoundaryParameter(line, 0); at != std::string::npos) {
                    nested =
                        line.substr(at, line.find(';', at) == std::string::npos ? std::string::npos
                                                                                : line.find(';', at) - at);
                    if (nested.size() >= 2 && nested.front() == '"')
                        nested = nested.substr(1, nested.find('"', 1) - 1);
                }
        } else {
            if (!line.empty()) ++bodyLines;
            if (!nested.empty() && ClassifyDelimiterLine(line, nested) == DelimiterKind::Close)
                nestedClosed = true;
        }
    }
    if (bodyLines == 0) return "the first part has no body";
    if (!nested.empty() && nested != "?" && !nestedClosed)
        return "the nested part " + nested + " lost its end";
    return {};
}

TEST_F(AttachCorpus, EveryMessageWithAttachmentsRewritesSafely) {
    const fs::path corpus = PELMORA_CORPUS_DIR;
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;

    MsgList all;
    ScanFolder(nullptr, Subfolders::Yes, all, corpus);
    ReaderContext context{lines, {}, prompts};
    std::vector<std::string> originals;
    for (std::size_t i = 0; i < all.size(); ++i) {
        ReadMessage(all, i, context);
        if (!all[i]->HasAttach) continue;
        originals.push_back(ReadBytes(all[i]->FileName));
        addMessage(std::to_string(originals.size()) + ".eml", originals.back(),
                   1300000000 + originals.size());
    }
    if (originals.empty()) GTEST_SKIP() << "the corpus holds no message with attachments";
    load();
    ASSERT_EQ(list.size(), originals.size());

    FakeShell shell;
    shell.trashImpl = RealTrash();
    std::vector<TMsgItem> before;
    for (const auto& entry : list) before.push_back(*entry);
    for (std::size_t i = 0; i < list.size(); ++i) {
        TMsgItem& entry = *list[i];
        SCOPED_TRACE(entry.FileName);
        ASSERT_TRUE(entry.HasAttach);
        auto outcome = RewriteMessageFile(entry, shell, platform::SystemFileSystem());
        ASSERT_TRUE(outcome) << Cp932ToUtf8(RewriteFailureText(outcome.error()));
        ASSERT_EQ(outcome->kind, RewriteOutcome::Kind::Rewritten);
        EXPECT_FALSE(entry.HasAttach);

        const std::string name = fs::path(entry.FileName).filename();
        const std::string index = name.substr(0, name.size() - 4);
        const std::string& original = originals.at(std::stoul(index) - 1);
        EXPECT_EQ(ReadBytes(trashFiles() / name), original) << "the trash must hold the old file unchanged";
        EXPECT_TRUE(
            ReadBytes(trashInfo() / (name + ".trashinfo"))
                .starts_with("[Trash Info]\nPath=" + platform::PercentEncodePath(entry.FileName) + "\n"));

        // Times first: reading the file may move its access time.
        struct stat st {};
        ASSERT_EQ(::stat(entry.FileName.c_str(), &st), 0);
        EXPECT_EQ(FileTimeFromTimespec(st.st_mtim), before[i].FileTime);
        EXPECT_EQ(FileTimeFromTimespec(st.st_atim), before[i].FileTime);
        const std::string rewritten = ReadBytes(entry.FileName);
        EXPECT_TRUE(rewritten.ends_with("\r\n--" + entry.Boundary + "--\r\n"))
            << "no valid closing delimiter";
        EXPECT_EQ(entry.FileSize, static_cast<std::int64_t>(rewritten.size()));
        EXPECT_EQ(firstPartFault(rewritten, entry.Boundary), firstPartFault(original, entry.Boundary))
            << "the first part lost text";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(mail), {}), static_cast<long>(originals.size()))
        << "no temporary file may stay";

    // Read back, every message keeps its header fields and lost its attachments.
    load();
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(list[i]->FileName);
        EXPECT_EQ(list[i]->From, before[i].From);
        EXPECT_EQ(list[i]->To, before[i].To);
        EXPECT_EQ(list[i]->Subject, before[i].Subject);
        EXPECT_EQ(list[i]->MessageId, before[i].MessageId);
        EXPECT_EQ(list[i]->SentDateText, before[i].SentDateText);
        EXPECT_EQ(list[i]->RecvDateText, before[i].RecvDateText);
        EXPECT_EQ(list[i]->Boundary, before[i].Boundary);
        EXPECT_EQ(list[i]->DupHash, before[i].DupHash);
        EXPECT_FALSE(list[i]->HasAttach);
    }
    std::cout << "rewrote " << list.size() << " corpus messages\n";
}

}  // namespace
}  // namespace pelmora::test
