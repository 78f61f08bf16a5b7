// SPDX-License-Identifier: MIT
// A search's reading of one message, composed from the header reader:
// the header, then the header conditions, then the attachment flag, then
// the body terms, each step only when the one before let the message pass.
#pragma once

#include <cstddef>

#include "base/scope_exit.h"
#include "catalogue/read_message.h"
#include "message/header_reader.h"
#include "message/line_reader.h"

namespace pelmora {

// Search is what the conditions of one search answer, called directly (one
// type per caller, so the conditions reach the body walk without a call
// through a table):
//   bool MatchHeaderFilter(const TMsgItem&);
//   bool AttachmentsOnly() const;
//   bool HasBodyTerms() const;
//   int SearchBody(LineSource&, const TMsgItem&);  // 0: no match
// and, where it can do without the header fields of the messages it does
// not list:
//   bool DefersHeaderFields() const;  // true: no condition reads them
//   void SetPendingFields(PendingFields*);  // for a question naming the message
//
// After the header: the attachment flag and the body terms. A message
// without attachments is dropped before its body is searched, which may ask
// the user about it.
template <typename Search>
bool MatchesBeyondHeader(Search& search, LineReader& reader, const LineList& header, TMsgItem& entry) {
    // The body search on the lines of the header block, an empty line, then
    // the body streamed from the file.
    auto bodyMatches = [&] {
        BodyStream body(header, reader, entry.Boundary);
        const bool matched = search.SearchBody(body, entry) != 0;
        if (!entry.Boundary.empty()) entry.HasAttach = body.hasAttach();
        return matched;
    };
    const bool bodyTerms = search.HasBodyTerms();
    if (entry.Boundary.empty()) {
        if (search.AttachmentsOnly()) return false;
        return !bodyTerms || bodyMatches();
    }
    if (search.AttachmentsOnly() || !bodyTerms) {
        entry.HasAttach = ScanForAttachment(reader, entry.Boundary);
        if (search.AttachmentsOnly() && !entry.HasAttach) return false;
        if (!bodyTerms) return true;
        if (!RewindToBody(reader)) return false;
    }
    return bodyMatches();
}

// The search's reading of a message whose bytes reader stands at the start
// of: the entry is matched only when every condition holds.
template <typename Search>
void SearchOpenMessage(LineReader& reader, TMsgItem& entry, LineList& lines, const ReaderOptions& options,
                       Search& search) {
    entry.Matched = false;
    if constexpr (requires { search.DefersHeaderFields(); }) {
        // Most messages a body search reads are not listed: decoding their
        // sender, recipients, subject and dates would be work thrown away.
        if (search.DefersHeaderFields()) {
            ReadHeaderLines(reader, entry, lines);
            PendingFields pending(entry, lines, options, &reader);
            ScopeExit handing([&search] { search.SetPendingFields(nullptr); });
            search.SetPendingFields(&pending);
            entry.Matched = MatchesBeyondHeader(search, reader, lines, entry);
            if (entry.Matched) pending.complete();
            return;
        }
    }
    ReadHeader(reader, entry, lines, options);
    if (!search.MatchHeaderFilter(entry)) return;
    entry.Matched = MatchesBeyondHeader(search, reader, lines, entry);
}

// The search's reading of list[index] from its file; a file that cannot be
// opened, or that memory runs out for, is said and stays unmatched.
template <typename Search>
void SearchMessage(MsgList& list, std::size_t index, ReaderContext& context, Search& search) {
    TMsgItem& entry = *list[index];
    // A search that defers the header fields takes the file's size and
    // times with them, from the file still open.
    FileFacts facts = FileFacts::Now;
    if constexpr (requires { search.DefersHeaderFields(); })
        if (search.DefersHeaderFields()) facts = FileFacts::WhenListed;
    ReadReportingMemory(entry, context, [&] {
        LineReader reader;
        if (OpenEntry(entry, reader, context, facts))
            SearchOpenMessage(reader, entry, context.MsgLines, context.options, search);
    });
}

}  // namespace pelmora
