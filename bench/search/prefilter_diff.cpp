// SPDX-License-Identifier: MIT
// The body search with and without its prefilter over every message of the
// folders given (the benchmark's generated folders of 100,000 messages;
// the tests run the same comparison on the corpus and a small folder).
// Prints the messages, the answers that were a match and every difference;
// exits 1 when there is one.
#include <cstdio>
#include <iostream>

#include "support/body_search_differential.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: prefilter_diff FOLDER...\n";
        return 2;
    }
    pelmora::test::BodySearchDifferential differential;
    pelmora::test::DifferentialTally tally;
    for (int i = 1; i < argc; ++i) differential.compareFolder(argv[i], tally);
    for (const std::string& difference : tally.differences) std::cout << difference << '\n';
    std::cout << tally.messages << " messages, " << pelmora::test::DifferentialFields().size()
              << " search fields each, " << tally.matched << " matches, " << tally.differences.size()
              << " differences\n";
    return tally.differences.empty() ? 0 : 1;
}
