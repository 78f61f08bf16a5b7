// SPDX-License-Identifier: MIT
// Lines of a byte range of an open file, with their offsets, for readers
// that must not hold a whole line: a line longer than kMaxPiece arrives in
// pieces. A line ends at LF, CR LF or a CR alone.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>

namespace pelmora {

struct LinePiece {
    std::string_view bytes;  // without the line end
    std::uint64_t offset = 0;
    unsigned eol = 0;     // bytes of the line end after bytes: 0, 1 or 2
    bool starts = false;  // bytes begin a line
    bool ends = false;    // the line ends after bytes (its line end, or the end of the range)

    bool wholeLine() const { return starts && ends; }
};

class PieceReader {
public:
    static constexpr std::size_t kMaxPiece = 64 * 1024;
    static constexpr std::uint64_t kToEnd = std::numeric_limits<std::uint64_t>::max();

    PieceReader(int fd, std::uint64_t begin, std::uint64_t end = kToEnd);
    // False at the end of the range or on a read error (error() tells).
    bool next(LinePiece& piece);
    int error() const { return m_error; }

private:
    bool fill();

    int m_fd;
    std::uint64_t m_next;  // file offset of the next byte to read
    std::uint64_t m_end;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_base = 0;  // file offset of m_buffer[0]
    std::size_t m_begin = 0;
    std::size_t m_size = 0;
    bool m_eof = false;
    bool m_midLine = false;
    int m_error = 0;
};

}  // namespace pelmora
