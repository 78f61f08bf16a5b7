// SPDX-License-Identifier: MIT
// The MIME structure of one message file (RFC 2045-2049), read in one pass
// over the file and kept as byte ranges: the content of no part is held in
// memory, so a message with a gigabyte attachment costs what its headers
// cost. Delimiter lines follow the rule the header reader, the body search
// and attachment removal share (mime_boundary.h). Lines end at LF, CR LF or
// a CR alone, so files written with any of them read alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "message/mime_field.h"

namespace pelmora {

// One header field of a part: its name as written and its body with the
// line ends of its folds kept ("\n" between the physical lines).
struct HeaderField {
    std::string name;
    std::string folded;
};

// The first field of that name (any case), or nullptr.
const HeaderField* FindField(const std::vector<HeaderField>& fields, std::string_view lowerName);
// The field body unfolded the RFC 5322 way: the line ends removed, the
// blanks after them kept.
std::string UnfoldedValue(const HeaderField& field);

enum class TransferEncoding { Identity, Base64, QuotedPrintable, Uuencode };

struct MimePart {
    int parent = -1;
    std::vector<int> children;
    std::vector<HeaderField> header;
    ParameterizedField contentType;  // token "text/plain" when the part has none (RFC 2045 5.2)
    ParameterizedField disposition;  // token empty when the part has none
    TransferEncoding encoding = TransferEncoding::Identity;
    std::string contentId;  // without its angle brackets
    std::string boundary;   // of a multipart part that has one
    std::uint64_t headerBegin = 0;
    std::uint64_t bodyBegin = 0;
    std::uint64_t bodyEnd = 0;  // the line end before the delimiter that ends it is not part of it
    std::uint64_t decodedSize = 0;
    // The inner header of a message/rfc822 part: what names it when it is saved.
    std::vector<HeaderField> innerHeader;

    bool isMultipart() const { return !boundary.empty(); }
    std::string_view mediaType() const { return contentType.token; }
};

struct MimeTree {
    std::vector<MimePart> parts;  // parts[0] is the message itself
    std::uint64_t fileSize = 0;
    // A limit was reached (parts, nesting, header size): what lies beyond
    // it reads as the body of the part before.
    bool limited = false;
};

struct MimeLimits {
    std::size_t maxParts = 5000;
    std::size_t maxDepth = 200;
    std::size_t maxHeaderBytes = 1 << 20;  // per part; further fields are passed over
};

// The structure of the open file fd from its start; an unreadable file
// gives a tree of one empty part. errno tells why when readError is set.
MimeTree ScanMimeTree(int fd, const MimeLimits& limits = {}, bool* readError = nullptr);

}  // namespace pelmora
