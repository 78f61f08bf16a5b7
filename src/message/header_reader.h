// SPDX-License-Identifier: MIT
// The header reader: completes an entry from the bytes of its message, read
// from an open file or from memory. Opening the file, and saying when it
// cannot be opened, is the caller's.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "message/display_name_lookup.h"
#include "message/line_reader.h"
#include "message/line_source.h"
#include "message/mime_boundary.h"
#include "message/msg_item.h"

namespace pelmora {

// The most of one header line (unfolded) the reader keeps: far more than
// any field can show; the rest of a longer line is read past.
inline constexpr std::size_t kHeaderLineBytes = kLinePieceBytes;
// The most of a header block the reader keeps: the lines after it are read
// past, so that a header of a million lines costs no more than a real one.
inline constexpr std::size_t kHeaderBlockBytes = 16 * kHeaderLineBytes;

struct ReaderOptions {
    bool DupCheckHeaders = true;
    // Non-null exactly while the display-name option is on.
    const DisplayNameLookup* DisplayNames = nullptr;
    // The sender's and recipients' header bytes as read (FromRaw, ToRaw):
    // the command line prints them and a search tests its terms against
    // them, but the window's list never shows them, and for a large folder
    // they are about a third of what its entries take.
    bool KeepRawAddresses = true;
};

// Reads the header block that reader stands at the start of into lines,
// unfolded (the empty line that ends it is consumed), and completes entry's
// header fields from it: sender, recipients, subject, dates, Message-ID,
// boundary, duplicate hash and icon; the attachment flag is cleared for
// whoever reads on. The strings lines held are reused, so that reading one
// message after another does not allocate for every line. Never throws on
// malformed input.
void ReadHeader(LineReader& reader, TMsgItem& entry, LineList& lines, const ReaderOptions& options);

// ReadHeader in two steps, for a reader that may not need the fields: the
// header block into lines with the boundary (what reading on needs), then,
// from those lines, every other field ReadHeader sets. Together they leave
// the entry as ReadHeader does.
void ReadHeaderLines(LineReader& reader, TMsgItem& entry, LineList& lines);
void CompleteHeaderFields(TMsgItem& entry, const LineList& lines, const ReaderOptions& options);

// The fields of an entry whose header lines were read and whose fields were
// not completed yet: complete() completes them once, however often called.
class PendingFields {
public:
    // With factsFrom, the entry's size and times are taken from that open
    // file first (the dates fall back to them).
    PendingFields(TMsgItem& entry, const LineList& lines, const ReaderOptions& options,
                  const LineReader* factsFrom = nullptr)
        : m_entry(entry), m_lines(lines), m_options(options), m_factsFrom(factsFrom) {}
    void complete();

private:
    TMsgItem& m_entry;
    const LineList& m_lines;
    const ReaderOptions& m_options;
    const LineReader* m_factsFrom;
    bool m_done = false;
};

// Empties lines as reading an empty header block would, keeping their
// strings for the next header read on this thread.
void ReleaseHeaderLines(LineList& lines);

// The list's reading of a message: the header, then, for a message with a
// boundary, on to the delimiter after the first part for the attachment
// flag. The entry is matched.
void ReadListEntry(LineReader& reader, TMsgItem& entry, LineList& lines, const ReaderOptions& options);

// True when a second part follows the first (the second delimiter is not
// the closing one). Reads from after the header block only up to that
// delimiter.
bool ScanForAttachment(LineReader& reader, std::string_view boundary);

// Back to the first line after the header block; false when the reader
// cannot go back.
bool RewindToBody(LineReader& reader);

// The message as a body search sees it once its header block was read: the
// header lines, an empty line, then every line to the end of the file, or,
// for a message with a boundary, through the first delimiter and then
// through the next one, which tells whether a second part follows. Lines
// pass one at a time, a body line longer than kLinePieceBytes in pieces;
// none is kept.
class BodyStream final : public LineSource {
public:
    BodyStream(std::span<const std::string> header, LineReader& reader, std::string_view boundary)
        : m_header(header), m_reader(reader), m_boundary(boundary) {}

    bool next(std::string_view& line) override;
    std::size_t lastIndex() const override { return m_handed == 0 ? 0 : m_handed - 1; }
    LinePlace place() const override { return m_place; }
    std::size_t takePlainLines(std::string& bytes, std::vector<std::size_t>& ends,
                               std::size_t maxBytes) override;
    std::string_view restOfLines(std::size_t maxBytes) override;
    void skipRest(std::size_t count) override;

    // Reads on through the delimiter that ends the first part.
    bool hasAttach();

private:
    enum class Phase { BeforeFirst, FirstPart, Done };

    void follow(DelimiterKind kind);

    // Where a line is put together when it cannot be handed out from the
    // reader's block.
    static thread_local std::string t_line;
    static thread_local std::string t_delimiter;

    std::span<const std::string> m_header;
    LineReader& m_reader;
    std::string_view m_boundary;
    std::size_t m_handed = 0;
    LinePlace m_place{};
    Phase m_phase = Phase::BeforeFirst;
    bool m_hasAttach = false;
};

}  // namespace pelmora
