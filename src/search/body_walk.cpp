// SPDX-License-Identifier: MIT
#include "search/body_walk.h"

#include <cstdint>
#include <cstring>

#include "decode/cp932.h"
#include "decode/japanese.h"
#include "search/texts.h"
#include "ui/ports.h"

namespace pelmora {

namespace {

using Conversion = BodyConversion;
enum class WalkEnd { BodyFound, NoBody, Skipped };

// What the header walk learned about the body it found.
struct PartFacts {
    bool multipart = false;
    bool inPart = false;
    std::string boundary;  // case kept
    std::string charset;   // lower-cased, unquoted
    std::string encoding;  // lower-cased, trimmed
    std::size_t bodyStart = 0;
};

std::string_view trimBlank(std::string_view s) {
    while (!s.empty() && static_cast<std::uint8_t>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<std::uint8_t>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

bool startsWithNoCase(std::string_view line, std::string_view lowerPrefix) {
    if (line.size() < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (lowerAscii(line[i]) != lowerPrefix[i]) return false;
    return true;
}

bool isDelimiterStart(std::string_view line, std::string_view boundary) {
    return line.size() >= boundary.size() + 2 && line.starts_with("--") && line.substr(2, boundary.size()) == boundary;
}

bool isExactDelimiter(std::string_view line, std::string_view boundary) {
    return line.size() == boundary.size() + 2 && isDelimiterStart(line, boundary);
}

bool isSupportedEncoding(std::string_view encoding) {
    return encoding == "7bit" || encoding == "8bit" || encoding == "base64" || encoding == "quoted-printable" ||
           encoding == "binary";
}

bool isShiftJisName(std::string_view charset) {
    return charset == "shift_jis" || charset == "shift-jis" || charset == "x-sjis";
}

Conversion sevenBitConversion(std::string_view charset) {
    auto kind = KnownCharsets(charset);
    return kind && *kind == CharsetKind::AsIs ? Conversion::AsIs : Conversion::Iso2022Jp;
}

Conversion eightBitConversion(std::string_view charset) {
    if (charset == "utf-8") return Conversion::Utf8;
    if (charset == "euc-jp") return Conversion::EucJp;
    return Conversion::AsIs;
}

// base64 and quoted-printable bodies: Shift_JIS names as they are, UTF-8
// converted, everything else read as ISO-2022-JP.
Conversion decodedConversion(std::string_view charset) {
    if (isShiftJisName(charset)) return Conversion::AsIs;
    if (charset == "utf-8") return Conversion::Utf8;
    return Conversion::Iso2022Jp;
}

// False when the body cannot meet the terms: even counting every included
// term that occurs anywhere in the text (line ends and character bounds
// ignored, so this finds at least what the line-by-line test finds) the
// condition does not hold. Most bodies are settled by this one pass.
bool mayMatch(std::string_view text, const TermList& terms) {
    auto counts = [&](std::size_t i) {
        return terms[i].mark < 0 || memmem(text.data(), text.size(), terms[i].text.data(), terms[i].text.size()) != nullptr;
    };
    bool v = counts(0);
    for (std::size_t j = 1; j + 1 < terms.size(); j += 2) {
        if (terms[j].text == "&")
            v = v && counts(j + 1);
        else
            v = v || counts(j + 1);
    }
    return v;
}

class BodyWalk {
public:
    BodyWalk(TermList& terms, const LineList& lines, const TMsgItem& entry, BodyWalkContext& context)
        : m_terms(terms), m_lines(lines), m_entry(entry), m_context(context) {}

    int run() {
        if (walkHeaders() != WalkEnd::BodyFound) return 0;
        const std::string& enc = m_facts.encoding;
        if (enc.empty() || enc == "7bit") return searchByLine(sevenBitConversion(m_facts.charset), false);
        if (enc == "8bit" || enc == "binary") return searchByLine(eightBitConversion(m_facts.charset), false);
        if (enc == "quoted-printable") return searchByLine(decodedConversion(m_facts.charset), true);
        if (enc == "base64") return searchWhole();
        return 0;
    }

private:
    // Every answer ends the walk without a match; Yes to all stops the
    // questions for the rest of the run, Cancel stops the run.
    void askToSkip(std::string_view item) {
        ++m_context.skip.SkippedCount;
        switch (m_context.prompts.confirmYesCancelYesToAll(SkipPromptText(m_entry, item))) {
        case ui::Answer::Yes:
            break;
        case ui::Answer::YesToAll:
            m_context.skip.SkipSilently = true;
            break;
        default:
            m_context.progress.requestAbort();
            break;
        }
    }

    WalkEnd walkHeaders() {
        std::size_t i = 0;
        while (i < m_lines.size()) {
            const std::string& line = m_lines[i];
            if (line.empty() && (!m_facts.multipart || m_facts.inPart)) {
                m_facts.bodyStart = i + 1;
                return WalkEnd::BodyFound;
            }
            // Between a multipart Content-Type and its first delimiter only
            // that delimiter counts: the container's own remaining header
            // lines and its preamble are passed over.
            if (m_facts.multipart && !m_facts.inPart) {
                if (isExactDelimiter(line, m_facts.boundary)) m_facts.inPart = true;
                ++i;
                continue;
            }
            if (startsWithNoCase(line, "content-type")) {
                std::string header = line;
                std::size_t next = i + 1;
                while (next < m_lines.size() && !m_lines[next].empty() &&
                       static_cast<std::uint8_t>(m_lines[next][0]) <= 0x20)
                    header += m_lines[next++];
                if (!readContentType(header)) return WalkEnd::Skipped;
                i = next;
                continue;
            }
            if (startsWithNoCase(line, "content-transfer-encoding:")) {
                m_facts.encoding = lowerAscii(trimBlank(std::string_view(line).substr(26)));
                if (!m_context.skip.SkipSilently && !isSupportedEncoding(m_facts.encoding)) {
                    askToSkip(line);
                    return WalkEnd::Skipped;
                }
            }
            ++i;
        }
        return WalkEnd::NoBody;
    }

    // False when the user was asked about the charset (the walk ends).
    bool readContentType(const std::string& header) {
        const std::string lower = lowerAscii(header);
        std::size_t at = lower.find("charset=", 13);
        if (at != std::string::npos) {
            std::size_t from = at + 8;
            std::string_view value = trimBlank(std::string_view(lower).substr(from, lower.find(';', from) - from));
            if (value.starts_with('"')) {
                value.remove_prefix(1);
                value = value.substr(0, value.find('"'));
            }
            m_facts.charset = value;
            if (!m_context.skip.SkipSilently && !KnownCharsets(m_facts.charset)) {
                askToSkip(header);
                return false;
            }
        }
        std::size_t multipart = lower.find("multipart", 13);
        if (multipart != std::string::npos) {
            m_facts.multipart = true;
            m_facts.inPart = false;
            std::size_t param = lower.find("boundary=", multipart + 9);
            if (param != std::string::npos) {
                std::size_t from = param + 9;
                std::string_view value =
                    trimBlank(std::string_view(header).substr(from, header.find(';', from) - from));
                if (value.starts_with('"')) value = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
                m_facts.boundary = value;
            }
        }
        return true;
    }

    const std::string* boundary() const { return m_facts.multipart ? &m_facts.boundary : nullptr; }

    // Each unit is tested joined to the one before it, so that a term
    // broken across a line end is still found.
    int searchByLine(Conversion conversion, bool quotedPrintable) {
        BodyText& body = m_context.body;
        BuildLineUnits(body, m_lines, m_facts.bodyStart, boundary(), conversion, quotedPrintable);
        const bool hasExcluded = ResetTermMarks(m_terms, 0);
        if (!mayMatch(body.text, m_terms)) return 0;
        bool satisfied = false;
        bool lastMatch = false;
        for (std::size_t k = 0; k < body.units.size(); ++k) {
            const std::size_t begin = k > 0 ? body.units[k - 1].begin : body.units[k].begin;
            const std::string_view window(body.text.data() + begin, body.units[k].end - begin);
            TermVerdict verdict = EvaluateTerms(window, m_terms, satisfied);
            lastMatch = verdict.matched;
            if (verdict.matched) {
                if (verdict.excluded) return 0;
                if (!hasExcluded) return static_cast<int>(body.units[k].lastLine);
                satisfied = true;
            }
        }
        return lastMatch ? static_cast<int>(m_lines.size() - 1) : 0;
    }

    int searchWhole() {
        BodyText& body = m_context.body;
        BuildBase64Unit(body, m_lines, m_facts.bodyStart, boundary(), decodedConversion(m_facts.charset));
        ResetTermMarks(m_terms, 0);
        TermVerdict verdict = EvaluateTerms(body.text, m_terms, false);
        return verdict.matched && !verdict.excluded ? static_cast<int>(m_lines.size() - 1) : 0;
    }

    TermList& m_terms;
    const LineList& m_lines;
    const TMsgItem& m_entry;
    BodyWalkContext& m_context;
    PartFacts m_facts;
};

}  // namespace

int SearchBody(TermList& BodyTerms, const LineList& lines, const TMsgItem& entry, BodyWalkContext& context) {
    return BodyWalk(BodyTerms, lines, entry, context).run();
}

std::string SkipPromptText(const TMsgItem& entry, std::string_view unsupportedItem) {
    using namespace search_texts;
    std::string text(kSkipQuestion);
    text += "\r\r";
    text += kSkipFileLabel;
    text += Utf8ToCp932(entry.FileName);
    text += '\r';
    text += kSkipFromLabel;
    text += entry.From;
    text += '\r';
    text += kSkipSubjectLabel;
    text += entry.Subject;
    text += '\r';
    text += kSkipReceivedLabel;
    text += entry.RecvDateText;
    text += '\r';
    text += kSkipItemLabel;
    text += unsupportedItem;
    return text;
}

}  // namespace pelmora
