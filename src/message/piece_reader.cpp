// SPDX-License-Identifier: MIT
#include "message/piece_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pelmora {

namespace {

constexpr std::size_t kBufferSize = 4 * PieceReader::kMaxPiece;

}  // namespace

PieceReader::PieceReader(int fd, std::uint64_t begin, std::uint64_t end)
    : m_fd(fd), m_next(begin), m_end(end), m_buffer(new char[kBufferSize]), m_base(begin) {}

// Moves what is left to the front and reads on until the buffer is full,
// the range ends or the file does.
bool PieceReader::fill() {
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, m_size - m_begin);
        m_size -= m_begin;
        m_base += m_begin;
        m_begin = 0;
    }
    bool added = false;
    while (!m_eof && m_size < kBufferSize) {
        const std::uint64_t wanted = std::min<std::uint64_t>(kBufferSize - m_size, m_end - m_next);
        if (wanted == 0) {
            m_eof = true;
            break;
        }
        const ssize_t got = pread(m_fd, m_buffer.get() + m_size, wanted, static_cast<off_t>(m_next));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got < 0) m_error = errno;
            m_eof = true;
            break;
        }
        m_size += static_cast<std::size_t>(got);
        m_next += static_cast<std::uint64_t>(got);
        added = true;
    }
    return added;
}

bool PieceReader::next(LinePiece& piece) {
    for (;;) {
        const char* data = m_buffer.get() + m_begin;
        const std::size_t available = m_size - m_begin;
        const std::size_t window = std::min(available, kMaxPiece);
        const void* lf = std::memchr(data, '\n', window);
        const std::size_t lfAt =
            lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : window;
        const void* cr = std::memchr(data, '\r', lfAt);
        const std::size_t at =
            cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : lfAt;
        // A CR as the last byte read may be the start of a CR LF.
        const bool crAtEdge = at < window && data[at] == '\r' && at + 1 == available && !m_eof;
        const bool needMore = (at == window && window < kMaxPiece && !m_eof) || crAtEdge;
        // fill() ends with more bytes, a full buffer or the end seen, so
        // this asks again at most once.
        if (needMore) {
            fill();
            continue;
        }
        if (available == 0) return false;

        piece.offset = m_base + m_begin;
        piece.starts = !m_midLine;
        if (at < window) {
            piece.eol = data[at] == '\r' && at + 1 < available && data[at + 1] == '\n' ? 2 : 1;
            piece.bytes = std::string_view(data, at);
            piece.ends = true;
            m_begin += at + piece.eol;
            m_midLine = false;
        } else {
            piece.eol = 0;
            piece.bytes = std::string_view(data, window);
            // A line reaching the end of the range ends there.
            piece.ends = window < kMaxPiece || (m_eof && window == available);
            m_begin += window;
            m_midLine = !piece.ends;
        }
        return true;
    }
}

}  // namespace pelmora
