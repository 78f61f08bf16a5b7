// SPDX-License-Identifier: MIT
#include "message/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "message/find_bytes.h"

namespace pelmora {

namespace {

// The first read is one page because most header blocks fit into it, and
// every byte read is a byte copied; reads grow from there, so that a long
// header costs one more small read and a long body few system calls.
constexpr std::size_t FirstBlock = 4 * 1024;
constexpr std::size_t SecondBlock = 16 * 1024;
constexpr std::size_t LaterBlock = 64 * 1024;
constexpr char EndOfFileMark = LineReader::kEndMark;

// The first LF, CR or end mark in [from, end), or end.
const char* findLineStop(const char* from, const char* end) {
    return FindFirstOf(from, end, '\n', '\r', EndOfFileMark);
}

// The block buffer of the last reader that ended on this thread, handed to
// the next one: a folder load opens thousands of files one after another.
struct SpareBuffer {
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
};
thread_local SpareBuffer t_spare;

}  // namespace

LineReader::~LineReader() {
    close();
    if (m_capacity > t_spare.capacity) {
        t_spare.buffer = std::move(m_buffer);
        t_spare.capacity = m_capacity;
    }
}

bool LineReader::open(const std::filesystem::path& path) {
    return open(path.c_str());
}

bool LineReader::open(const char* path) {
    return openAt(AT_FDCWD, path);
}

bool LineReader::openAt(int dirFd, const char* name) {
    close();
    do {
        // Without O_NONBLOCK a pipe that took a message file's name would
        // hold the reader until somebody wrote to it.
        m_fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (m_fd < 0 && errno == EINTR);
    m_eof = m_fd < 0;
    m_bytesRead = 0;
    startReading();
    return m_fd >= 0;
}

void LineReader::openBytes(std::string_view bytes) {
    close();
    if (m_capacity < bytes.size()) {
        m_buffer.reset(new char[bytes.size()]);
        m_capacity = bytes.size();
    }
    if (!bytes.empty()) std::memcpy(m_buffer.get(), bytes.data(), bytes.size());
    m_inMemory = true;
    // Everything is in the buffer already: there is nothing to fill it from.
    m_eof = true;
    m_bytesRead = bytes.size();
    startReading();
    m_end = bytes.size();
}

void LineReader::startReading() {
    m_begin = m_end = 0;
    m_endMarkSeen = false;
    m_midLine = false;
    m_cut = false;
    m_place = {};
}

void LineReader::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_inMemory = false;
    m_begin = m_end = 0;
    m_eof = true;
    m_midLine = false;
}

bool LineReader::rewind() {
    if (m_inMemory) {
        startReading();
        m_end = static_cast<std::size_t>(m_bytesRead);
        return true;
    }
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) return false;
    m_eof = false;
    m_bytesRead = 0;
    startReading();
    return true;
}

bool LineReader::fileInfo(struct stat& info) const {
    return m_fd >= 0 && ::fstat(m_fd, &info) == 0;
}

// Reads the next block; false when nothing more comes. The bytes not taken
// yet stay in front of it: at most one, a CR whose meaning the next byte
// decides.
bool LineReader::fill() {
    if (m_eof || m_endMarkSeen) return false;
    const std::size_t kept = m_end - m_begin;
    const char carried = kept > 0 ? m_buffer[m_begin] : '\0';
    const std::size_t want = m_bytesRead == 0            ? FirstBlock
                             : m_bytesRead < SecondBlock ? SecondBlock
                                                         : LaterBlock;
    const std::size_t needed = want + 1;
    if (m_capacity < needed && t_spare.capacity >= needed) {
        m_buffer = std::move(t_spare.buffer);
        m_capacity = t_spare.capacity;
        t_spare.capacity = 0;
    }
    if (m_capacity < needed) {
        m_buffer.reset(new char[needed]);
        m_capacity = needed;
    }
    if (kept > 0) m_buffer[0] = carried;
    return readAfter(kept, want);
}

// Reads another block after the bytes not taken yet, which all stay; false
// when nothing more comes.
bool LineReader::readOn() {
    if (m_eof || m_endMarkSeen) return false;
    const std::size_t kept = m_end - m_begin;
    // Doubling, so that a long rest costs few copies.
    const std::size_t want = std::max(LaterBlock, kept);
    const std::size_t needed = kept + want + 1;
    if (m_capacity < needed) {
        std::unique_ptr<char[]> grown(new char[needed]);
        if (kept > 0) std::memcpy(grown.get(), m_buffer.get() + m_begin, kept);
        m_buffer = std::move(grown);
        m_capacity = needed;
    } else if (kept > 0 && m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, kept);
    }
    return readAfter(kept, want);
}

// Reads up to want bytes into the block after the kept bytes at its start.
bool LineReader::readAfter(std::size_t kept, std::size_t want) {
    m_begin = 0;
    m_end = kept;
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.get() + kept, want);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        m_eof = true;
        return false;
    }
    m_bytesRead += static_cast<std::uint64_t>(got);
    m_end += static_cast<std::size_t>(got);
    return true;
}

std::string_view LineReader::bufferRest(std::size_t maxBytes) {
    if (m_midLine || m_endMarkSeen) return {};
    while (m_end - m_begin <= maxBytes && readOn()) {
    }
    if (m_end - m_begin > maxBytes || m_begin == m_end) return {};
    return {m_buffer.get() + m_begin, m_end - m_begin};
}

// The end mark is looked for only in the bytes handed out, never in the
// rest of a block that nobody reads.
void LineReader::stopAtEndMark() {
    m_endMarkSeen = true;
    m_begin = m_end = 0;
}

bool LineReader::atEnd() {
    if (m_begin == m_end && !fill()) return true;
    if (m_buffer[m_begin] == EndOfFileMark) {
        stopAtEndMark();
        return true;
    }
    return false;
}

// Appends the current line's bytes to out until out holds limit bytes or
// the line ends; true when it ended (its end is consumed).
bool LineReader::copyLine(std::string& out, std::size_t limit) {
    for (;;) {
        if (m_begin == m_end && !fill()) return true;
        const char* const base = m_buffer.get();
        const char* const from = base + m_begin;
        const std::size_t room = limit - out.size();
        const char* const scanEnd = from + std::min(room, m_end - m_begin);
        // One pass finds whichever comes first of the line end, a CR and
        // the end mark; most lines hold only their end.
        const char* const stop = findLineStop(from, scanEnd);
        out.append(from, static_cast<std::size_t>(stop - from));
        m_begin = static_cast<std::size_t>(stop - base);
        if (stop == scanEnd) {
            if (out.size() == limit) return endsHere();
            continue;
        }
        if (*stop == '\n') {
            ++m_begin;
            return true;
        }
        if (*stop == EndOfFileMark) {
            stopAtEndMark();
            return true;
        }
        // A CR: CR LF, the usual end, is taken in one step; a lone CR is
        // dropped or kept. The CR stays in front of the next block when it
        // is the last byte of this one.
        if (m_begin + 1 == m_end && !fill()) {
            ++m_begin;
            if (m_keepBareCr) out += '\r';
            return true;
        }
        if (m_buffer[m_begin + 1] == '\n') {
            m_begin += 2;
            return true;
        }
        ++m_begin;
        // There is room: the CR was found within it.
        if (m_keepBareCr) out += '\r';
    }
}

// At a piece's end: true, with the line end consumed, when the line ends
// right here; false when a byte of the line follows.
bool LineReader::endsHere() {
    for (;;) {
        if (m_begin == m_end && !fill()) return true;
        const char c = m_buffer[m_begin];
        if (c == '\n') {
            ++m_begin;
            return true;
        }
        if (c == EndOfFileMark) {
            stopAtEndMark();
            return true;
        }
        if (c != '\r') return false;
        if (m_begin + 1 == m_end && !fill()) {
            if (m_keepBareCr) return false;
            ++m_begin;
            return true;
        }
        if (m_buffer[m_begin + 1] == '\n') {
            m_begin += 2;
            return true;
        }
        if (m_keepBareCr) return false;
        ++m_begin;
    }
}

// Reads past the rest of the current line, end included.
void LineReader::skipLine() {
    for (;;) {
        if (m_begin == m_end && !fill()) return;
        const char* const base = m_buffer.get();
        const char* const stop = findLineStop(base + m_begin, base + m_end);
        m_begin = static_cast<std::size_t>(stop - base);
        if (m_begin == m_end) continue;
        if (*stop == EndOfFileMark) {
            stopAtEndMark();
            return;
        }
        if (*stop == '\r') {
            if (m_begin + 1 == m_end && !fill()) {
                ++m_begin;
                return;
            }
            if (m_buffer[m_begin + 1] == '\n') {
                m_begin += 2;
                return;
            }
            // A lone CR does not end the line.
            ++m_begin;
            continue;
        }
        ++m_begin;
        return;
    }
}

bool LineReader::readLine(std::string& line, std::size_t keep) {
    line.clear();
    if (!m_midLine && atEnd()) return false;
    m_midLine = false;
    m_cut = !copyLine(line, keep);
    if (m_cut) skipLine();
    m_place = {};
    return true;
}

bool LineReader::readPiece(std::string& piece, std::size_t size) {
    piece.clear();
    const bool begins = !m_midLine;
    if (begins && atEnd()) return false;
    const bool ends = copyLine(piece, size < 1 ? 1 : size);
    m_midLine = !ends;
    m_cut = false;
    m_place = {begins, ends};
    return true;
}

bool LineReader::readPieceInto(std::string_view& piece, std::string& spare, LinePlace& place,
                               std::size_t size) {
    if (!readPiece(spare, size)) return false;
    piece = spare;
    place = m_place;
    return true;
}

}  // namespace pelmora
