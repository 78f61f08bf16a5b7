// SPDX-License-Identifier: MIT
#include "search/terms.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "decode/ascii.h"
#include "decode/cp932.h"
#include "decode/text.h"

namespace pelmora {

namespace {

constexpr char kQuote = '"';
constexpr std::string_view kFullWidthBlank = "\x81\x40";
constexpr std::string_view kFullWidthMinus = "\x81\x7c";  // －
constexpr std::string_view kOrWords[] = {"OR", "|", "\x82\x6e\x82\x71" /* ＯＲ */, "\x81\x62" /* ｜ */};
constexpr std::string_view kAndWords[] = {"AND", "&", "\x82\x60\x82\x6d\x82\x63" /* ＡＮＤ */,
                                          "\x81\x95" /* ＆ */};

bool isLead(char c) {
    return IsCp932LeadByte(static_cast<std::uint8_t>(c));
}

bool isFieldBlank(char c) {
    auto b = static_cast<std::uint8_t>(c);
    return b >= 0x01 && b <= 0x20;
}

std::string_view upToZero(std::string_view text) {
    const void* zero = std::memchr(text.data(), 0, text.size());
    if (zero == nullptr) return text;
    return text.substr(0, static_cast<const char*>(zero) - text.data());
}

// Appends text[from, to) with every full-width blank, taken as a
// character, turned into one ASCII blank.
void appendWithHalfWidthBlanks(std::string& out, std::string_view text, std::size_t from, std::size_t to) {
    std::size_t i = from;
    while (i < to) {
        if (isLead(text[i]) && i + 1 < to) {
            if (text.substr(i, 2) == kFullWidthBlank)
                out += ' ';
            else
                out.append(text, i, 2);
            i += 2;
        } else {
            out += text[i];
            ++i;
        }
    }
}

// The position just past the quote that closes a quoted stretch whose
// opening quote is at open; a doubled quote inside does not close it.
// text.size() when the stretch is left open.
std::size_t pastClosingQuote(std::string_view text, std::size_t open) {
    std::size_t i = open + 1;
    for (;;) {
        std::size_t q = text.find(kQuote, i);
        if (q == std::string_view::npos) return text.size();
        if (q + 1 < text.size() && text[q + 1] == kQuote) {
            i = q + 2;
            continue;
        }
        return q + 1;
    }
}

bool isOneOf(std::string_view token, std::span<const std::string_view> words) {
    for (std::string_view w : words)
        if (token == w) return true;
    return false;
}

// The left-to-right fold of the marks (no operator binds closer than
// another), kept up to date while the terms of one text are looked for.
// The fold's value is set by the last operator whose term alone decides it:
// "&" before a term not found makes it false, "|" before a term found makes
// it true; without such an operator the first term gives it. While one text
// is tested marks only go from not found to found, so the last deciding "&"
// only moves left and the last deciding "|" only moves right: the fold costs
// one pass over the list per text, not one per term.
class RunningFold {
public:
    explicit RunningFold(const TermList& list) : m_list(list) {
        for (std::size_t j = 1; j + 1 < list.size(); j += 2) {
            if (makesFalse(j)) m_lastFalse = j;
            if (makesTrue(j)) m_lastTrue = j;
        }
    }

    // The term at the even position i has just been found.
    void found(std::size_t i) {
        if (i == 0) return;
        const std::size_t j = i - 1;
        if (!isAnd(j)) {
            m_lastTrue = std::max(m_lastTrue, j);
            return;
        }
        if (m_lastFalse != j) return;
        m_lastFalse = kNone;
        for (std::size_t k = j; k > 1;) {
            k -= 2;
            if (makesFalse(k)) {
                m_lastFalse = k;
                break;
            }
        }
    }

    bool value() const {
        if (m_lastTrue != m_lastFalse) return m_lastTrue > m_lastFalse;
        return m_list[0].mark != 0;  // neither: no operator decides it
    }

private:
    static constexpr std::size_t kNone = 0;  // operators stand at odd positions

    bool isAnd(std::size_t j) const { return m_list[j].text == "&"; }
    bool makesFalse(std::size_t j) const { return isAnd(j) && m_list[j + 1].mark == 0; }
    bool makesTrue(std::size_t j) const { return !isAnd(j) && m_list[j + 1].mark != 0; }

    const TermList& m_list;
    std::size_t m_lastFalse = kNone;
    std::size_t m_lastTrue = kNone;
};

}  // namespace

std::string NormalizeFieldBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t quote = text.find(kQuote, pos);
        if (quote == std::string_view::npos) {
            appendWithHalfWidthBlanks(out, text, pos, text.size());
            break;
        }
        appendWithHalfWidthBlanks(out, text, pos, quote);
        std::size_t end = pastClosingQuote(text, quote);
        out.append(text, quote, end - quote);
        pos = end;
    }
    return out;
}

std::vector<std::string> SplitFieldTokens(std::string_view input) {
    std::string_view text = upToZero(input);
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && isFieldBlank(text[pos])) ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        std::string token;
        if (text[pos] == kQuote) {
            ++pos;
            while (pos < text.size()) {
                if (text[pos] == kQuote) {
                    if (pos + 1 < text.size() && text[pos + 1] == kQuote) {
                        token += kQuote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                token += text[pos++];
            }
        } else {
            std::size_t start = pos;
            while (pos < text.size() && static_cast<std::uint8_t>(text[pos]) > 0x20 && text[pos] != ',')
                ++pos;
            token.assign(text, start, pos - start);
        }
        tokens.push_back(std::move(token));
        skipBlanks();
        if (pos < text.size() && text[pos] == ',') {
            if (pos + 1 == text.size()) tokens.emplace_back();
            ++pos;
            skipBlanks();
        }
    }
    return tokens;
}

void ParseSearchField(TermList& list, std::string_view fieldCp932) {
    list.clear();
    for (std::string& raw : SplitFieldTokens(NormalizeFieldBlanks(fieldCp932))) {
        std::string token = UpperCaseCp932(raw);
        if (token.empty() || token == "-" || token == kFullWidthMinus) continue;
        for (;;) {
            if (list.size() % 2 == 0) {
                if (token.starts_with(kFullWidthMinus)) token.replace(0, kFullWidthMinus.size(), "-");
                if (token.starts_with('-'))
                    list.push_back({token.substr(1), kExcludedMark});
                else
                    list.push_back({std::move(token), 0});
                break;
            }
            if (isOneOf(token, kOrWords)) {
                list.push_back({"|", 0});
                break;
            }
            if (isOneOf(token, kAndWords)) {
                list.push_back({"&", 0});
                break;
            }
            // Two words side by side: an implied AND, then the same token
            // again as a term.
            list.push_back({"&", 0});
        }
    }
    if (!list.empty() && list.size() % 2 == 0) list.pop_back();
}

bool ResetTermMarks(TermList& list, std::int32_t value) {
    bool hasExcluded = false;
    for (std::size_t i = 0; i < list.size(); i += 2) {
        if (list[i].mark < 0)
            hasExcluded = true;
        else
            list[i].mark = value;
    }
    return hasExcluded;
}

TermVerdict EvaluateTerms(std::string_view upperCp932, TermList& list, bool alreadySatisfied) {
    std::string_view text = upToZero(upperCp932);
    TermVerdict verdict;
    bool satisfied = alreadySatisfied;
    RunningFold fold(list);
    for (std::size_t i = 0; i < list.size(); i += 2) {
        TermEntry& term = list[i];
        if (term.mark < 0) {
            if (FindTermInText(text, term.text) != std::string_view::npos) {
                verdict.excluded = true;
                verdict.matched = true;
                return verdict;
            }
        } else if (term.mark == 0) {
            std::size_t at = FindTermInText(text, term.text);
            if (at != std::string_view::npos) {
                term.mark = static_cast<std::int32_t>(at + 1);
                fold.found(i);
            }
        }
        if (satisfied) {
            verdict.matched = true;
            continue;
        }
        verdict.matched = fold.value();
        if (verdict.matched) {
            satisfied = true;
            ResetTermMarks(list, 1);
        }
    }
    return verdict;
}

bool TermsTellCase(const TermList& list) {
    for (std::size_t i = 0; i < list.size(); i += 2) {
        const std::string& text = list[i].text;
        for (std::size_t k = 0; k < text.size();) {
            const auto byte = static_cast<std::uint8_t>(text[k]);
            if (ascii::ToUpper(text[k]) != ascii::ToLower(text[k])) return true;
            if (IsCp932LeadByte(byte) && k + 1 < text.size()) {
                const auto trail = static_cast<std::uint8_t>(text[k + 1]);
                if (IsFullWidthLetter(byte, trail)) return true;
                k += 2;
            } else {
                ++k;
            }
        }
    }
    return false;
}

std::size_t FindTermInText(std::string_view input, std::string_view term) {
    std::string_view text = upToZero(input);
    if (term.empty()) return 0;
    // Every position before `boundary` has been decided, and `boundary`
    // itself starts a character.
    std::size_t boundary = 0;
    std::size_t from = 0;
    while (from + term.size() <= text.size()) {
        const void* hit = memmem(text.data() + from, text.size() - from, term.data(), term.size());
        if (hit == nullptr) return std::string_view::npos;
        std::size_t at = static_cast<const char*>(hit) - text.data();
        // The byte after one that cannot be a lead byte starts a character;
        // from there lead bytes pair off, so count the run of possible lead
        // bytes that ends just before the hit.
        std::size_t runStart = at;
        while (runStart > boundary && isLead(text[runStart - 1])) --runStart;
        if ((at - runStart) % 2 == 0) return at;
        boundary = at + 1;
        from = at + 1;
    }
    return std::string_view::npos;
}

}  // namespace pelmora
