// SPDX-License-Identifier: MIT
#include "message/mime_content.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "decode/transfer.h"
#include "decode/transfer_stream.h"
#include "message/piece_reader.h"

namespace pelmora {

namespace {

constexpr std::size_t kBlock = 256 * 1024;

// Reads the raw bytes of the part's body block by block; each block goes to
// take, which returns false to stop. 0 or an errno value.
template <typename Take>
int readRaw(int fd, const MimePart& part, Take take) {
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    for (std::uint64_t at = part.bodyBegin; at < part.bodyEnd;) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, part.bodyEnd - at));
        const ssize_t got = pread(fd, buffer.get(), wanted, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;  // the file got shorter since it was scanned
        at += static_cast<std::uint64_t>(got);
        if (!take(std::string_view(buffer.get(), static_cast<std::size_t>(got)))) break;
    }
    return 0;
}

int decodeUuencode(int fd, const MimePart& part, const ContentSink& sink) {
    PieceReader reader(fd, part.bodyBegin, part.bodyEnd);
    UudecodeStream stream;
    LinePiece piece;
    std::string out;
    while (reader.next(piece)) {
        if (piece.wholeLine()) stream.appendLine(out, piece.bytes);
        if (out.size() >= kBlock) {
            if (!sink(out)) return 0;
            out.clear();
        }
    }
    if (!out.empty()) sink(out);
    return reader.error();
}

int decodeQuotedPrintable(int fd, const MimePart& part, const ContentSink& sink) {
    PieceReader reader(fd, part.bodyBegin, part.bodyEnd);
    LinePiece piece;
    std::string out;
    while (reader.next(piece)) {
        bool softBreak = false;
        AppendQuotedPrintableLine(out, piece.bytes, softBreak);
        // The line end as the file has it (it follows the line in the reader's buffer).
        if (!softBreak && piece.ends) out.append(piece.bytes.data() + piece.bytes.size(), piece.eol);
        if (out.size() >= kBlock) {
            if (!sink(out)) return 0;
            out.clear();
        }
    }
    if (!out.empty()) sink(out);
    return reader.error();
}

}  // namespace

int DecodePartContent(int fd, const MimePart& part, const ContentSink& sink) {
    switch (part.encoding) {
        case TransferEncoding::Base64: {
            Base64Stream stream;
            std::string out;
            bool going = true;
            const int error = readRaw(fd, part, [&](std::string_view block) {
                out.clear();
                stream.append(out, block);
                going = out.empty() || sink(out);
                return going;
            });
            if (going) {
                out.clear();
                stream.finish(out);
                if (!out.empty()) sink(out);
            }
            return error;
        }
        case TransferEncoding::QuotedPrintable:
            return decodeQuotedPrintable(fd, part, sink);
        case TransferEncoding::Uuencode:
            return decodeUuencode(fd, part, sink);
        case TransferEncoding::Identity:
            break;
    }
    return readRaw(fd, part, [&](std::string_view block) { return sink(block); });
}

std::string ReadPartContent(int fd, const MimePart& part, std::size_t limit, bool* cut, int* readError) {
    std::string content;
    bool over = false;
    const int error = DecodePartContent(fd, part, [&](std::string_view block) {
        const std::size_t room = limit - content.size();
        content.append(block.substr(0, room));
        over = block.size() > room;
        return !over;
    });
    if (cut != nullptr) *cut = over;
    if (readError != nullptr) *readError = error;
    return content;
}

}  // namespace pelmora
