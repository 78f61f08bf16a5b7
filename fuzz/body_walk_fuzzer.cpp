// SPDX-License-Identifier: MIT
// The body walk on a message's lines as the reader hands them over; the
// first input byte picks the entry's top-level boundary among a few. With
// and without the prefilter, the answers are the same; and the same bytes
// streamed as a search reads a file, with the prefilter and its proof where
// the lines lie, and without it.
#include <string>

#include "fuzz_ports.h"
#include "fuzz_target.h"
#include "message/header_reader.h"
#include "message/line_reader.h"
#include "search/body_walk.h"
#include "search/terms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    std::string_view input = fuzz::bytesOf(data, size);
    static const char* const kBoundaries[] = {"", "b", "abc", "=_x"};
    TMsgItem entry;
    if (!input.empty()) {
        entry.Boundary = kBoundaries[static_cast<unsigned char>(input[0]) % 4];
        input.remove_prefix(1);
    }
    LineList lines;
    for (std::size_t start = 0; start <= input.size();) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        std::string_view line = input.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    SkipState skip;
    fuzz::SilentPrompts prompts;
    fuzz::SilentProgress progress;
    BodyWalkContext context{skip, prompts, progress};
    // Its own answers to the questions, so that both searches see the same.
    SkipState plainSkip;
    BodyWalkContext plain{plainSkip, prompts, progress};
    plain.prefilter = false;
    // The second and third fields are ones the prefilter can rule out (by
    // ASCII bytes, by JIS pairs: ファルコン OR -検索): their answers must be
    // those of the search that converts every body.
    const auto streamed = [input](TermList terms, BodyWalkContext& walk) {
        LineReader reader;
        reader.openBytes(input);
        TMsgItem read;
        LineList header;
        ReadHeaderLines(reader, read, header);
        BodyStream body(header, reader, read.Boundary.view());
        return SearchBody(terms, body, read, walk);
    };
    for (const char* field : {"A OR \x82\xA0 -ZZ", "ZEBRA OR -CORN AND XY",
                              "\x83t\x83@\x83\x8B\x83R\x83\x93 OR -\x8C\x9F\x8D\xF5"}) {
        TermList terms;
        ParseSearchField(terms, field);
        TermList plainTerms = terms;
        const int line = SearchBody(terms, lines, entry, context);
        fuzz::require(line >= 0 && static_cast<std::size_t>(line) <= lines.size());
        fuzz::require(line == SearchBody(plainTerms, lines, entry, plain));
        fuzz::require(streamed(plainTerms, context) == streamed(plainTerms, plain));
    }
    return 0;
}
