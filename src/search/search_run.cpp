// SPDX-License-Identifier: MIT
#include "search/search_run.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/scope_exit.h"
#include "catalogue/disposal.h"
#include "catalogue/ordering.h"
#include "catalogue/parallel_read.h"
#include "catalogue/prefetch.h"
#include "catalogue/scan.h"
#include "decode/japanese.h"
#include "decode/text.h"
#include "message/format.h"
#include "message/line_reader.h"
#include "message/mime_boundary.h"
#include "ports/busy_cursor.h"
#include "ports/list_view.h"
#include "ports/progress.h"
#include "ports/status_bar.h"
#include "search/message_search.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

constexpr DateTime kLastSecondOfDay = 86399.0 / 86400.0;

// One series of length one: the whole text either meets the terms or not.
bool meetsTerms(TermList& terms, std::string_view first, const CompactText* second) {
    std::string text(first);
    if (second != nullptr) {
        text += '\t';
        text += second->view();
    }
    UpperCaseCp932InPlace(text);
    ResetTermMarks(terms, 0);
    TermVerdict verdict = EvaluateTerms(text, terms, false);
    return verdict.matched && !verdict.excluded;
}

// Removes the unmatched entries from `from` to the end in one pass; the
// entries below `from` were never decided and stay.
void dropUnmatched(MsgList& list, std::size_t from) {
    from = std::min(from, list.size());
    auto kept = std::remove_if(list.begin() + static_cast<std::ptrdiff_t>(from), list.end(),
                               [](const std::unique_ptr<TMsgItem>& e) { return !e->Matched; });
    list.erase(kept, list.end());
}

void clearResults(MsgList& found, SearchPorts& ports) {
    ports::BusyScope busy(ports.cursor);
    ports::UpdateScope update(ports.view);
    FreeInBackground(found);  // the last search's entries
    ports.view.setRowCount(0);
    ResetColumnCaptions(ports.view);
}

void collectFiles(SearchConditions& conditions, const std::filesystem::path& folder, MsgList& found,
                  SearchPorts& ports) {
    ports::Progress& progress = ports.progress;
    // The folder path follows the scan.
    ports::SetProgressTexts(progress, {.title = std::string(text::kSearchingTitle), .fromCaption = "From:"});
    progress.setBarVisible(false);
    progress.show();
    progress.processEvents();
    progress.clearAbort();
    ScopeExit showBar([&progress] { progress.setBarVisible(true); });
    std::vector<Error> unreadable;
    ScanFolder(&progress, conditions.IncludeSubfolders ? Subfolders::Yes : Subfolders::No, found, folder,
               FileFactsBy::Reader, &unreadable);
    if (!unreadable.empty()) ports.prompts.warning(UnreadableFoldersText(unreadable));
}

// Reads every entry on several threads, each with its own copy of the
// conditions (the terms keep marks while a text is tested) and of the skip
// state. Unread entries stay unmatched after an abort.
template <typename ShowFolder>
void searchInParallel(const SearchConditions& conditions, MsgList& found, SearchSession& session,
                      ReaderContext& reader, ConditionSearch& ownSearch, SearchPorts& ports,
                      unsigned readThreads, ShowFolder& showFolder) {
    struct ThreadSearch {
        ThreadSearch(const SearchConditions& c, const SkipState& s, SearchPorts& ports)
            : conditions(c), skip(s), body{skip, ports.prompts, ports.progress}, search(conditions, body) {}
        SearchConditions conditions;
        SkipState skip;
        BodyWalkContext body;
        ConditionSearch search;
    };
    const unsigned threads = ParallelReadThreads(found.size(), readThreads);
    std::vector<std::unique_ptr<ThreadSearch>> searches;
    for (unsigned i = 1; i < threads; ++i)
        searches.push_back(std::make_unique<ThreadSearch>(conditions, session.skip, ports));
    ParallelReadPorts parallel{ports.progress, ports.prompts};
    parallel.report = [&](std::size_t done, const TMsgItem& next) {
        ports.progress.setPosition(static_cast<int>(done));
        showFolder(next);
    };
    ReadEntriesInParallel(
        found, reader,
        [&](MsgList& list, std::size_t index, ReaderContext& context, unsigned thread) {
            SearchMessage(list, index, context, thread == 0 ? ownSearch : searches[thread - 1]->search);
        },
        parallel, threads);
    for (const auto& search : searches) session.skip.SkippedCount += search->skip.SkippedCount;
}

// One message at a time, so that a question comes up in order; helper
// threads keep the files ahead in flight. From the last collected file to
// the first: after an abort the matches found so far stay and the unread
// entries, still unmatched from the scan, go. decided follows the entries
// read (or passed over after an abort).
template <typename ShowFolder>
void searchInOrder(MsgList& found, ReaderContext& reader, ConditionSearch& search, ports::Progress& progress,
                   unsigned readThreads, ShowFolder& showFolder, std::size_t& decided) {
    std::optional<Prefetcher> ahead;
    if (ReadsInParallel(found.size(), readThreads))
        ahead.emplace(found, true, ParallelReadThreads(found.size(), readThreads) - 1);
    for (std::size_t n = found.size(); n-- > 0;) {
        if (!progress.abortRequested()) {
            if (ahead) ahead->reached(found.size() - 1 - n);
            progress.setPosition(progress.position() + 1);
            showFolder(*found[n]);
            progress.processEvents();
            SearchMessage(found, n, reader, search);
        }
        decided = n;
    }
}

}  // namespace

bool SearchConditions::HasAnyCondition() const {
    return ReadsHeaderFields() || !BodyTerms.empty() || AttachmentsOnly;
}

bool SearchConditions::ReadsHeaderFields() const {
    return !FromTerms.empty() || !ToTerms.empty() || !SubjectTerms.empty() || DateFrom.has_value() ||
           DateTo.has_value();
}

DateTime DateFromDay(DateTime picked) {
    return std::trunc(picked);
}

DateTime DateToDay(DateTime picked) {
    return std::trunc(picked) + kLastSecondOfDay;
}

bool MatchHeaderFilter(SearchConditions& conditions, const TMsgItem& entry) {
    if (conditions.DateFrom && entry.RecvDate < *conditions.DateFrom) return false;
    if (conditions.DateTo && entry.RecvDate > *conditions.DateTo) return false;
    if (!conditions.SubjectTerms.empty() && !meetsTerms(conditions.SubjectTerms, entry.Subject, nullptr))
        return false;
    // The displayed form and the header as written are tested together, so
    // a term may match the address-book name or the mail address.
    if (!conditions.FromTerms.empty() && !meetsTerms(conditions.FromTerms, entry.From, &entry.FromRaw))
        return false;
    if (!conditions.ToTerms.empty() && !meetsTerms(conditions.ToTerms, entry.To, &entry.ToRaw)) return false;
    return true;
}

RunEnd RunSearch(SearchConditions& conditions, const std::filesystem::path& folder, SearchSession& session,
                 SearchPorts& ports, const ReaderOptions& readerOptions, unsigned readThreads) {
    MsgList& found = session.FoundList;
    ports::Progress& progress = ports.progress;
    clearResults(found, ports);
    ports.status.setPanelText(0, std::string(text::kNotSearched));
    ports.status.setPanelText(1, "");

    collectFiles(conditions, folder, found, ports);

    // The scan's folder line stays until the walk enters another folder.
    progress.setTitle(std::string(text::kCheckingTitle));
    progress.setCountText(FormatCount(static_cast<std::int64_t>(found.size())));
    ports::ResetProgressBar(progress, static_cast<int>(found.size()));

    session.skip.SkipSilently = !conditions.ErrorUnableDecode;
    session.skip.SkippedCount = 0;
    BodyWalkContext body{session.skip, ports.prompts, progress};
    ConditionSearch search(conditions, body);
    ReaderContext reader{session.MsgLines, readerOptions, ports.prompts};
    // The folder line changes only when the walk enters another folder.
    std::string shownFolder;
    bool failed = false;
    auto showFolder = [&](const TMsgItem& entry) {
        if (entry.FolderPath == shownFolder) return;
        shownFolder = entry.FolderPath;
        progress.setFromPath(Utf8ToAnsi(shownFolder));
    };
    {
        ports::UpdateScope update(ports.view);
        // Entries from `decided` up have been read (or passed over after an
        // abort); only those may be dropped.
        std::size_t decided = found.size();
        ScopeExit finish([&] {
            dropUnmatched(found, decided);
            ports.view.setRowCount(static_cast<int>(found.size()));
            ports.status.setPanelText(
                0, FormatCount(static_cast<std::int64_t>(found.size())) + std::string(text::kMessagesSuffix));
            progress.hide();
        });
        try {
            // Many threads only while no question can come up: a body that
            // cannot be searched is then passed over without asking.
            if (session.skip.SkipSilently && ReadsInParallel(found.size(), readThreads)) {
                searchInParallel(conditions, found, session, reader, search, ports, readThreads, showFolder);
                decided = 0;
            } else {
                searchInOrder(found, reader, search, progress, readThreads, showFolder, decided);
            }
        } catch (const std::exception& caught) {
            // What the standard library throws while reading (memory, a file
            // system error) ends the run as an abort does, said in a box as
            // the folder load says it, instead of ending the program.
            ports.prompts.error(Utf8ToAnsi(ErrorFromException(caught).reasonText()));
            failed = true;
        }
    }
    ResortList(ports.view, ports.view.sortKey(), found, &ports.prompts);
    if (failed) return RunEnd::Aborted;
    if (conditions.ErrorUnableDecode && session.skip.SkippedCount != 0)
        ports.prompts.information(SkipSummaryText(session.skip.SkippedCount));
    return progress.abortRequested() ? RunEnd::Aborted : RunEnd::Completed;
}

namespace {

// The lines the narrowing search reads of a message, taken from the open
// file one at a time: the header block as written through its empty line,
// then the body, only through the delimiter after the first part when the
// entry has a boundary. A line longer than a piece comes in pieces.
class FindLineStream final : public LineSource {
public:
    explicit FindLineStream(const TMsgItem& entry) : m_boundary(entry.Boundary.view()) {
        m_open = m_reader.open(std::filesystem::path(entry.FileName));
    }
    bool opened() const { return m_open; }

    bool next(std::string_view& line) override {
        if (m_phase == Phase::Done || m_phase == Phase::Last || !m_reader.readPiece(line, m_line, m_place)) {
            m_phase = Phase::Done;
            return false;
        }
        ++m_handed;
        // Only a whole line can end the header or be a delimiter.
        if (!place().whole()) return true;
        switch (m_phase) {
            case Phase::Header:
                if (line.empty()) m_phase = m_boundary.empty() ? Phase::Body : Phase::Preamble;
                break;
            case Phase::Preamble:
                if (ClassifyDelimiterLine(line, m_boundary) == DelimiterKind::Part)
                    m_phase = Phase::FirstPart;
                break;
            case Phase::FirstPart:
                if (ClassifyDelimiterLine(line, m_boundary) != DelimiterKind::None) m_phase = Phase::Last;
                break;
            case Phase::Body:
            case Phase::Last:
            case Phase::Done:
                break;
        }
        return true;
    }
    std::size_t lastIndex() const override { return m_handed == 0 ? 0 : m_handed - 1; }
    LinePlace place() const override { return m_place; }
    std::size_t takePlainLines(std::string& bytes, std::vector<std::size_t>& ends,
                               std::size_t maxBytes) override {
        // The header's end is an empty line, and only delimiters move the
        // phases after it.
        if (m_phase != Phase::Body && m_phase != Phase::Preamble && m_phase != Phase::FirstPart) return 0;
        const std::size_t taken = m_reader.takePlainLines(bytes, ends, maxBytes);
        m_handed += taken;
        if (taken > 0) m_place = {};
        return taken;
    }
    std::string_view restOfLines(std::size_t maxBytes) override {
        return m_phase == Phase::Body ? m_reader.bufferRest(maxBytes) : std::string_view{};
    }
    void skipRest(std::size_t count) override {
        m_reader.skipRest();
        m_handed += count;
        m_place = {};
    }

private:
    enum class Phase { Header, Body, Preamble, FirstPart, Last, Done };

    LineReader m_reader;
    std::string_view m_boundary;
    std::string m_line;  // a line put together from two blocks
    LinePlace m_place{};
    std::size_t m_handed = 0;
    Phase m_phase = Phase::Header;
    bool m_open = false;
};

void startNarrowingProgress(ports::Progress& progress, std::int64_t count) {
    ports::StartProgress(progress, static_cast<int>(count),
                         {.title = std::string(text::kNarrowingTitle), .countText = FormatCount(count)});
    progress.setBarVisible(true);
    if (count > 100) {
        progress.show();
        progress.processEvents();
    }
}

bool narrowsByHeader(SearchConditions& conditions, const TMsgItem& entry) {
    return MatchHeaderFilter(conditions, entry) && (!conditions.AttachmentsOnly || entry.HasAttach);
}

// Bodies are read one at a time; for a large list helper threads keep the
// next files in flight, as in the window's search. Only files whose header
// fields match are read, so those are picked out first: verdicts gets one
// flag per entry then (and stays empty when nothing is kept in flight).
std::optional<Prefetcher> prefetchBodies(SearchConditions& conditions, const MsgList& found,
                                         std::vector<char>& verdicts) {
    if (conditions.BodyTerms.empty() || !ReadsInParallel(found.size(), 0)) return std::nullopt;
    verdicts.resize(found.size());
    std::vector<const TMsgItem*> order;
    for (std::size_t n = found.size(); n-- > 0;) {
        verdicts[n] = narrowsByHeader(conditions, *found[n]) ? 1 : 0;
        if (verdicts[n] != 0) order.push_back(found[n].get());
    }
    return std::optional<Prefetcher>(std::in_place, std::move(order),
                                     ParallelReadThreads(found.size(), 0) - 1);
}

}  // namespace

RunEnd RunNarrowing(SearchConditions& conditions, SearchSession& session, SearchPorts& ports) {
    MsgList& found = session.FoundList;
    ports::Progress& progress = ports.progress;
    const auto count = static_cast<std::int64_t>(found.size());
    startNarrowingProgress(progress, count);

    BodyWalkContext body{session.skip, ports.prompts, progress};
    bool aborted = false;
    {
        ports::UpdateScope update(ports.view);
        std::size_t decided = found.size();
        std::int64_t dropped = 0;
        ScopeExit finish([&] {
            dropUnmatched(found, decided);
            ports.view.setRowCount(static_cast<int>(found.size()));
            progress.hide();
        });
        try {
            std::vector<char> headerVerdicts;
            std::optional<Prefetcher> ahead = prefetchBodies(conditions, found, headerVerdicts);
            std::size_t bodiesRead = 0;
            for (std::size_t n = found.size(); n-- > 0;) {
                TMsgItem& entry = *found[n];
                progress.setPosition(progress.position() + 1);
                entry.Matched = false;
                if (headerVerdicts.empty() ? narrowsByHeader(conditions, entry) : headerVerdicts[n] != 0) {
                    if (ahead) ahead->reached(bodiesRead++);
                    if (conditions.BodyTerms.empty())
                        entry.Matched = true;
                    else if (FindLineStream lines(entry); lines.opened())
                        entry.Matched = SearchBody(conditions.BodyTerms, lines, entry, body) != 0;
                    else
                        ports.prompts.warning(text::CouldNotOpen(entry.FileName));
                }
                if (!entry.Matched) ++dropped;
                decided = n;
                ports.status.setPanelText(0,
                                          FormatCount(count - dropped) + std::string(text::kNarrowedSuffix));
                progress.processEvents();
                if (progress.abortRequested()) {
                    aborted = true;
                    break;
                }
            }
        } catch (const std::exception& caught) {
            // As in the search run: said in a box, and the narrowing ends as
            // an abort does, the entries not decided yet kept.
            ports.prompts.error(Utf8ToAnsi(ErrorFromException(caught).reasonText()));
            aborted = true;
        }
    }
    ResortList(ports.view, ports.view.sortKey(), found, &ports.prompts);
    return aborted ? RunEnd::Aborted : RunEnd::Completed;
}

bool ReadFindLines(const TMsgItem& entry, LineList& lines) {
    lines.clear();
    FindLineStream stream(entry);
    if (!stream.opened()) return false;
    std::string_view line;
    while (stream.next(line)) {
        if (stream.place().begins)
            lines.emplace_back(line);
        else
            lines.back() += line;
    }
    return true;
}

std::string SkipSummaryText(int skipped) {
    return std::to_string(skipped) + std::string(text::kSkippedSuffix);
}

}  // namespace pelmora
