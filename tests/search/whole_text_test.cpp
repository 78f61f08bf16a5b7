// SPDX-License-Identifier: MIT
#include "search/whole_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode/japanese.h"

namespace pelmora {
namespace {

// The verdict on the whole text at once, as the body search gave it before
// bodies were streamed.
bool wholeAtOnce(TermList terms, std::string_view decoded, BodyConversion conversion) {
    std::string text;
    AppendConvertedBody(text, decoded, conversion);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    UpperCaseDisplayRange(text.data(), text.size());
    ResetTermMarks(terms, 0);
    TermVerdict verdict = EvaluateTerms(text, terms, false);
    return verdict.matched && !verdict.excluded;
}

bool streamed(TermList terms, std::string_view decoded, BodyConversion conversion, std::size_t piece) {
    BodyText body;
    ResetTermMarks(terms, 0);
    WholeBodyTest test(terms, conversion, body);
    for (std::size_t at = 0; at < decoded.size(); at += piece) {
        test.decoded().append(decoded.substr(at, piece));
        if (!test.added()) break;
    }
    return test.finish();
}

// One word in the four encodings: hiragana k is U+3041+k, JIS 0x24 0x21+k,
// EUC-JP the JIS bytes with their high bit set.
struct Word {
    std::string utf8, cp932, iso2022jp, eucjp;
};

Word hiragana(std::initializer_list<int> letters) {
    Word w;
    std::string jis;
    for (int k : letters) {
        w.utf8 += std::string{'\xE3', '\x81', static_cast<char>(0x81 + k)};
        jis += std::string{'\x24', static_cast<char>(0x21 + k)};
        w.eucjp += std::string{'\xA4', static_cast<char>(0xA1 + k)};
    }
    w.cp932 = Utf8ToAnsi(w.utf8);
    w.iso2022jp = "\x1B$B" + jis + "\x1B(B";
    return w;
}

Word ascii(const std::string& s) {
    return {s, s, s, s};
}

// Bodies of a few megabytes in each conversion give the same verdict
// streamed in pieces as tested whole; the rare words sit where the pieces
// make a batch end (a batch is tested once a megabyte waits), so a word cut
// there, in its bytes or in its characters, is noticed.
TEST(WholeBodyTest, StreamedVerdictIsTheWholeTextsVerdict) {
    const std::vector<Word> common = {ascii("alpha "), ascii("beta "), ascii("gam"), ascii("ma"), ascii("x")};
    const std::vector<Word> rare = {hiragana({3, 10, 20}), ascii("needle"), hiragana({32}), hiragana({1, 3})};
    const std::size_t pieces[] = {4093, 700'001};
    std::mt19937 random(11);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    struct Conversion {
        BodyConversion conversion;
        std::string Word::*form;
    };
    const Conversion conversions[] = {{BodyConversion::AsIs, &Word::cp932},
                                      {BodyConversion::Utf8, &Word::utf8},
                                      {BodyConversion::Iso2022Jp, &Word::iso2022jp},
                                      {BodyConversion::EucJp, &Word::eucjp}};
    for (const Conversion& c : conversions) {
        std::string body;
        while (body.size() < 2'200'000) {
            body += common[pick(common.size())].*(c.form);
            if (pick(8) == 0) body += pick(2) ? "\r\n" : "\n";
        }
        // Across the end of the first batch of each piece size, the earlier
        // first so that each lands where it is meant to.
        const std::size_t ends[] = {700'001 * 2, (std::size_t{1} << 20) / 4093 * 4093 + 4093};
        for (std::size_t r = 2; r-- > 0;) body.insert(ends[r] - 5, rare[r].*(c.form));
        body += rare[2].*(c.form) + "\r\n";
        for (int round = 0; round < 16; ++round) {
            TermList terms;
            const std::size_t count = 1 + pick(3);
            for (std::size_t t = 0; t < count; ++t) {
                if (t > 0) terms.push_back({pick(3) == 0 ? "|" : "&", 0});
                std::string text =
                    pick(2) ? rare[pick(rare.size())].cp932 : common[pick(common.size())].cp932;
                UpperCaseDisplayRange(text.data(), text.size());
                terms.push_back({text, pick(4) == 0 ? kExcludedMark : 0});
            }
            const bool expected = wholeAtOnce(terms, body, c.conversion);
            for (std::size_t piece : pieces)
                EXPECT_EQ(streamed(terms, body, c.conversion, piece), expected)
                    << "conversion " << static_cast<int>(c.conversion) << " round " << round << " piece "
                    << piece;
        }
    }
}

TEST(WholeBodyTest, TextEndsAtItsFirstZeroByte) {
    std::string body(1'500'000, 'a');
    body += '\0';
    body += "needle";
    const TermList terms{{"NEEDLE", 0}};
    EXPECT_FALSE(wholeAtOnce(terms, body, BodyConversion::AsIs));
    EXPECT_FALSE(streamed(terms, body, BodyConversion::AsIs, 65536));
    body[1'500'000] = ' ';
    EXPECT_TRUE(streamed(terms, body, BodyConversion::AsIs, 65536));
}

}  // namespace
}  // namespace pelmora
