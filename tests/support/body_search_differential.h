// SPDX-License-Identifier: MIT
// The body search with its prefilter next to the same search converting
// every body, over whole message files: the tests run it on the shared
// corpus and a small generated folder, the search benchmark's tool on the
// full generated folders. Any difference in the answer is a fault of the
// prefilter's proof.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "decode/japanese.h"
#include "message/header_reader.h"
#include "message/line_reader.h"
#include "search/body_walk.h"
#include "support/fake_ports.h"

namespace pelmora::test {

// Search fields (UTF-8 here) of every kind the prefilter treats apart:
// ASCII words in any case, Japanese and full-width words it leaves to the
// conversion (or rules out by their JIS pairs), a single letter, exclusions
// and OR, and words made to be split by escapes, line ends and soft breaks.
inline const std::vector<std::string>& DifferentialFields() {
    static const std::vector<std::string> fields = {
        "zebracorn",          "ZebraCorn -patience",
        "patience",           "the OR nosuchword",
        "-meeting",           "nosuchword OR -zebracorn",
        "議事録 OR patience", "お世話 zebracorn",
        "ｚｅｂｒａｃｏｒｎ", "e",
        "content-type",       "\"thanks for\" -ｐａｔｉｅｎｃｅ",
        "ebracorn AND -`x`",  "ＺＥＢＲＡcorn OR 検索",
        "ファルコン",         "検索 OR -議事録",
    };
    return fields;
}

struct DifferentialTally {
    std::size_t messages = 0;
    std::size_t matched = 0;  // answers that were a match, of either side
    std::vector<std::string> differences;
};

class BodySearchDifferential {
public:
    BodySearchDifferential() {
        for (const std::string& field : DifferentialFields()) {
            TermList terms;
            ParseSearchField(terms, Utf8ToAnsi(field));
            m_terms.push_back(std::move(terms));
        }
        m_fast.prefilter = true;
        m_plain.prefilter = false;
        m_oneByOne.linesAtOnce = false;
        // Unknown charsets are searched as they are, without a question.
        m_skip.SkipSilently = true;
    }

    // Compares both searches on the lines of one message.
    void compare(const LineList& lines, std::string_view name, DifferentialTally& tally) {
        ++tally.messages;
        for (std::size_t f = 0; f < m_terms.size(); ++f) {
            TermList fastTerms = m_terms[f];
            TermList plainTerms = m_terms[f];
            const int fast = SearchBody(fastTerms, lines, m_entry, m_fast);
            const int plain = SearchBody(plainTerms, lines, m_entry, m_plain);
            if (fast != 0 || plain != 0) ++tally.matched;
            if (fast != plain)
                tally.differences.push_back(std::string(name) + " [" + DifferentialFields()[f] +
                                            "]: " + std::to_string(fast) + " with the prefilter, " +
                                            std::to_string(plain) + " without");
        }
    }

    // Every *.eml file under folder, read as the reader reads its lines;
    // and streamed from the file as a search reads it, its plain lines
    // taken at once and one by one.
    void compareFolder(const std::filesystem::path& folder, DifferentialTally& tally) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().extension() != ".eml") continue;
            LineReader reader;
            if (!reader.open(entry.path())) continue;
            LineList lines;
            std::string line;
            while (reader.readLine(line)) lines.push_back(line);
            compare(lines, entry.path().string(), tally);
            compareStreamed(entry.path(), tally);
        }
    }

    // The message streamed as a search reads it: its plain lines taken at
    // once (and its body proven free of a word where it lies), one by one,
    // and without the prefilter.
    void compareStreamed(const std::filesystem::path& file, DifferentialTally& tally) {
        compareStreamed(file.string(), tally, [&](LineReader& reader) { return reader.open(file); });
    }
    void compareStreamed(std::string_view bytes, std::string_view name, DifferentialTally& tally) {
        compareStreamed(name, tally, [&](LineReader& reader) {
            reader.openBytes(bytes);
            return true;
        });
    }

private:
    template <class Open>
    void compareStreamed(std::string_view name, DifferentialTally& tally, const Open& open) {
        for (std::size_t f = 0; f < m_terms.size(); ++f) {
            const int atOnce = searchStreamed(open, m_terms[f], m_fast);
            const int oneByOne = searchStreamed(open, m_terms[f], m_oneByOne);
            const int plain = searchStreamed(open, m_terms[f], m_plain);
            if (atOnce != oneByOne || atOnce != plain)
                tally.differences.push_back(std::string(name) + " [" + DifferentialFields()[f] +
                                            "], streamed: " + std::to_string(atOnce) +
                                            " taking lines at once, " + std::to_string(oneByOne) +
                                            " one by one, " + std::to_string(plain) +
                                            " without the prefilter");
        }
    }

    template <class Open>
    int searchStreamed(const Open& open, TermList terms, BodyWalkContext& context) {
        LineReader reader;
        if (!open(reader)) return -1;
        TMsgItem entry;
        LineList header;
        ReadHeaderLines(reader, entry, header);
        BodyStream body(header, reader, entry.Boundary);
        return SearchBody(terms, body, entry, context);
    }

    std::vector<TermList> m_terms;
    TMsgItem m_entry;
    SkipState m_skip;
    FakePrompts m_prompts;
    FakeProgress m_progress;
    BodyWalkContext m_fast{m_skip, m_prompts, m_progress};
    BodyWalkContext m_plain{m_skip, m_prompts, m_progress};
    BodyWalkContext m_oneByOne{m_skip, m_prompts, m_progress};
};

}  // namespace pelmora::test
