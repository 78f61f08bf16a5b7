// SPDX-License-Identifier: MIT
#include "message/header_reader.h"

#include <sys/stat.h>
#include <xxhash.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "decode/ascii.h"
#include "decode/header.h"
#include "message/find_bytes.h"
#include "message/format.h"
#include "message/format_address.h"
#include "message/mail_date.h"
#include "message/mime_boundary.h"
#include "message/parse_mail_date.h"
#include "texts/texts.h"

namespace pelmora {

namespace {

using View = std::string_view;

bool isTrimmable(char c) {
    return ascii::IsBlankOrControl(c) && c != '\x1B';
}

// TrimCtl without the copy.
View trimCtl(View text) {
    while (!text.empty() && isTrimmable(text.front())) text.remove_prefix(1);
    while (!text.empty() && isTrimmable(text.back())) text.remove_suffix(1);
    return text;
}

// The continuation of a folded header joins the trimmed previous line; a
// Received header keeps one blank at the fold so its date stays readable.
void unfoldInto(std::string& last, View continuation, bool keepBlank) {
    while (!last.empty() && isTrimmable(last.back())) last.pop_back();
    std::size_t lead = 0;
    while (lead < last.size() && isTrimmable(last[lead])) ++lead;
    if (lead > 0) last.erase(0, lead);
    if (keepBlank) last += ' ';
    while (!continuation.empty() && isTrimmable(continuation.front())) continuation.remove_prefix(1);
    while (!continuation.empty() && isTrimmable(continuation.back())) continuation.remove_suffix(1);
    // A header folded a million times is cut as a long line is.
    last.append(continuation.substr(0, kHeaderLineBytes - std::min(last.size(), kHeaderLineBytes)));
    if (last.size() > kHeaderLineBytes) last.resize(kHeaderLineBytes);
}

// Fills the caller's line list, reusing the strings the previous message
// left in it so that a folder load does not allocate for every line. The
// list ends up exactly as long as the message's lines; the strings a
// shorter message leaves over wait in a spare list for the next one.
class LineSink {
public:
    explicit LineSink(LineList& lines) : m_lines(lines) {}
    ~LineSink() { finish(); }
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;

    // The string the next line is read into, so that it is copied once;
    // commit() keeps it.
    std::string& slot() {
        if (m_used == m_lines.size()) {
            if (t_spare.empty()) {
                m_lines.emplace_back();
            } else {
                m_lines.push_back(std::move(t_spare.back()));
                t_spare.pop_back();
            }
        }
        return m_lines[m_used];
    }
    void commit() { ++m_used; }
    bool empty() const { return m_used == 0; }
    std::string& back() { return m_lines[m_used - 1]; }
    std::span<const std::string> stored() const { return {m_lines.data(), m_used}; }
    // The finished list, for a caller that reads it before the reader returns.
    const LineList& finish() {
        for (std::size_t i = m_lines.size(); i > m_used; --i) t_spare.push_back(std::move(m_lines[i - 1]));
        m_lines.resize(m_used);
        return m_lines;
    }

private:
    static thread_local LineList t_spare;
    LineList& m_lines;
    std::size_t m_used = 0;
};

thread_local LineList LineSink::t_spare;

// Reads the header block into lines, unfolded; the empty line that ends it
// is consumed and not stored. Each line keeps at most kHeaderLineBytes, and
// the lines after the first kHeaderBlockBytes are read past.
void readHeaderBlock(LineReader& reader, LineSink& lines) {
    bool lastIsReceived = false;
    std::size_t stored = 0;
    for (;;) {
        std::string& line = lines.slot();
        if (!reader.readLine(line, kHeaderLineBytes) || line.empty()) return;
        if (stored >= kHeaderBlockBytes) continue;
        stored += line.size();
        if (!lines.empty() && static_cast<unsigned char>(line[0]) <= 32) {
            unfoldInto(lines.back(), line, lastIsReceived);
            continue;
        }
        lastIsReceived = ascii::StartsWithNoCase(line, "received:");
        lines.commit();
    }
}

// The boundary of a top-level multipart/mixed or multipart/report type;
// empty when the line declares anything else.
std::string multipartBoundary(View line) {
    const View type = ContentMediaType(line);
    if (!IsMultipartType(type, "mixed") && !IsMultipartType(type, "report")) return {};
    const std::size_t valueStart =
        FindBoundaryParameter(line, static_cast<std::size_t>(type.data() + type.size() - line.data()));
    if (valueStart == View::npos) return {};
    View value = line.substr(valueStart);
    value = value.substr(0, value.find(';'));
    // A boundary never ends in a blank (RFC 2046), so blanks after it are
    // not part of it even where no quotes mark its end.
    while (!value.empty() && ascii::IsBlankOrControl(value.back())) value.remove_suffix(1);
    if (!value.empty() && value.front() == '"')
        value = value.size() >= 2 ? value.substr(1, value.size() - 2) : View{};
    return std::string(value);
}

// Recipients: every comma (and line break) separates one address.
std::string assembleRecipients(View decoded, const DisplayNameLookup* names) {
    std::string joined;
    std::size_t start = 0;
    while (start <= decoded.size()) {
        std::size_t end = static_cast<std::size_t>(
            FindFirstOf(decoded.data() + start, decoded.data() + decoded.size(), ',', '\r', '\n') -
            decoded.data());
        if (end == decoded.size()) end = View::npos;
        const View piece =
            ascii::TrimBlanksAndControls(decoded.substr(start, end == View::npos ? View::npos : end - start));
        const std::string formatted = FormatAddress(piece, names);
        if (!formatted.empty()) {
            if (!joined.empty()) joined += "; ";
            joined += formatted;
        }
        if (end == View::npos) break;
        start = end + 1;
    }
    return joined;
}

// The date after the first ";" of a Received header; without ";" the whole
// line is tried, which fails.
DateTime receivedDate(View line) {
    const std::size_t semicolon = line.find(';');
    const View tail =
        ascii::TrimBlanksAndControls(semicolon == View::npos ? line : line.substr(semicolon + 1));
    // Runs of blanks become one blank, in one pass even for a hostile header.
    thread_local std::string text;
    text.resize(tail.size());
    char* const out = text.data();
    std::size_t length = 0;
    for (char c : tail)
        if (c != ' ' || length == 0 || out[length - 1] != ' ') out[length++] = c;
    return ParseMailDate(View(out, length));
}

DateTime atLeastFloor(DateTime value) {
    return value < DateFloor ? DateFloor : value;
}

// A Content-Type line that declares a top-level boundary replaces the one
// found before it.
void noteBoundary(View line, std::string& found) {
    if (!ascii::StartsWithNoCase(line, "content-type:")) return;
    if (std::string boundary = multipartBoundary(line); !boundary.empty()) found = std::move(boundary);
}

// What the header block says, before it is stored into the entry.
struct HeaderFields {
    View from, to, subject, date, messageId;
    std::string boundary;
    bool hasFrom = false, hasTo = false, hasSubject = false, hasDate = false, hasReceived = false;
    DateTime received = 0;
};

HeaderFields extractFields(std::span<const std::string> lines) {
    HeaderFields fields;
    for (const std::string& stored : lines) {
        const View line = stored;
        switch (ascii::ToLower(line.empty() ? '\0' : line[0])) {
            case 'f':
                if (ascii::StartsWithNoCase(line, "from:"))
                    fields.from = line.substr(5), fields.hasFrom = true;
                break;
            case 's':
                if (ascii::StartsWithNoCase(line, "subject:"))
                    fields.subject = line.substr(8), fields.hasSubject = true;
                break;
            case 'r':
                if (!fields.hasReceived && ascii::StartsWithNoCase(line, "received:")) {
                    fields.received = atLeastFloor(receivedDate(line));
                    fields.hasReceived = true;
                }
                break;
            case 't':
                if (ascii::StartsWithNoCase(line, "to:")) fields.to = line.substr(3), fields.hasTo = true;
                break;
            case 'd':
                if (ascii::StartsWithNoCase(line, "date:"))
                    fields.date = line.substr(5), fields.hasDate = true;
                break;
            case 'm':
                if (ascii::StartsWithNoCase(line, "message-id:"))
                    fields.messageId = ascii::TrimBlanksAndControls(line.substr(11));
                break;
            case 'c':
                noteBoundary(line, fields.boundary);
                break;
            default:
                break;
        }
    }
    return fields;
}

}  // namespace

thread_local std::string BodyStream::t_line;
thread_local std::string BodyStream::t_delimiter;

bool BodyStream::next(View& line) {
    m_place = {};
    if (m_handed < m_header.size()) {
        line = m_header[m_handed++];
        return true;
    }
    if (m_handed == m_header.size()) {
        ++m_handed;
        line = {};
        return true;
    }
    if (m_phase == Phase::Done || !m_reader.readPiece(line, t_line, m_place)) {
        m_phase = Phase::Done;
        return false;
    }
    ++m_handed;
    // A line longer than a piece is never a delimiter (RFC 2046 keeps those
    // to a boundary of at most 70 bytes and a few blanks).
    if (m_boundary.empty() || !m_place.whole()) return true;
    const DelimiterKind kind = ClassifyDelimiterLine(line, m_boundary);
    if (m_phase == Phase::BeforeFirst && kind == DelimiterKind::Part) {
        // Looking past the first delimiter reads on, which moves the bytes
        // the line is a view of.
        t_delimiter.assign(line);
        line = t_delimiter;
    }
    follow(kind);
    return true;
}

std::size_t BodyStream::takePlainLines(std::string& bytes, std::vector<std::size_t>& ends,
                                       std::size_t maxBytes) {
    // Only body lines, and none that could change the phase.
    if (m_handed <= m_header.size() || m_phase == Phase::Done) return 0;
    const std::size_t taken = m_reader.takePlainLines(bytes, ends, maxBytes);
    m_handed += taken;
    if (taken > 0) m_place = {};
    return taken;
}

std::string_view BodyStream::restOfLines(std::size_t maxBytes) {
    // Without a boundary every body line is plain.
    if (m_handed <= m_header.size() || m_phase == Phase::Done || !m_boundary.empty()) return {};
    return m_reader.bufferRest(maxBytes);
}

void BodyStream::skipRest(std::size_t count) {
    m_reader.skipRest();
    m_handed += count;
    m_place = {};
}

bool BodyStream::hasAttach() {
    View line;
    while (next(line)) {
    }
    return m_hasAttach;
}

void BodyStream::follow(DelimiterKind kind) {
    if (m_phase == Phase::BeforeFirst) {
        // The first delimiter opens a part; a close delimiter there does not.
        if (kind == DelimiterKind::Part) m_phase = m_reader.atEnd() ? Phase::Done : Phase::FirstPart;
    } else if (kind != DelimiterKind::None) {
        m_hasAttach = kind == DelimiterKind::Part;
        m_phase = Phase::Done;
    }
}

bool ScanForAttachment(LineReader& reader, View boundary) {
    return BodyStream({}, reader, boundary).hasAttach();
}

bool RewindToBody(LineReader& reader) {
    if (!reader.rewind()) return false;
    // Only whether a line is empty counts: one byte of each is enough.
    std::string skipped;
    while (reader.readLine(skipped, 1) && !skipped.empty()) {
    }
    return true;
}

void ReleaseHeaderLines(LineList& lines) {
    LineSink(lines).finish();
}

namespace {

// Everything a header block gives an entry but its boundary and the
// attachment flag.
void applyFields(TMsgItem& entry, const HeaderFields& fields, const ReaderOptions& options) {
    const DisplayNameLookup* names = options.DisplayNames;
    const View subjectRaw = fields.hasSubject ? trimCtl(fields.subject) : View{};
    const View rawDate = ascii::TrimBlanksAndControls(fields.date);

    const View fromRaw = fields.hasFrom ? trimCtl(fields.from) : View{};
    const View toRaw = fields.hasTo ? trimCtl(fields.to) : View{};
    entry.FromRaw = options.KeepRawAddresses ? fromRaw : View{};
    entry.From =
        fields.hasFrom ? FormatAddress(DecodeHeaderText(fromRaw), names) : std::string(text::kUnknown);
    entry.ToRaw = options.KeepRawAddresses ? toRaw : View{};
    entry.To =
        fields.hasTo ? assembleRecipients(DecodeHeaderText(toRaw), names) : std::string(text::kUnknown);
    entry.Subject = fields.hasSubject ? DecodeHeaderText(subjectRaw) : std::string(text::kNoSubject);
    entry.RecvDate = fields.hasReceived ? fields.received : entry.FileDate;
    char date[DateTextSize];
    // A message without a date field shows its file's date.
    char fileDate[DateTextSize];
    const View fileDateText =
        fields.hasReceived && fields.hasDate ? View{} : WriteFileDateText(entry, fileDate);
    entry.RecvDateText = fields.hasReceived ? WriteDateText(entry.RecvDate, date) : fileDateText;
    entry.SentDate = fields.hasDate ? atLeastFloor(ParseMailDate(rawDate)) : entry.FileDate;
    entry.SentDateText = fields.hasDate ? WriteDateText(entry.SentDate, date) : fileDateText;
    entry.MessageId = fields.messageId;
    entry.IconIndex = entry.EmlFile ? 2 : entry.FileSize != 0 ? 1 : 0;

    thread_local std::string key;
    key = entry.MessageId;
    if (options.DupCheckHeaders) {
        key += entry.From;
        key += subjectRaw;
        key += rawDate;
    }
    entry.DupHash = static_cast<std::int64_t>(XXH3_64bits(key.data(), key.size()));
}

}  // namespace

void ReadHeader(LineReader& reader, TMsgItem& entry, LineList& list, const ReaderOptions& options) {
    LineSink lines(list);
    readHeaderBlock(reader, lines);
    HeaderFields fields = extractFields(lines.stored());
    entry.Boundary = std::move(fields.boundary);
    entry.HasAttach = false;
    applyFields(entry, fields, options);
}

void ReadHeaderLines(LineReader& reader, TMsgItem& entry, LineList& list) {
    LineSink lines(list);
    readHeaderBlock(reader, lines);
    std::string boundary;
    for (const std::string& line : lines.stored()) noteBoundary(line, boundary);
    entry.Boundary = std::move(boundary);
    entry.HasAttach = false;
}

void CompleteHeaderFields(TMsgItem& entry, const LineList& lines, const ReaderOptions& options) {
    applyFields(entry, extractFields(lines), options);
}

void PendingFields::complete() {
    if (m_done) return;
    m_done = true;
    if (struct stat info{}; m_factsFrom != nullptr && m_factsFrom->fileInfo(info))
        SetFileFacts(m_entry, info);
    CompleteHeaderFields(m_entry, m_lines, m_options);
}

void ReadListEntry(LineReader& reader, TMsgItem& entry, LineList& lines, const ReaderOptions& options) {
    entry.Matched = false;
    ReadHeader(reader, entry, lines, options);
    if (!entry.Boundary.empty()) entry.HasAttach = ScanForAttachment(reader, entry.Boundary);
    entry.Matched = true;
}

}  // namespace pelmora
