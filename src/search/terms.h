// SPDX-License-Identifier: MIT
// The condition of one search field: words that must all occur, "OR"
// between words that may stand for each other, "-word" for a word that must
// not occur, and double quotes around a word with blanks. Everything here
// works on display text (code page 932 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Terms stand at even positions and operators ("&" or "|") at odd ones.
// A term's mark: -1 excluded; 0 included and not found yet; above 0 found.
struct TermEntry {
    std::string text;
    std::int32_t mark = 0;

    friend bool operator==(const TermEntry&, const TermEntry&) = default;
};

using TermList = std::vector<TermEntry>;

inline constexpr std::int32_t kExcludedMark = -1;

// Full-width blanks outside double-quoted stretches become ASCII blanks.
std::string NormalizeFieldBlanks(std::string_view cp932);

// The comma-text token rule: blanks and commas separate, a token that
// starts with a double quote runs to the closing quote ("" stands for ").
std::vector<std::string> SplitFieldTokens(std::string_view cp932);

// Replaces list with the condition written in the field text.
void ParseSearchField(TermList& list, std::string_view fieldCp932);

// Sets the mark of every included term to value; true when the list holds
// an excluded term.
bool ResetTermMarks(TermList& list, std::int32_t value);

struct TermVerdict {
    bool matched = false;
    bool excluded = false;
};

// Tests one upper-cased text of a series; see ResetTermMarks for the start
// of a series. alreadySatisfied: an earlier text of the series matched.
TermVerdict EvaluateTerms(std::string_view upperCp932, TermList& list, bool alreadySatisfied);

// False when no term holds a letter (a-z, A-Z, full-width ａ-ｚ, Ａ-Ｚ), the
// only characters upper-casing changes: then a text holds a term exactly
// when its upper-cased form does, and need not be upper-cased to be tested.
bool TermsTellCase(const TermList& list);

// Position of the first occurrence of term in text that begins on a
// character (never on the second byte of a double-byte character), or npos.
// The text counts up to its first zero byte.
std::size_t FindTermInText(std::string_view text, std::string_view term);

}  // namespace pelmora
