// SPDX-License-Identifier: MIT
// The search expression parser, then the parsed condition tested against
// the same bytes upper-cased the simple way.
#include <string>

#include "fuzz_target.h"
#include "search/terms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::string_view input = fuzz::bytesOf(data, size);
    TermList terms;
    ParseSearchField(terms, input);
    // Terms at even positions, operators at odd ones.
    for (std::size_t i = 1; i < terms.size(); i += 2)
        fuzz::require(terms[i].text == "&" || terms[i].text == "|");
    ResetTermMarks(terms, 0);
    EvaluateTerms(input, terms, false);
    for (const TermEntry& term : terms) (void)FindTermInText(input, term.text);
    return 0;
}
