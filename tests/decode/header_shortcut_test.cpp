// SPDX-License-Identifier: MIT
// The one-walk shortcut for plain ISO-2022-JP and UTF-8 words against the
// general passes, over the header values of the test corpus and over many
// values made of the pieces that can fool a word finder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "decode/header.h"
#include "decode/header_detail.h"
#include "decode/header_general.h"
#include "decode/japanese.h"
#include "hex.h"

namespace pelmora {
namespace {

using test::Hex;
using namespace std::string_view_literals;

std::string convertEscapes(std::string s) {
    while (s.find("\x1B$") != std::string::npos || s.find("\x1B(") != std::string::npos)
        s = Iso2022JpToSjis(s);
    return s;
}

struct Tally {
    int values = 0;
    int shortcut = 0;  // values the shortcut took
};

// Both public functions must give what the general passes give, and the
// shortcut, wherever it does not decline, the same bytes.
void expectAgreement(std::string_view value, Tally& tally) {
    const std::string general = detail::DecodeEncodedWordsGeneral(value);
    std::string shortcut;
    ++tally.values;
    if (detail::DecodeSimpleEncodedWords(value, shortcut)) {
        ++tally.shortcut;
        ASSERT_EQ(shortcut, general) << Hex(value) << "\nshortcut " << Hex(shortcut) << "\ngeneral  "
                                     << Hex(general);
    }
    const std::string words = DecodeEncodedWords(value);
    ASSERT_EQ(words, general) << Hex(value) << "\ngave    " << Hex(words) << "\ngeneral " << Hex(general);
    const std::string text = DecodeHeaderText(value);
    const std::string expected = convertEscapes(general);
    ASSERT_EQ(text, expected) << Hex(value) << "\ngave     " << Hex(text) << "\nexpected " << Hex(expected);
}

// The From, To, Subject and Cc values of a message file, unfolded the way
// the reader unfolds them (each line trimmed, joined without a blank), and
// once more with the fold kept as one blank.
std::vector<std::string> addressAndSubjectValues(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::pair<std::string, std::string>> fields;  // name, value
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;
        if ((line[0] == ' ' || line[0] == '\t') && !fields.empty()) {
            fields.back().second += '\n' + line;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        fields.emplace_back(line.substr(0, colon), line.substr(colon + 1));
    }
    auto trimmed = [](std::string_view s) {
        const std::size_t first = s.find_first_not_of(" \t");
        if (first == std::string_view::npos) return std::string_view{};
        return s.substr(first, s.find_last_not_of(" \t") - first + 1);
    };
    std::vector<std::string> values;
    for (const auto& [name, folded] : fields) {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower != "from" && lower != "to" && lower != "subject" && lower != "cc") continue;
        std::string joined;
        std::string blank;
        std::istringstream parts(folded);
        for (std::string part; std::getline(parts, part, '\n');) {
            joined += trimmed(part);
            if (!blank.empty()) blank += ' ';
            blank += trimmed(part);
        }
        values.push_back(joined);
        values.push_back(blank);
    }
    return values;
}

TEST(HeaderShortcutTest, AgreesOnEveryCorpusHeader) {
    const std::filesystem::path corpus = PELMORA_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    Tally tally;
    int withWords = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file()) continue;
        const std::string extension = entry.path().extension().string();
        if (extension != ".eml" && extension != ".nws") continue;
        for (const std::string& value : addressAndSubjectValues(entry.path())) {
            if (value.find("=?") != std::string::npos) ++withWords;
            ASSERT_NO_FATAL_FAILURE(expectAgreement(value, tally)) << entry.path();
        }
    }
    RecordProperty("values", tally.values);
    RecordProperty("shortcut", tally.shortcut);
    EXPECT_GT(withWords, 200);
    // Most values with words are plain ISO-2022-JP or UTF-8 ones.
    EXPECT_GT(tally.shortcut, tally.values / 2);
}

// Pieces of header values: delimiters alone, charset names in mixed case,
// encoding letters, base64 and Q texts (some decoding to "=", "?", "=?",
// zero bytes or malformed UTF-8), raw JIS escapes, UTF-8 and blanks.
const std::vector<std::string_view> kPieces = {
    "=?",
    "?=",
    "?",
    "=",
    "==",
    "??",
    "?=?",
    "=?=",
    "ISO-2022-JP",
    "iso-2022-jp",
    "Iso-2022-jP",
    "UTF-8",
    "utf-8",
    "uTf-8",
    "ISO-8859-1",
    "WINDOWS-1252",
    "windows",
    "ISO",
    "UTF",
    "ISO-2022-JP-2",
    "EUC-JP",
    "SHIFT_JIS",
    "US ASCII",
    "B",
    "b",
    "Q",
    "q",
    "X",
    "GyRCJCIbKEI=",
    "GyRCJCQbKEI",
    "GyRC",
    "JCI",
    "44GC",
    "44GE44GG",
    "8J+YgA==",
    "QUJD",
    "PT8=",
    "Pz0=",
    "Pw==",
    "PQ==",
    "AAAA",
    "4w",
    "GyRCJDs=",
    "=3D",
    "=3F",
    "=3d",
    "=E3=81=82",
    "_",
    "=F0=9F=98=80",
    "=ZZ",
    "=FF",
    "=1B$B$\"=1B(B",
    "=E3",
    "\x1B$B",
    "\x1B(B",
    "$\"$$",
    "\x1B",
    "\xE3\x81\x82",
    "\xF0\x9F\x98\x80",
    "\x82\xA0",
    " ",
    "\t",
    "  ",
    "a",
    "Re: ",
    "<x@y>",
    ", ",
    "\"N\"",
};

// Whole words, well formed or nearly, so that the shortcut is tried often.
// A sound word has the shortcut's charsets, letters and delimiters; its
// text may still decode to "=", "?", nothing or malformed UTF-8.
std::string randomWord(std::mt19937& random, bool sound) {
    static const std::vector<std::string_view> soundCharsets = {"ISO-2022-JP", "iso-2022-jp", "UTF-8",
                                                                "Utf-8"};
    static const std::vector<std::string_view> charsets = {"ISO-2022-JP",  "UTF-8",  "ISO-8859-1",
                                                           "WINDOWS-1252", "EUC-JP", "UTF-8 "};
    static const std::vector<std::string_view> soundLetters = {"B", "b", "Q", "q"};
    static const std::vector<std::string_view> letters = {"B", "Q", "X", ""};
    static const std::vector<std::string_view> texts = {
        "GyRCJCIbKEI=", "GyRCJCQbKEI", "44GC", "44GE44GG",      "8J+YgA==", "QUJD",   "PT8=", "Pz0=", "Pw==",
        "PQ==",         "AAAA",        "",     "=E3=81=82",     "=3F",      "=3D",    "_a_",  "=ZZ",  "=FF",
        "4w",           "GyRCJDs=",    "GyRC", "=1B$B$\"=1B(B", "Pw",       "=3F=3D", "Pz8/"};
    auto pick = [&random](const auto& list) { return list[random() % list.size()]; };
    auto chance = [&random, sound](unsigned in) { return sound || random() % in != 0; };
    std::string word = "=?";
    word += sound ? pick(soundCharsets) : pick(charsets);
    if (chance(16)) word += '?';
    word += sound ? pick(soundLetters) : pick(letters);
    if (chance(16)) word += '?';
    for (unsigned n = random() % 3; n > 0; --n) word += pick(texts);
    if (chance(12)) word += "?=";
    return word;
}

TEST(HeaderShortcutTest, AgreesOnValuesMadeOfTrickyPieces) {
    std::mt19937 random(20261207);
    Tally tally;
    for (int n = 0; n < 250000; ++n) {
        // Half the values hold sound words only, between any pieces.
        const bool sound = n % 2 == 0;
        std::string value;
        for (unsigned pieces = 1 + random() % 6; pieces > 0; --pieces) {
            if (random() % 3 == 0) {
                value += kPieces[random() % kPieces.size()];
            } else {
                value += randomWord(random, sound);
            }
        }
        ASSERT_NO_FATAL_FAILURE(expectAgreement(value, tally));
    }
    RecordProperty("shortcut", tally.shortcut);
    // The shortcut must be tried on enough values to mean something, and
    // decline enough of them to show the pieces are hard.
    EXPECT_GT(tally.shortcut, tally.values / 5);
    EXPECT_LT(tally.shortcut, tally.values * 9 / 10);
}

// Values the shortcut must decline or get right, each with what the
// general passes make of it.
TEST(HeaderShortcutTest, AgreesAtTheEdgesOfWhatItTakes) {
    struct Row {
        const char* name;
        std::string_view value;
        std::string_view expected;
    };
    const Row rows[] = {
        // The "=" of a word's "?=" and the "?" after it start an ISO word.
        {"QuestionMarkAfterWord", "=?UTF-8?Q?a?=?ISO-2022-JP?Q?b?=", "=?UTF-8?Q?a?b"},
        {"WordDecodesToWord", "=?UTF-8?Q?=3D=3FUTF-8=3FQ=3Fx=3F=3D?=", "x"},
        {"QuestionMarkAfterEquals", "==?UTF-8?Q?=3FISO-8859-1=3FQ=3Fx=3F?==", "x"},
        {"EqualsInWordText", "=?UTF-8?B?PT8=?= =?UTF-8?Q?=3D?=", "=? ="},
        // The empty word joins two ISO words the ISO pass then skips.
        {"EmptyWordBetweenWords",
         "=?ISO-2022-JP?B?GyRCJCIbKEI=?==?ISO-2022-JP?B?\?==?ISO-2022-JP?B?GyRCJCQbKEI=?=",
         "\x82\xA0\x82\xA2"},
        {"EmojiBecomesQuestionMark", "=?utf-8?Q?=F0=9F=98=80?= =?utf-8?b?8J+YgA==?=", "? ?"},
        {"QuestionMarkWordAfterBlank", "= =?UTF-8?Q?=3FUTF-8=3FQ=3Fx?=", "= ?UTF-8?Q?x"},
    };
    Tally tally;
    for (const Row& row : rows) {
        EXPECT_EQ(Hex(detail::DecodeEncodedWordsGeneral(row.value)), Hex(row.expected)) << row.name;
        ASSERT_NO_FATAL_FAILURE(expectAgreement(row.value, tally)) << row.name;
    }
}

// The values of the benchmark corpus, every one of which the shortcut takes.
TEST(HeaderShortcutTest, TakesPlainJapaneseWords) {
    for (const std::string_view value : {
             "=?ISO-2022-JP?B?GyRCPi5OUxsoQiAbJEJmRkJAGyhC?= <user436@alpha.example.jp>"sv,
             "=?UTF-8?Q?=E5=8A=A0=E8=97=A4_=E7=BF=94=E5=A4=AA?= <user430@delta.example.jp>"sv,
             "=?UTF-8?B?6Yi05pyoIOiKseWtkA==?= <a@b>, =?iso-2022-jp?b?GyRCMkNGIxsoQiAbJEJNM0h+GyhC?= <c@d>"sv,
             "Re: =?UTF-8?B?8J+YgA==?= emoji"sv,
         }) {
        std::string out;
        EXPECT_TRUE(detail::DecodeSimpleEncodedWords(value, out)) << value;
        EXPECT_EQ(out, detail::DecodeEncodedWordsGeneral(value)) << value;
    }
}

}  // namespace
}  // namespace pelmora
