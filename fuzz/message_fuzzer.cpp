// SPDX-License-Identifier: MIT
// The header reader on a whole message file, once as the list reads it and
// once in search mode with body terms, so the body walk runs behind it.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>

#include "catalogue/read_message.h"
#include "fuzz_ports.h"
#include "fuzz_target.h"
#include "search/body_walk.h"
#include "search/message_search.h"
#include "search/terms.h"

namespace {

using namespace pelmora;

// One file in a private folder, rewritten for every input; tmpfs keeps it
// cheap. The folder goes when the fuzzer ends.
class Scratch {
public:
    Scratch() {
        // The test suite's replay runs it in a temporary folder of its own.
        const char* tmp = std::getenv("TMPDIR");
        m_folder = (tmp != nullptr && *tmp != '\0'        ? std::string(tmp)
                    : std::filesystem::exists("/dev/shm") ? std::string("/dev/shm")
                                                          : std::string("/tmp")) +
                   "/pelmora-fuzz-XXXXXX";
        if (::mkdtemp(m_folder.data()) == nullptr) std::abort();
        m_file = m_folder + "/m.eml";
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    const std::string& folder() const { return m_folder; }
    const std::string& file() const { return m_file; }

private:
    std::string m_folder;
    std::string m_file;
};

const Scratch& scratch() {
    static const Scratch instance;
    return instance;
}

class BodySearch {
public:
    BodySearch() : m_context{m_skip, m_prompts, m_progress} {
        ParseSearchField(m_terms, "A OR \x82\xA0 -ZZ");
    }
    bool MatchHeaderFilter(const TMsgItem&) { return true; }
    bool AttachmentsOnly() const { return false; }
    bool HasBodyTerms() const { return true; }
    int SearchBody(LineSource& lines, const TMsgItem& entry) {
        return pelmora::SearchBody(m_terms, lines, entry, m_context);
    }
    // No header condition: the fields are decoded once the message matched.
    bool DefersHeaderFields() const { return true; }
    void SetPendingFields(PendingFields* pending) { m_context.pending = pending; }

private:
    SkipState m_skip;
    fuzz::SilentPrompts m_prompts;
    fuzz::SilentProgress m_progress;
    TermList m_terms;
    BodyWalkContext m_context;
};

std::unique_ptr<TMsgItem> readOnce(BodySearch* search) {
    MsgList list;
    auto entry = std::make_unique<TMsgItem>();
    entry->FileName = scratch().file();
    entry->FolderPath = scratch().folder();
    entry->EmlFile = true;
    list.push_back(std::move(entry));
    LineList lines;
    fuzz::SilentPrompts prompts;
    ReaderContext context{lines, {}, prompts};
    if (search == nullptr)
        ReadMessage(list, 0, context);
    else
        SearchMessage(list, 0, context, *search);
    return std::move(list[0]);
}

auto headerFields(const TMsgItem& e) {
    return std::tuple(e.From, e.To, e.Subject, e.FromRaw.view(), e.ToRaw.view(), e.MessageId.view(),
                      e.Boundary.view(), e.RecvDateText.view(), e.SentDateText.view(), e.DupHash,
                      e.HasAttach);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FILE* out = std::fopen(scratch().file().c_str(), "wb");
    if (out == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);
    const auto listed = readOnce(nullptr);
    // Every text the list shows is a whole date text.
    fuzz::require(listed->SentDateText.size() == 16 && listed->RecvDateText.size() == 16);
    BodySearch search;
    const auto found = readOnce(&search);
    // A message the search lists shows what the list shows.
    if (found->Matched) fuzz::require(headerFields(*found) == headerFields(*listed));
    return 0;
}
