// SPDX-License-Identifier: MIT
#include "search/terms.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode/japanese.h"
#include "decode/text.h"

namespace pelmora {

// Byte strings print in hex so that a failing double-byte case is readable.
void PrintTo(const TermEntry& entry, std::ostream* os) {
    *os << '{';
    for (unsigned char c : entry.text) {
        if (c >= 0x20 && c < 0x7f)
            *os << c;
        else
            *os << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    }
    *os << ", " << entry.mark << '}';
}

namespace {

std::string cp(const char* utf8) {
    return Utf8ToAnsi(utf8);
}
TermEntry term(const char* utf8) {
    return {cp(utf8), 0};
}
TermEntry excluded(const char* utf8) {
    return {cp(utf8), kExcludedMark};
}
const TermEntry And{"&", 0};
const TermEntry Or{"|", 0};

struct ParseCase {
    const char* name;
    const char* field;  // UTF-8, converted to code page 932
    std::vector<TermEntry> expected;
};

class ParseSearchFieldTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseSearchFieldTest, GivesTheList) {
    TermList list{{"STALE", 0}};
    ParseSearchField(list, cp(GetParam().field));
    EXPECT_EQ(list, GetParam().expected);
}

const ParseCase kParseCases[] = {
    {"empty", "", {}},
    {"only_blanks", "   ", {}},
    {"lone_minus", "-", {}},
    {"lone_full_width_minus", "－", {}},
    {"empty_quotes", "\"\"", {}},
    {"or_alone_is_a_term", "OR", {term("OR")}},
    {"blank_is_and", "abc def", {term("ABC"), And, term("DEF")}},
    {"comma_is_a_separator", "abc,def", {term("ABC"), And, term("DEF")}},
    {"or_word", "abc OR def", {term("ABC"), Or, term("DEF")}},
    {"bar", "abc | def", {term("ABC"), Or, term("DEF")}},
    {"full_width_or", "abc ＯＲ def", {term("ABC"), Or, term("DEF")}},
    {"full_width_bar", "abc ｜ def", {term("ABC"), Or, term("DEF")}},
    {"and_word", "abc AND def", {term("ABC"), And, term("DEF")}},
    {"ampersand", "abc & def", {term("ABC"), And, term("DEF")}},
    {"full_width_ampersand", "abc ＆ def", {term("ABC"), And, term("DEF")}},
    {"full_width_and", "abc ＡＮＤ def", {term("ABC"), And, term("DEF")}},
    {"lower_case_or_is_upper_cased", "abc or def", {term("ABC"), Or, term("DEF")}},
    {"full_width_lower_case_or", "abc ｏｒ def", {term("ABC"), Or, term("DEF")}},
    {"full_width_letters_upper_cased", "ｍａｉｌ", {term("ＭＡＩＬ")}},
    {"trailing_operator_removed", "a OR", {term("A")}},
    {"leading_or_is_a_term", "OR a", {term("OR"), And, term("A")}},
    {"second_or_is_a_term", "a OR OR b", {term("A"), Or, term("OR"), And, term("B")}},
    {"second_and_is_a_term", "a AND AND b", {term("A"), And, term("AND"), And, term("B")}},
    {"minus_excludes", "-abc", {excluded("ABC")}},
    {"full_width_minus_excludes", "－abc", {excluded("ABC")}},
    {"double_minus_keeps_one", "--abc", {excluded("-ABC")}},
    {"lone_minus_dropped_between", "a - b", {term("A"), And, term("B")}},
    {"quoted_blank_kept", "\"a b\" c", {term("A B"), And, term("C")}},
    {"minus_inside_quotes_excludes_phrase", "\"-a b\"", {excluded("A B")}},
    {"quote_after_minus_is_ordinary", "-\"a b\"", {excluded("\"A"), And, term("B\"")}},
    {"quoted_or_is_an_operator", "x \"or\" y", {term("X"), Or, term("Y")}},
    {"doubled_quote_in_quotes", "\"a\"\"b\"", {term("A\"B")}},
    {"token_right_after_closing_quote", "\"a b\"c", {term("A B"), And, term("C")}},
    {"comma_at_the_end", "a,", {term("A")}},
    {"commas_and_blanks", "a , ,b", {term("A"), And, term("B")}},
    {"full_width_blank_separates", "a　b", {term("A"), And, term("B")}},
    {"full_width_blank_kept_in_quotes", "\"a　b\"", {term("A　B")}},
    {"two_quoted_full_width_phrases", "\"a　b\"　\"c　d\"", {term("A　B"), And, term("C　D")}},
    {"open_quote_takes_the_rest", "x \"a b", {term("X"), And, term("A B")}},
    {"japanese_words", "検索 OR 語", {term("検索"), Or, term("語")}},
    // ＝ is 0x81 0x81: with "@" after it the bytes 0x81 0x40 appear, but
    // they start on a second byte and are no full-width blank.
    {"blank_bytes_inside_a_character", "＝@", {term("＝@")}},
};

INSTANTIATE_TEST_SUITE_P(Fields, ParseSearchFieldTest, testing::ValuesIn(kParseCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(NormalizeFieldBlanksTest, ChangesOnlyBlanksOutsideQuotes) {
    EXPECT_EQ(NormalizeFieldBlanks(cp("a　\"b　c\"　d")), cp("a \"b　c\" d"));
    EXPECT_EQ(NormalizeFieldBlanks(cp("\"x\"\"　y\"　z")), cp("\"x\"\"　y\" z"));
    EXPECT_EQ(NormalizeFieldBlanks(cp("\"open　end")), cp("\"open　end"));
}

TEST(SplitFieldTokensTest, CommaAtTheVeryEndYieldsAnEmptyToken) {
    EXPECT_EQ(SplitFieldTokens("a,"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitFieldTokens("a, "), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitFieldTokens("  \"a\"\"b\" c\"d"), (std::vector<std::string>{"a\"b", "c\"d"}));
}

// One text against a freshly reset list.
TermVerdict evaluateOnce(const char* field, const char* text) {
    TermList list;
    ParseSearchField(list, cp(field));
    ResetTermMarks(list, 0);
    return EvaluateTerms(UpperCaseCp932(cp(text)), list, false);
}

struct EvalCase {
    const char* name;
    const char* field;
    const char* text;
    bool matched;
    bool excluded;
};

class EvaluateOneTextTest : public testing::TestWithParam<EvalCase> {};

TEST_P(EvaluateOneTextTest, Verdict) {
    TermVerdict v = evaluateOnce(GetParam().field, GetParam().text);
    EXPECT_EQ(v.matched, GetParam().matched);
    EXPECT_EQ(v.excluded, GetParam().excluded);
}

const EvalCase kEvalCases[] = {
    {"all_words_present", "a b", "xx b yy a", true, false},
    {"one_word_missing", "a b", "only a", false, false},
    {"case_folded_by_caller", "Mail", "my MAIL box", true, false},
    {"or_either", "a OR b", "just b", true, false},
    {"or_neither", "a OR b", "nothing", false, false},
    {"or_excluded_neither_present", "a OR -b", "nothing here", true, false},
    {"or_excluded_both_present", "a OR -b", "a and b", true, true},
    {"excluded_alone_absent", "-b", "clean text", true, false},
    {"excluded_alone_present", "-b", "has b", true, true},
    {"no_precedence_b_and_c", "a OR b c", "b c", true, false},
    {"no_precedence_a_alone", "a OR b c", "a", false, false},
    {"no_precedence_left_and_first", "a b OR c", "c", true, false},
    {"no_precedence_a_without_b", "a b OR c", "a", false, false},
    {"phrase_with_blank", "\"a b\"", "xa by", true, false},
    {"phrase_split", "\"a b\"", "a  b", false, false},
    {"japanese_term", "検索", "本文に検索語", true, false},
};

INSTANTIATE_TEST_SUITE_P(Texts, EvaluateOneTextTest, testing::ValuesIn(kEvalCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(EvaluateTermsTest, TextEndsAtItsFirstZeroByte) {
    TermList list{{"DEF", 0}};
    const std::string text("ABC\0DEF", 7);
    EXPECT_FALSE(EvaluateTerms(text, list, false).matched);
}

TEST(EvaluateTermsTest, WordsOfASeriesCountTogether) {
    TermList list;
    ParseSearchField(list, "a b");
    ResetTermMarks(list, 0);
    TermVerdict first = EvaluateTerms("A ONLY", list, false);
    EXPECT_FALSE(first.matched);
    TermVerdict second = EvaluateTerms("B ONLY", list, first.matched);
    EXPECT_TRUE(second.matched);
    EXPECT_FALSE(second.excluded);
}

TEST(EvaluateTermsTest, ExcludedWordLaterInTheSeriesExcludes) {
    TermList list;
    ParseSearchField(list, "a -c");
    EXPECT_TRUE(ResetTermMarks(list, 0));
    TermVerdict v1 = EvaluateTerms("A", list, false);
    EXPECT_TRUE(v1.matched);
    EXPECT_FALSE(v1.excluded);
    TermVerdict v2 = EvaluateTerms("NOTHING", list, true);
    EXPECT_TRUE(v2.matched);
    EXPECT_FALSE(v2.excluded);
    TermVerdict v3 = EvaluateTerms("C", list, true);
    EXPECT_TRUE(v3.excluded);
}

TEST(EvaluateTermsTest, MarkIsThePositionOfTheFirstOccurrence) {
    TermList list{{"B", 0}, {"&", 0}, {"C", 0}};
    EvaluateTerms("AB", list, false);
    EXPECT_EQ(list[0].mark, 2);
    EXPECT_EQ(list[2].mark, 0);
}

TEST(EvaluateTermsTest, SatisfiedSeriesSetsEveryMark) {
    TermList list{{"A", 0}, {"|", 0}, {"B", 0}, {"&", 0}, {"X", kExcludedMark}};
    EXPECT_TRUE(EvaluateTerms("A", list, false).matched);
    EXPECT_EQ(list[2].mark, 1);
    EXPECT_EQ(list[4].mark, kExcludedMark);
}

// The evaluation as written out step by step: after each term the whole
// list is folded again. EvaluateTerms keeps the fold up to date instead, so
// that many terms cost time in proportion to their number; both must agree
// on the verdicts and on the marks they leave.
TermVerdict referenceEvaluate(std::string_view text, TermList& list, bool satisfied) {
    auto fold = [&list] {
        bool v = list[0].mark != 0;
        for (std::size_t j = 1; j + 1 < list.size(); j += 2)
            v = list[j].text == "&" ? v && list[j + 1].mark != 0 : v || list[j + 1].mark != 0;
        return v;
    };
    TermVerdict verdict;
    for (std::size_t i = 0; i < list.size(); i += 2) {
        const std::size_t at = FindTermInText(text, list[i].text);
        if (list[i].mark < 0 && at != std::string_view::npos) return {true, true};
        if (list[i].mark == 0 && at != std::string_view::npos)
            list[i].mark = static_cast<std::int32_t>(at + 1);
        if (satisfied) {
            verdict.matched = true;
            continue;
        }
        verdict.matched = fold();
        if (verdict.matched) {
            satisfied = true;
            ResetTermMarks(list, 1);
        }
    }
    return verdict;
}

TEST(EvaluateTermsTest, AgreesWithTheFoldAfterEveryTermOverRandomSeries) {
    std::mt19937 random(20240311);
    const std::string letters = "ABCDE";
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    for (int round = 0; round < 3000; ++round) {
        TermList list;
        const std::size_t terms = 1 + pick(8);
        for (std::size_t t = 0; t < terms; ++t) {
            if (t != 0) list.push_back({pick(2) == 0 ? "&" : "|", 0});
            list.push_back({std::string(1, letters[pick(letters.size())]), pick(5) == 0 ? kExcludedMark : 0});
        }
        TermList reference = list;
        ResetTermMarks(list, 0);
        ResetTermMarks(reference, 0);
        bool satisfied = false;
        bool referenceSatisfied = false;
        for (std::size_t n = 1 + pick(3); n-- > 0;) {
            std::string text;
            for (std::size_t k = pick(4); k-- > 0;) text += letters[pick(letters.size())];
            const TermVerdict got = EvaluateTerms(text, list, satisfied);
            const TermVerdict want = referenceEvaluate(text, reference, referenceSatisfied);
            ASSERT_EQ(got.matched, want.matched) << "round " << round << ", text " << text;
            ASSERT_EQ(got.excluded, want.excluded) << "round " << round << ", text " << text;
            ASSERT_EQ(list, reference) << "round " << round << ", text " << text;
            satisfied = satisfied || got.matched;
            referenceSatisfied = referenceSatisfied || want.matched;
        }
    }
}

TEST(ResetTermMarksTest, KeepsExcludedMarksAndReportsThem) {
    TermList list{{"A", 7}, {"&", 0}, {"B", kExcludedMark}};
    EXPECT_TRUE(ResetTermMarks(list, 0));
    EXPECT_EQ(list[0].mark, 0);
    EXPECT_EQ(list[2].mark, kExcludedMark);
    TermList plain{{"A", 3}};
    EXPECT_FALSE(ResetTermMarks(plain, 1));
    EXPECT_EQ(plain[0].mark, 1);
}

struct FindCase {
    const char* name;
    std::string text;
    std::string term;
    std::size_t at;
};

class FindTermInTextTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTermInTextTest, Position) {
    EXPECT_EQ(FindTermInText(GetParam().text, GetParam().term), GetParam().at);
}

constexpr auto npos = std::string_view::npos;

const FindCase kFindCases[] = {
    // ア is 0x83 0x41: its second byte is the letter A.
    {"second_byte_does_not_count", "\x83\x41", "A", npos},
    {"search_goes_on_after_second_byte",
     "\x83\x41"
     "A",
     "A", 2},
    // 亜 is 0x88 0x9F: both bytes could lead, so the pairing decides.
    {"run_of_lead_bytes_odd_offset", "\x88\x9F\x88\x9F", "\x9F\x88", npos},
    {"run_of_lead_bytes_even_offset", "x\x88\x9F\x88\x9F", "\x88\x9F", 1},
    {"after_single_byte_katakana", "\xB1\x41", "A", 1},
    {"double_byte_term", "ab\x8C\x9F\x8D\xF5", "\x8D\xF5", 4},
    {"double_byte_term_misaligned", "\x8C\x9F\x8D\xF5\x8C", "\xF5\x8C", npos},
    {"zero_byte_ends_the_text", std::string("ab\0cd", 5), "cd", npos},
    {"term_longer_than_text", "ab", "abc", npos},
};

INSTANTIATE_TEST_SUITE_P(Texts, FindTermInTextTest, testing::ValuesIn(kFindCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(EvaluateTermsTest, OccurrenceOnASecondByteDoesNotCount) {
    EXPECT_FALSE(evaluateOnce("A", "ア").matched);
    EXPECT_TRUE(evaluateOnce("A", "アA").matched);
    EXPECT_FALSE(evaluateOnce("-A", "ア").excluded);
}

}  // namespace
}  // namespace pelmora
