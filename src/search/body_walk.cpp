// SPDX-License-Identifier: MIT
#include "search/body_walk.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "decode/ascii.h"
#include "decode/japanese.h"
#include "decode/transfer.h"
#include "message/find_bytes.h"
#include "message/line_reader.h"
#include "message/mime_boundary.h"
#include "ports/progress.h"
#include "ports/prompts.h"
#include "search/whole_text.h"
#include "texts/texts.h"

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
};

std::string_view trimBlank(std::string_view s) {
    while (!s.empty() && static_cast<std::uint8_t>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<std::uint8_t>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

bool isSupportedEncoding(std::string_view encoding) {
    return encoding == "7bit" || encoding == "8bit" || encoding == "base64" ||
           encoding == "quoted-printable" || encoding == "binary";
}

bool isShiftJisName(std::string_view charset) {
    return charset == "shift_jis" || charset == "shift-jis" || charset == "x-sjis";
}

// The conversion of a body once it is transfer-decoded. UTF-8 and EUC-JP
// are converted whatever the transfer encoding says: read as ISO-2022-JP
// or as they are, none of their Japanese words would ever be found. Other
// charsets keep the reading of their transfer encoding: 7bit reads every
// charset but the plain ones as ISO-2022-JP, 8bit and binary take the bytes
// as they are, base64 and quoted-printable read everything but the
// Shift_JIS names as ISO-2022-JP.
Conversion conversionFor(std::string_view encoding, std::string_view charset) {
    if (charset == "utf-8") return Conversion::Utf8;
    if (charset == "euc-jp") return Conversion::EucJp;
    if (encoding.empty() || encoding == "7bit") {
        auto kind = KnownCharsets(charset);
        return kind && *kind == CharsetKind::AsIs ? Conversion::AsIs : Conversion::Iso2022Jp;
    }
    if (encoding == "8bit" || encoding == "binary" || isShiftJisName(charset)) return Conversion::AsIs;
    return Conversion::Iso2022Jp;
}

// The lines of the message, counted, with one line that can be handed back.
class LineCursor final : public LineSource {
public:
    explicit LineCursor(LineSource& source) : m_source(source) {}

    bool next(std::string_view& line) override {
        if (m_pushedBack) {
            m_pushedBack = false;
            line = m_held;
            m_place = m_heldPlace;
        } else if (!m_source.next(line)) {
            return false;
        } else {
            m_place = m_source.place();
        }
        ++m_taken;
        return true;
    }
    // The line taken last comes again with the next call.
    void pushBack(std::string_view line) {
        m_held = line;
        m_heldPlace = m_place;
        m_pushedBack = true;
        --m_taken;
    }
    LinePlace place() const override { return m_place; }
    std::size_t lastIndex() const override { return m_source.lastIndex(); }
    std::size_t takePlainLines(std::string& bytes, std::vector<std::size_t>& ends,
                               std::size_t maxBytes) override {
        if (m_pushedBack) return 0;
        const std::size_t taken = m_source.takePlainLines(bytes, ends, maxBytes);
        if (taken > 0) m_place = {};
        m_taken += taken;
        return taken;
    }
    std::string_view restOfLines(std::size_t maxBytes) override {
        return m_pushedBack ? std::string_view{} : m_source.restOfLines(maxBytes);
    }
    void skipRest(std::size_t count) override {
        m_source.skipRest(count);
        m_place = {};
        m_taken += count;
    }
    // The index of the line taken last.
    std::size_t current() const { return m_taken - 1; }

private:
    LineSource& m_source;
    std::string m_held;
    LinePlace m_place{};
    LinePlace m_heldPlace{};
    bool m_pushedBack = false;
    std::size_t m_taken = 0;
};

bool occurs(std::string_view text, const std::string& term) {
    return memmem(text.data(), text.size(), term.data(), term.size()) != nullptr;
}

// The left-to-right fold of the terms, counting those already found and
// those the flags name.
bool foldWith(const TermList& terms, const std::vector<bool>& found) {
    auto counts = [&](std::size_t i) { return terms[i].mark != 0 || found[i]; };
    bool v = counts(0);
    for (std::size_t j = 1; j + 1 < terms.size(); j += 2) {
        if (terms[j].text == "&")
            v = v && counts(j + 1);
        else
            v = v || counts(j + 1);
    }
    return v;
}

// The same fold when nothing more was found.
bool foldMarks(const TermList& terms) {
    bool v = terms[0].mark != 0;
    for (std::size_t j = 1; j + 1 < terms.size(); j += 2) {
        if (terms[j].text == "&")
            v = v && terms[j + 1].mark != 0;
        else
            v = v || terms[j + 1].mark != 0;
    }
    return v;
}

// How far the line-by-line test got.
struct LineTest {
    bool hasExcluded = false;
    bool satisfied = false;
    bool lastMatch = false;
    int settledAt = 0;    // non-zero: the line the match was settled at
    bool failed = false;  // an excluded term was found
    bool done() const { return settledAt != 0 || failed; }
};

// A body is decoded and tested in batches of about this many bytes, so
// that its size never decides how much memory a search needs.
constexpr std::size_t kBatchBytes = 1 << 20;
// The most of a body read at once to be proven free of the terms where it
// lies: one batch at most, and small enough that the reader's block it
// grows, which each reader thread keeps, stays small.
constexpr std::size_t kRestAtOnceBytes = 256 * 1024;

class BodyWalk {
public:
    BodyWalk(TermList& terms, LineSource& lines, const TMsgItem& entry, BodyWalkContext& context)
        : m_terms(terms), m_lines(lines), m_entry(entry), m_context(context) {}

    int run() {
        if (walkHeaders() != WalkEnd::BodyFound) return 0;
        m_context.body.upperCase = TermsTellCase(m_terms);
        const std::string& enc = m_facts.encoding;
        const Conversion conversion = conversionFor(enc, m_facts.charset);
        if (enc.empty() || enc == "7bit" || enc == "8bit" || enc == "binary")
            return searchByLine(conversion, false);
        if (enc == "quoted-printable") return searchByLine(conversion, true);
        if (enc == "base64") return searchWhole(conversion);
        return 0;
    }

private:
    // Every answer ends the walk without a match; Yes to all stops the
    // questions for the rest of the run, Cancel stops the run.
    void askToSkip(std::string_view item) {
        ++m_context.skip.SkippedCount;
        if (m_context.pending != nullptr) m_context.pending->complete();
        switch (m_context.prompts.confirmYesCancelYesToAll(SkipPromptText(m_entry, item))) {
            case ports::Answer::Yes:
                break;
            case ports::Answer::YesToAll:
                m_context.skip.SkipSilently = true;
                break;
            default:
                m_context.progress.requestAbort();
                break;
        }
    }

    WalkEnd walkHeaders() {
        std::string_view line;
        while (m_lines.next(line)) {
            // The rest of a line too long to come at once starts no header.
            const LinePlace place = m_lines.place();
            if (!place.begins) continue;
            if (line.empty() && (!m_facts.multipart || m_facts.inPart)) return WalkEnd::BodyFound;
            // Between a multipart Content-Type and its first delimiter only
            // that delimiter counts: the container's own remaining header
            // lines and its preamble are passed over.
            if (m_facts.multipart && !m_facts.inPart) {
                if (place.whole() && ClassifyDelimiterLine(line, m_facts.boundary) == DelimiterKind::Part)
                    m_facts.inPart = true;
                continue;
            }
            if (ascii::StartsWithNoCase(line, "content-type")) {
                std::string header(line);
                while (m_lines.next(line)) {
                    if (m_lines.place().begins &&
                        (line.empty() || static_cast<std::uint8_t>(line[0]) > 0x20)) {
                        m_lines.pushBack(line);
                        break;
                    }
                    // Kept as long as a header line of the message's own.
                    header.append(
                        line.substr(0, kHeaderLineBytes - std::min(header.size(), kHeaderLineBytes)));
                }
                if (!readContentType(header)) return WalkEnd::Skipped;
                continue;
            }
            if (ascii::StartsWithNoCase(line, "content-transfer-encoding:")) {
                m_facts.encoding = ascii::ToLower(trimBlank(line.substr(26)));
                if (!m_context.skip.SkipSilently && !isSupportedEncoding(m_facts.encoding)) {
                    askToSkip(line);
                    return WalkEnd::Skipped;
                }
            }
        }
        return WalkEnd::NoBody;
    }

    // False when the user was asked about the charset (the walk ends).
    bool readContentType(const std::string& header) {
        const std::string lower = ascii::ToLower(header);
        std::size_t at = lower.find("charset=", 13);
        if (at != std::string::npos) {
            std::size_t from = at + 8;
            std::string_view value =
                trimBlank(std::string_view(lower).substr(from, lower.find(';', from) - from));
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
        const std::string_view type = ContentMediaType(header);
        if (IsMultipartType(type)) {
            m_facts.multipart = true;
            m_facts.inPart = false;
            std::size_t from = FindBoundaryParameter(
                header, static_cast<std::size_t>(type.data() + type.size() - header.data()));
            if (from != std::string::npos) {
                std::string_view value =
                    trimBlank(std::string_view(header).substr(from, header.find(';', from) - from));
                if (value.starts_with('"'))
                    value = value.size() >= 2 ? value.substr(1, value.size() - 2) : "";
                m_facts.boundary = value;
            }
        }
        return true;
    }

    const std::string* boundary() const { return m_facts.multipart ? &m_facts.boundary : nullptr; }

    // The next line of the body, or piece of one; false at its end.
    bool nextBodyLine(std::string_view& line) {
        return m_lines.next(line) && !(m_lines.place().whole() && EndsBody(line, boundary()));
    }

    // Each unit is tested joined to the one before it, so that a term
    // broken across a line end is still found. The units are built and
    // tested a batch at a time; the last unit of a batch stays as the first
    // of the next, to be joined to its successor.
    int searchByLine(Conversion conversion, bool quotedPrintable) {
        BodyText& body = m_context.body;
        body.raw.clear();
        body.rawUnits.clear();
        body.encodedCarry.clear();
        body.decodedCarry.clear();
        LineTest test;
        test.hasExcluded = ResetTermMarks(m_terms, 0);
        if (m_context.prefilter) m_context.filter.prepare(m_terms);
        if (!quotedPrintable && restProvenAbsent(conversion, test)) return verdictOf(test);
        if (quotedPrintable) takeQuotedPrintableRest(body);
        std::size_t firstNew = 0;
        std::string_view line;
        for (;;) {
            const bool plain = !quotedPrintable && body.decodedCarry.empty();
            if (!(plain && takePlainLines(body))) {
                if (!nextBodyLine(line)) break;
                appendUnit(body, line, plain, quotedPrintable, conversion);
            }
            if (body.raw.size() < kBatchBytes) continue;
            runBatch(body, firstNew, conversion, test);
            if (test.done()) break;
            keepLastUnit(body);
            firstNew = 1;
        }
        if (!test.done() && firstNew < body.rawUnits.size()) runBatch(body, firstNew, conversion, test);
        return verdictOf(test);
    }

    int verdictOf(const LineTest& test) const {
        if (test.failed) return 0;
        if (test.settledAt != 0) return test.settledAt;
        return test.lastMatch ? static_cast<int>(m_lines.lastIndex()) : 0;
    }

    // The unit that begins with line. plain: it needs no decoding and
    // nothing waits from a piece before it, so unless it goes on in the
    // next piece it is its own bytes, as AppendDecodedUnit would make it.
    void appendUnit(BodyText& body, std::string_view line, bool plain, bool quotedPrintable,
                    Conversion conversion) {
        std::size_t lastLine = m_lines.current();
        if (plain && m_lines.place().ends) {
            const std::size_t begin = body.raw.size();
            body.raw += line;
            body.rawUnits.push_back({begin, body.raw.size(), lastLine});
        } else {
            AppendDecodedUnit(body, line, m_lines, lastLine, quotedPrintable, conversion);
        }
    }

    // Lines that need no decoding, taken at once where the source can: each
    // is a unit of its own, as AppendDecodedUnit would make it. False when
    // none came.
    bool takePlainLines(BodyText& body) {
        if (!m_context.linesAtOnce) return false;
        std::vector<std::size_t>& ends = m_context.lineEnds;
        ends.clear();
        std::size_t begin = body.raw.size();
        std::size_t index = m_lines.current() + 1;
        if (m_lines.takePlainLines(body.raw, ends, kBatchBytes) == 0) return false;
        for (const std::size_t end : ends) {
            body.rawUnits.push_back({begin, end, index++});
            begin = end;
        }
        return true;
    }

    // Tests the decoded units [firstNew, end) of the batch, converting them
    // only when the prefilter cannot prove that no term still open occurs
    // in them.
    void runBatch(BodyText& body, std::size_t firstNew, Conversion conversion, LineTest& test) {
        if (m_context.prefilter && provenAbsent(body, firstNew, conversion)) {
            settleWithNothingFound(body.rawUnits[firstNew].lastLine, test);
            return;
        }
        ConvertDecodedUnits(body, conversion);
        testBatch(body, firstNew, test);
    }

    // An ISO-2022-JP body that is the rest of the message, one batch long,
    // proven free of the terms where its lines lie, without taking them
    // one by one: false when it is not, and nothing is taken then. The
    // lines get the verdict runBatch would give them.
    bool restProvenAbsent(Conversion conversion, LineTest& test) {
        if (!m_context.prefilter || conversion != Conversion::Iso2022Jp) return false;
        const std::string_view rest = restAtOnce();
        BodyPrefilter& filter = m_context.filter;
        std::size_t count = 0;
        if (rest.empty() || !filter.begin(conversion, false) || !filter.addJisLines(rest, count) ||
            !filter.provesAbsent(m_terms))
            return false;
        const std::size_t first = m_lines.current() + 1;
        m_lines.skipRest(count);
        settleWithNothingFound(first, test);
        return true;
    }

    // The units of a quoted-printable body that is the rest of its message,
    // decoded from where its lines lie rather than taken one by one.
    void takeQuotedPrintableRest(BodyText& body) {
        const std::string_view rest = restAtOnce();
        std::size_t count = 0;
        if (!rest.empty() && AppendQuotedPrintableLines(body, rest, m_lines.current() + 1, count))
            m_lines.skipRest(count);
    }

    // The rest of a body that is the rest of its message, when the source
    // holds it at once; empty otherwise. Its lines still come as usual
    // until skipRest.
    std::string_view restAtOnce() {
        if (!m_context.linesAtOnce || m_facts.multipart) return {};
        return m_lines.restOfLines(kRestAtOnceBytes);
    }

    // restAtOnce, when the line reader would hand it over as `count` whole
    // lines; empty otherwise.
    std::string_view wholeLinesOfRest(std::size_t& count) {
        const std::string_view rest = restAtOnce();
        const char* const end = rest.data() + rest.size();
        count = 0;
        std::string_view line;
        for (const char* at = rest.data(); at < end; ++count) {
            const std::size_t taken = WholeLineAt(at, end, kLinePieceBytes, line);
            if (taken == 0) return {};
            at += taken;
        }
        return rest;
    }

    bool provenAbsent(const BodyText& body, std::size_t firstNew, Conversion conversion) {
        BodyPrefilter& filter = m_context.filter;
        if (!filter.begin(conversion, false)) return false;
        const std::span<const BodyUnit> units(body.rawUnits);
        return filter.addUnits(body.raw, units.subspan(firstNew > 0 ? firstNew - 1 : 0)) &&
               filter.provesAbsent(m_terms);
    }

    static void keepLastUnit(BodyText& body) {
        const BodyUnit last = body.rawUnits.back();
        body.raw.erase(0, last.begin);
        body.rawUnits.assign(1, {0, last.end - last.begin, last.lastLine});
    }

    // Tests units [firstNew, end) of the batch. Most batches are settled by
    // one pass over their text per term: when no term that is not yet found
    // occurs in it, no unit can change the verdict.
    void testBatch(const BodyText& body, std::size_t firstNew, LineTest& test) {
        const std::size_t windowStart =
            firstNew > 0 ? body.units[firstNew - 1].begin : body.units[firstNew].begin;
        const std::string_view text(body.text.data() + windowStart, body.text.size() - windowStart);
        std::vector<bool> found(m_terms.size(), false);
        bool anyExcluded = false;
        bool anyNew = false;
        for (std::size_t i = 0; i < m_terms.size(); i += 2) {
            if (m_terms[i].mark > 0 || !occurs(text, m_terms[i].text)) continue;
            found[i] = true;
            if (m_terms[i].mark < 0)
                anyExcluded = true;
            else
                anyNew = true;
        }
        if (!anyExcluded && !anyNew) {
            settleWithNothingFound(body.units[firstNew].lastLine, test);
            return;
        }
        if (!anyExcluded && !test.satisfied && !foldWith(m_terms, found)) {
            // No unit of the batch can match; only the marks of the terms
            // it holds move on, found exactly as the units would find them.
            for (std::size_t i = 0; i < m_terms.size(); i += 2)
                if (found[i] && m_terms[i].mark == 0) markIfInSomeWindow(body, firstNew, m_terms[i]);
            test.lastMatch = false;
            return;
        }
        for (std::size_t k = firstNew; k < body.units.size(); ++k) {
            const std::size_t begin = k > 0 ? body.units[k - 1].begin : body.units[k].begin;
            const std::string_view window(body.text.data() + begin, body.units[k].end - begin);
            TermVerdict verdict = EvaluateTerms(window, m_terms, test.satisfied);
            test.lastMatch = verdict.matched;
            if (verdict.matched) {
                if (verdict.excluded) {
                    test.failed = true;
                    return;
                }
                if (!test.hasExcluded) {
                    test.settledAt = static_cast<int>(body.units[k].lastLine);
                    return;
                }
                test.satisfied = true;
            }
        }
    }

    // Every unit of a batch in which no term still open occurs gets the
    // verdict the marks give now.
    void settleWithNothingFound(std::size_t firstLastLine, LineTest& test) {
        const bool matched = test.satisfied || foldMarks(m_terms);
        if (matched && !test.hasExcluded) {
            test.settledAt = static_cast<int>(firstLastLine);
            return;
        }
        test.satisfied = test.satisfied || matched;
        test.lastMatch = matched;
    }

    static void markIfInSomeWindow(const BodyText& body, std::size_t firstNew, TermEntry& term) {
        for (std::size_t k = firstNew; k < body.units.size(); ++k) {
            const std::size_t begin = k > 0 ? body.units[k - 1].begin : body.units[k].begin;
            const std::string_view window(body.text.data() + begin, body.units[k].end - begin);
            const std::size_t at = FindTermInText(window, term.text);
            if (at != std::string_view::npos) {
                term.mark = static_cast<std::int32_t>(at + 1);
                return;
            }
        }
    }

    // The lines are one base64 text, whatever width they were wrapped at,
    // tested as one text.
    int searchWhole(Conversion conversion) {
        ResetTermMarks(m_terms, 0);
        if (m_context.prefilter) m_context.filter.prepare(m_terms);
        WholeBodyTest test(m_terms, conversion, m_context.body,
                           m_context.prefilter ? &m_context.filter : nullptr);
        Base64Stream base64;
        bool open = true;
        std::size_t count = 0;
        // Base64 passes over line ends: a rest the source holds at once is
        // decoded in one go.
        if (const std::string_view rest = wholeLinesOfRest(count); !rest.empty()) {
            base64.append(test.decoded(), rest);
            m_lines.skipRest(count);
            open = test.added();
        } else {
            std::string_view line;
            while (open && nextBodyLine(line)) {
                base64.append(test.decoded(), line);
                open = test.added();
            }
        }
        if (open) base64.finish(test.decoded());
        return test.finish() ? static_cast<int>(m_lines.lastIndex()) : 0;
    }

    TermList& m_terms;
    LineCursor m_lines;
    const TMsgItem& m_entry;
    BodyWalkContext& m_context;
    PartFacts m_facts;
};

}  // namespace

int SearchBody(TermList& BodyTerms, LineSource& lines, const TMsgItem& entry, BodyWalkContext& context) {
    return BodyWalk(BodyTerms, lines, entry, context).run();
}

int SearchBody(TermList& BodyTerms, const LineList& lines, const TMsgItem& entry, BodyWalkContext& context) {
    LineListSource source(lines);
    return SearchBody(BodyTerms, source, entry, context);
}

std::string SkipPromptText(const TMsgItem& entry, std::string_view unsupportedItem) {
    using namespace text;
    std::string text(kSkipQuestion);
    text += "\r\r";
    text += kSkipFileLabel;
    text += Utf8ToAnsi(entry.FileName);
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
