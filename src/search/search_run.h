// SPDX-License-Identifier: MIT
// The search run and the narrowing search over a result list. A window (or
// the command line) supplies the conditions and the ports; nothing here
// knows which front end called it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "message/header_reader.h"
#include "message/msg_item.h"
#include "search/body_walk.h"
#include "search/terms.h"

namespace pelmora {

namespace ports {
class ListView;
class StatusBar;
class Progress;
class Prompts;
class BusyCursor;
}  // namespace ports

struct SearchConditions {
    TermList FromTerms;
    TermList ToTerms;
    TermList SubjectTerms;
    TermList BodyTerms;
    // Set only while their picker is checked.
    std::optional<DateTime> DateFrom;
    std::optional<DateTime> DateTo;
    bool AttachmentsOnly = false;
    bool IncludeSubfolders = false;  // the search run only
    // Ask about messages that cannot be searched.
    bool ErrorUnableDecode = true;

    // A search needs at least one condition.
    bool HasAnyCondition() const;
    // Whether a sender, recipient, subject or date condition is set.
    bool ReadsHeaderFields() const;
};

// The start of the picked day.
DateTime DateFromDay(DateTime picked);
// The picked day at 23:59:59.
DateTime DateToDay(DateTime picked);

// The date limits and the sender, recipient and subject terms.
bool MatchHeaderFilter(SearchConditions& conditions, const TMsgItem& entry);

// A search run's conditions as SearchMessage asks them, with the body walk
// they are tested with; one per reading thread.
class ConditionSearch {
public:
    ConditionSearch(SearchConditions& conditions, BodyWalkContext& body)
        : m_conditions(conditions), m_body(body) {}

    bool MatchHeaderFilter(const TMsgItem& entry) { return pelmora::MatchHeaderFilter(m_conditions, entry); }
    bool AttachmentsOnly() const { return m_conditions.AttachmentsOnly; }
    bool HasBodyTerms() const { return !m_conditions.BodyTerms.empty(); }
    int SearchBody(LineSource& lines, const TMsgItem& entry) {
        return pelmora::SearchBody(m_conditions.BodyTerms, lines, entry, m_body);
    }
    bool DefersHeaderFields() const { return !m_conditions.ReadsHeaderFields(); }
    void SetPendingFields(PendingFields* pending) { m_body.pending = pending; }

private:
    SearchConditions& m_conditions;
    BodyWalkContext& m_body;
};

struct SearchPorts {
    ports::ListView& view;  // the result view; row i shows FoundList[i]
    ports::StatusBar& status;
    ports::Progress& progress;
    ports::Prompts& prompts;
    ports::BusyCursor& cursor;
};

// What the search window keeps from one run to the next.
struct SearchSession {
    MsgList FoundList;
    LineList MsgLines;
    LineList FindLines;
    SkipState skip;
};

enum class RunEnd { Completed, Aborted };

// Empties FoundList, collects the message files of folder and keeps those
// that meet every condition, sorted by the view's key. Large folders are
// read on readThreads threads (0: the default number of readers; 1: this one only)
// unless a question about an unsearchable body may have to be asked.
RunEnd RunSearch(SearchConditions& conditions, const std::filesystem::path& folder, SearchSession& session,
                 SearchPorts& ports, const ReaderOptions& readerOptions, unsigned readThreads = 0);

// Applies the conditions again to FoundList and drops the entries that fail.
RunEnd RunNarrowing(SearchConditions& conditions, SearchSession& session, SearchPorts& ports);

// Reads what the body walk needs of entry's file into lines: the header
// block as written, then the body (only its first part when the entry has a
// boundary). False when the file cannot be opened.
bool ReadFindLines(const TMsgItem& entry, LineList& lines);

// "N 個のメッセージをスキップして検索しました。"
std::string SkipSummaryText(int skipped);

}  // namespace pelmora
