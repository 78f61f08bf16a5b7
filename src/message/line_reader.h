// SPDX-License-Identifier: MIT
// Reads a message file as text lines: a line ends at LF or CR LF, a CR not
// followed by LF is dropped, a 0x1A byte ends the file. Reads in large
// blocks and only as far as the caller asks. A line may be as long as the
// file (a gigabyte without a break, or a sparse file of zero bytes), so no
// reader ever holds one whole: it keeps a bounded beginning of it, or takes
// it in pieces of bounded length.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "message/find_bytes.h"

struct stat;

namespace pelmora {

// The longest piece of a line handed out at once, and the most of a line
// readLine keeps unless told otherwise. Far beyond what mail needs (RFC 5322
// allows 998 bytes), and small beside the memory a folder load may take.
inline constexpr std::size_t kLinePieceBytes = 64 * 1024;

// Where a piece lies in its line: a line longer than a piece comes in
// pieces one after another, the first beginning it and the last ending it.
struct LinePlace {
    bool begins = true;
    bool ends = true;
    bool whole() const { return begins && ends; }
};

// The byte that ends a file's text.
inline constexpr char kEndOfTextMark = 0x1A;

// The line that begins at from, when it ends within [from, end) as the
// line reader ends lines (at LF or CR LF) and within size bytes: line is
// set to it without its end, and the bytes it takes with its end are
// returned; 0 when it does not end so (a lone CR, the end mark, no end in
// reach). The reader hands out such a line whole; any other in pieces or
// with bytes dropped.
inline std::size_t WholeLineAt(const char* from, const char* end, std::size_t size, std::string_view& line) {
    const char* const stop = FindFirstOf(from, from + std::min(size, static_cast<std::size_t>(end - from)),
                                         '\n', '\r', kEndOfTextMark);
    std::size_t ending;
    if (stop < end && *stop == '\n')
        ending = 1;
    else if (stop + 1 < end && stop[0] == '\r' && stop[1] == '\n')
        ending = 2;
    else
        return 0;
    line = std::string_view(from, static_cast<std::size_t>(stop - from));
    return static_cast<std::size_t>(stop - from) + ending;
}

class LineReader {
public:
    static constexpr char kEndMark = kEndOfTextMark;

    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False when the file cannot be opened for reading.
    bool open(const std::filesystem::path& path);
    bool open(const char* path);
    // name relative to the open folder dirFd.
    bool openAt(int dirFd, const char* name);
    // The bytes of a message already in memory, read as a file holding
    // them would be (a copy is kept, so they need not outlive the reader).
    void openBytes(std::string_view bytes);
    void close();
    // The open file's size, times and type; false when none is open.
    bool fileInfo(struct stat& info) const;
    // The next line without its end, at most `keep` bytes of it: the rest
    // of a longer line is read past, and lineWasCut() says so. After
    // readPiece stopped inside a line, the rest of that line. False at the
    // end of the file.
    bool readLine(std::string& line, std::size_t keep = kLinePieceBytes);
    bool lineWasCut() const { return m_cut; }
    // The next piece of a line, at most `size` bytes (at least one): the
    // line's next bytes up to its end or up to that size. A piece that ends
    // its line is never followed by an empty one. False at the end of the
    // file.
    bool readPiece(std::string& piece, std::size_t size = kLinePieceBytes);
    // readPiece without the copy where it can: most lines lie whole in the
    // block read, and the piece is then a view of it, valid until the next
    // read. A piece that has to be put together (it spans two blocks, it
    // loses a lone CR, it fills `size`) is put into spare. place is set to
    // where the piece lies in its line.
    bool readPiece(std::string_view& piece, std::string& spare, LinePlace& place,
                   std::size_t size = kLinePieceBytes) {
        if (takeWholeLine(piece, size)) {
            place = {};
            return true;
        }
        return readPieceInto(piece, spare, place, size);
    }
    // Where the piece read last lies in its line.
    LinePlace place() const { return m_place; }
    // Back to the first byte of the file; false when it cannot seek.
    bool rewind();
    // From now on a CR not followed by LF stays in its line, for a writer
    // that must keep every byte of the lines it copies.
    void keepBareCarriageReturns() { m_keepBareCr = true; }
    // Whole lines that lie in the block read, each shorter than a piece and
    // not beginning with "-" (so no delimiter of a part is among them),
    // while bytes holds fewer than maxBytes: each line's bytes are appended
    // to bytes and the size after them to ends. The number taken; the line
    // that stopped them is read as usual.
    std::size_t takePlainLines(std::string& bytes, std::vector<std::size_t>& ends, std::size_t maxBytes) {
        std::size_t taken = 0;
        std::string_view line;
        while (bytes.size() < maxBytes && m_begin < m_end && m_buffer[m_begin] != '-' &&
               takeWholeLine(line, kLinePieceBytes)) {
            bytes += line;
            ends.push_back(bytes.size());
            ++taken;
        }
        return taken;
    }
    // The rest of the file from the line that comes next, line ends and
    // all, read into the block at once when it comes to at most maxBytes;
    // empty when it is more, or when the reading is inside a line or met
    // the end mark. Valid until the next read; the lines still come as
    // usual until skipRest.
    std::string_view bufferRest(std::size_t maxBytes);
    // Passes over the rest bufferRest gave: the file is read to its end.
    void skipRest() {
        m_begin = m_end;
        m_place = {};
        m_cut = false;
    }
    // The open file's descriptor, or -1.
    int descriptor() const { return m_fd; }
    // True at the end of the file; only meaningful between lines.
    bool atEnd();
    // Bytes taken from the file so far (for benchmarks).
    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    // The next line when it lies in the block, with its end, and is shorter
    // than size: the path nearly every line takes, kept inline.
    bool takeWholeLine(std::string_view& piece, std::size_t size) {
        if (m_midLine || m_begin >= m_end) return false;
        const std::size_t taken = WholeLineAt(m_buffer.get() + m_begin, m_buffer.get() + m_end, size, piece);
        if (taken == 0) return false;  // a lone CR, an end mark, a line longer than size or than the block
        m_begin += taken;
        m_cut = false;
        m_place = {};
        return true;
    }
    bool readPieceInto(std::string_view& piece, std::string& spare, LinePlace& place, std::size_t size);
    bool fill();
    bool readOn();
    bool readAfter(std::size_t kept, std::size_t want);
    void stopAtEndMark();
    bool copyLine(std::string& out, std::size_t limit);
    bool endsHere();
    void skipLine();
    void startReading();

    int m_fd = -1;
    // Not value-initialised: most messages use a few kilobytes of it.
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    // A 0x1A byte was met: nothing more is read.
    bool m_endMarkSeen = false;
    bool m_keepBareCr = false;
    // Reading bytes given by openBytes: they fill the buffer from its start.
    bool m_inMemory = false;
    // readPiece stopped inside a line.
    bool m_midLine = false;
    bool m_cut = false;
    LinePlace m_place{};
    std::uint64_t m_bytesRead = 0;
};

}  // namespace pelmora
