// SPDX-License-Identifier: MIT
// The walk over one message's lines that finds its first leaf body, decodes
// it into upper-cased display text and tests it against the body terms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "message/header_reader.h"
#include "message/line_source.h"
#include "message/msg_item.h"
#include "search/body_text.h"
#include "search/term_probe.h"
#include "search/terms.h"

namespace pelmora {

namespace ports {
class Prompts;
class Progress;
}  // namespace ports

// What a search run keeps about messages whose charset or transfer
// encoding cannot be read. SkipSilently outlives the run (a narrowing
// search goes on with what the last run left).
struct SkipState {
    bool SkipSilently = false;
    int SkippedCount = 0;
};

struct BodyWalkContext {
    SkipState& skip;
    ports::Prompts& prompts;
    ports::Progress& progress;  // its abort flag is set when the user cancels
    BodyText body{};            // reused from one message to the next
    // False: every body is converted and tested, with no proof that it
    // cannot match; the answers are the same, which tests compare.
    bool prefilter = true;
    // False: every line is taken on its own, as a source that cannot hand
    // several at once gives them; the answers are the same.
    bool linesAtOnce = true;
    BodyPrefilter filter{};
    std::vector<std::size_t> lineEnds{};  // reused by the lines taken at once
    // Set while a message whose header fields wait is searched: the
    // question about a body that cannot be searched shows them.
    PendingFields* pending = nullptr;
};

// 0 when the body does not meet BodyTerms (or cannot be searched);
// otherwise the index of the line at which the match was settled.
// The lines are taken one at a time and only as far as the body goes.
int SearchBody(TermList& BodyTerms, LineSource& lines, const TMsgItem& entry, BodyWalkContext& context);
int SearchBody(TermList& BodyTerms, const LineList& lines, const TMsgItem& entry, BodyWalkContext& context);

// The question asked about a message that cannot be searched.
std::string SkipPromptText(const TMsgItem& entry, std::string_view unsupportedItem);

}  // namespace pelmora
