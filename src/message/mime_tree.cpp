// SPDX-License-Identifier: MIT
#include "message/mime_tree.h"

#include <sys/stat.h>

#include <optional>
#include <string>

#include "decode/ascii.h"
#include "decode/transfer.h"
#include "decode/transfer_stream.h"
#include "message/mime_boundary.h"
#include "message/piece_reader.h"

namespace pelmora {

namespace {

using View = std::string_view;

constexpr std::size_t kMaxInnerHeader = 64 * 1024;

// RFC 5322 2.2: a field name is printable ASCII but ":"; a line that
// begins with neither a name and ":" nor a blank ends the header block
// (and belongs to the body), as a lenient reader of broken mail must read it.
bool isFieldLine(View line) {
    for (const char c : line) {
        if (c == ':') return true;
        if (c < 33 || c > 126) return false;
    }
    return false;
}

bool isContinuation(View line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

// Collects the fields of one header block, line piece by line piece.
class HeaderCollector {
public:
    HeaderCollector(std::vector<HeaderField>& fields, std::size_t maxBytes)
        : m_fields(fields), m_left(maxBytes) {}

    // False when line does not belong to a header block.
    bool add(const LinePiece& piece) {
        const View line = piece.bytes;
        if (!piece.starts) {
            append(line);
            return true;
        }
        if (isContinuation(line)) {
            // A fold before the first field has nothing to continue: passed over.
            if (!m_fields.empty()) {
                append("\n");
                append(line);
            }
            return true;
        }
        if (line.starts_with("From ")) {
            // A mailbox's envelope line, even where it does not belong.
            return true;
        }
        if (!isFieldLine(line)) return false;
        const std::size_t colon = line.find(':');
        if (m_left < line.size()) {
            m_full = true;
            return true;
        }
        m_fields.push_back({std::string(line.substr(0, colon)), {}});
        m_full = false;
        append(line.substr(colon + 1));
        return true;
    }

private:
    void append(View bytes) {
        if (m_full || m_fields.empty() || bytes.size() > m_left) {
            m_full = true;
            return;
        }
        m_fields.back().folded += bytes;
        m_left -= bytes.size();
    }

    std::vector<HeaderField>& m_fields;
    std::size_t m_left;
    bool m_full = false;  // the current field no longer fits and is cut
};

View trim(View text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

TransferEncoding encodingOf(View value) {
    const std::string name = ascii::ToLower(trim(value));
    if (name == "base64") return TransferEncoding::Base64;
    if (name == "quoted-printable") return TransferEncoding::QuotedPrintable;
    if (name == "x-uuencode" || name == "uuencode" || name == "x-uue" || name == "uue")
        return TransferEncoding::Uuencode;
    return TransferEncoding::Identity;
}

class Scanner {
public:
    Scanner(MimeTree& tree, const MimeLimits& limits) : m_tree(tree), m_limits(limits) {
        m_tree.parts.emplace_back();
        m_collector.emplace(m_tree.parts[0].header, m_limits.maxHeaderBytes);
    }

    void take(const LinePiece& piece) {
        if (!isDelimiter(piece)) {
            // A line that ends a header block without a blank line may be
            // the first delimiter of the multipart that header opened.
            if (!m_inHeader || (!headerLine(piece) && !isDelimiter(piece))) bodyPiece(piece);
        }
        if (piece.ends) m_lastEol = piece.eol;
    }

    // At the end of the file the last line end is part of the body it ends.
    void finish(std::uint64_t fileSize) {
        if (m_inHeader) endHeader(fileSize);
        if (current().encoding == TransferEncoding::QuotedPrintable) current().decodedSize += m_pendingEol;
        finishPart(m_current, fileSize);
        closeAbove(0, fileSize);
        finishPart(0, fileSize);
    }

private:
    MimePart& current() { return m_tree.parts[static_cast<std::size_t>(m_current)]; }

    bool isDelimiter(const LinePiece& piece) {
        return piece.wholeLine() && piece.bytes.starts_with("--") && delimiter(piece);
    }

    // False when the line is not part of the header block: it is the first
    // line of the body.
    bool headerLine(const LinePiece& piece) {
        if (piece.wholeLine() && piece.bytes.empty()) {
            endHeader(piece.offset + piece.eol);
            return true;
        }
        if (m_collector->add(piece)) return true;
        endHeader(piece.offset);
        return false;
    }

    void bodyPiece(const LinePiece& piece) {
        MimePart& part = current();
        if (part.isMultipart()) return;  // preamble or epilogue
        if (m_innerCollector) {
            if (piece.wholeLine() && piece.bytes.empty()) {
                m_innerCollector.reset();
            } else if (!m_innerCollector->add(piece)) {
                m_innerCollector.reset();
            }
        }
        if (part.encoding == TransferEncoding::Base64) {
            // Decoded into a small block at a time: counting alone could
            // count otherwise than the decoder decodes.
            for (std::size_t at = 0; at < piece.bytes.size(); at += 4096) {
                m_scratch.clear();
                m_base64.append(m_scratch, piece.bytes.substr(at, 4096));
                part.decodedSize += m_scratch.size();
            }
        } else if (part.encoding == TransferEncoding::QuotedPrintable) {
            m_scratch.clear();
            bool softBreak = false;
            AppendQuotedPrintableLine(m_scratch, piece.bytes, softBreak);
            // The line end goes in when the next line of the body comes.
            part.decodedSize += m_scratch.size() + m_pendingEol;
            m_pendingEol = piece.ends && !softBreak ? piece.eol : 0;
        } else if (part.encoding == TransferEncoding::Uuencode && piece.wholeLine()) {
            m_scratch.clear();
            m_uudecode.appendLine(m_scratch, piece.bytes);
            part.decodedSize += m_scratch.size();
        }
    }

    void endHeader(std::uint64_t bodyBegin) {
        m_inHeader = false;
        m_collector.reset();
        MimePart& part = current();
        part.bodyBegin = bodyBegin;
        applyFields(part);
        m_base64 = {};
        m_uudecode = {};
        m_pendingEol = 0;
        if (part.mediaType() == "message/rfc822" && part.encoding == TransferEncoding::Identity)
            m_innerCollector.emplace(part.innerHeader, kMaxInnerHeader);
        if (!part.isMultipart()) return;
        if (m_open.size() >= m_limits.maxDepth) {
            part.boundary.clear();
            m_tree.limited = true;
            return;
        }
        m_open.push_back(m_current);
    }

    void applyFields(MimePart& part) {
        const bool inDigest =
            part.parent >= 0 &&
            m_tree.parts[static_cast<std::size_t>(part.parent)].mediaType() == "multipart/digest";
        if (const HeaderField* field = FindField(part.header, "content-type")) {
            part.contentType = ParseParameterizedField(UnfoldedValue(*field));
        }
        const View type = part.contentType.token;
        const std::size_t slash = type.find('/');
        if (slash == View::npos || slash == 0 || slash + 1 == type.size())
            part.contentType.token = inDigest ? "message/rfc822" : "text/plain";
        if (const HeaderField* field = FindField(part.header, "content-disposition"))
            part.disposition = ParseParameterizedField(UnfoldedValue(*field));
        if (const HeaderField* field = FindField(part.header, "content-transfer-encoding"))
            part.encoding = encodingOf(UnfoldedValue(*field));
        if (const HeaderField* field = FindField(part.header, "content-id")) {
            const std::string value = UnfoldedValue(*field);
            View id = trim(value);
            if (id.starts_with('<') && id.ends_with('>')) id = id.substr(1, id.size() - 2);
            part.contentId = id;
        }
        if (!part.contentType.token.starts_with("multipart/")) return;
        // RFC 2046 5.1.1: a boundary never ends in a blank.
        part.boundary = trim(part.contentType.value("boundary"));
        // Without a boundary nothing can be told apart: its body is text.
        if (part.boundary.empty()) part.contentType.token = "text/plain";
        part.encoding = TransferEncoding::Identity;
    }

    // A delimiter of one of the open multiparts, innermost first.
    bool delimiter(const LinePiece& piece) {
        for (std::size_t level = m_open.size(); level-- > 0;) {
            const int owner = m_open[level];
            const DelimiterKind kind =
                ClassifyDelimiterLine(piece.bytes, m_tree.parts[static_cast<std::size_t>(owner)].boundary);
            if (kind == DelimiterKind::None) continue;
            // RFC 2046 5.1.1: the line end before a delimiter belongs to it.
            const std::uint64_t end = piece.offset - m_lastEol;
            if (m_inHeader) endHeader(piece.offset);
            closeAbove(level + 1, end);
            if (m_current != owner) finishPart(m_current, end);
            m_lastEol = piece.eol;
            if (kind == DelimiterKind::Close) {
                m_open.resize(level);
                m_current = owner;
                return true;
            }
            openChild(owner, piece.offset + piece.bytes.size() + piece.eol);
            return true;
        }
        return false;
    }

    void openChild(int owner, std::uint64_t headerBegin) {
        m_current = owner;
        if (m_tree.parts.size() >= m_limits.maxParts) {
            m_tree.limited = true;
            return;  // the rest is read as the multipart's preamble
        }
        const int index = static_cast<int>(m_tree.parts.size());
        m_tree.parts.emplace_back();
        MimePart& child = m_tree.parts.back();
        child.parent = owner;
        child.headerBegin = headerBegin;
        m_tree.parts[static_cast<std::size_t>(owner)].children.push_back(index);
        m_current = index;
        m_inHeader = true;
        m_collector.emplace(child.header, m_limits.maxHeaderBytes);
        m_innerCollector.reset();
    }

    // Ends the multiparts open deeper than level.
    void closeAbove(std::size_t level, std::uint64_t end) {
        while (m_open.size() > level) {
            finishPart(m_open.back(), end);
            m_open.pop_back();
        }
    }

    void finishPart(int index, std::uint64_t end) {
        MimePart& part = m_tree.parts[static_cast<std::size_t>(index)];
        part.bodyEnd = end < part.bodyBegin ? part.bodyBegin : end;
        if (index != m_current || part.isMultipart()) return;
        if (part.encoding == TransferEncoding::Identity) {
            part.decodedSize = part.bodyEnd - part.bodyBegin;
        } else if (part.encoding == TransferEncoding::Base64) {
            m_scratch.clear();
            m_base64.finish(m_scratch);
            part.decodedSize += m_scratch.size();
        }
        m_innerCollector.reset();
    }

    MimeTree& m_tree;
    const MimeLimits& m_limits;
    std::vector<int> m_open;  // the multiparts whose delimiters are looked for, outermost first
    int m_current = 0;
    bool m_inHeader = true;
    std::optional<HeaderCollector> m_collector;
    std::optional<HeaderCollector> m_innerCollector;
    Base64Stream m_base64;
    UudecodeStream m_uudecode;
    std::string m_scratch;
    unsigned m_pendingEol = 0;
    unsigned m_lastEol = 0;
};

}  // namespace

const HeaderField* FindField(const std::vector<HeaderField>& fields, View lowerName) {
    for (const HeaderField& field : fields)
        if (ascii::EqualsNoCase(trim(field.name), lowerName)) return &field;
    return nullptr;
}

std::string UnfoldedValue(const HeaderField& field) {
    std::string value;
    value.reserve(field.folded.size());
    for (const char c : field.folded)
        if (c != '\n') value += c;
    return value;
}

MimeTree ScanMimeTree(int fd, const MimeLimits& limits, bool* readError) {
    MimeTree tree;
    Scanner scanner(tree, limits);
    PieceReader reader(fd, 0);
    LinePiece piece;
    std::uint64_t end = 0;
    while (reader.next(piece)) {
        scanner.take(piece);
        end = piece.offset + piece.bytes.size() + piece.eol;
    }
    if (readError != nullptr) *readError = reader.error() != 0;
    tree.fileSize = end;
    scanner.finish(end);
    return tree;
}

}  // namespace pelmora
