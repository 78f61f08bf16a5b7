// SPDX-License-Identifier: MIT
#include "message/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
constexpr char EndOfFileMark = 0x1A;

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
    m_begin = m_end = 0;
    m_eof = m_fd < 0;
    m_endMarkSeen = false;
    m_bytesRead = 0;
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
    m_begin = 0;
    m_end = bytes.size();
    // Everything is in the buffer already: there is nothing to fill it from.
    m_eof = true;
    m_endMarkSeen = false;
    m_bytesRead = bytes.size();
}

void LineReader::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_inMemory = false;
    m_begin = m_end = 0;
    m_eof = true;
}

bool LineReader::rewind() {
    if (m_inMemory) {
        m_begin = 0;
        m_end = static_cast<std::size_t>(m_bytesRead);
        m_endMarkSeen = false;
        return true;
    }
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) return false;
    m_begin = m_end = 0;
    m_eof = false;
    m_endMarkSeen = false;
    m_bytesRead = 0;
    return true;
}

bool LineReader::fileInfo(struct stat& info) const {
    return m_fd >= 0 && ::fstat(m_fd, &info) == 0;
}

// Refills the buffer once it is used up; false when nothing more comes.
bool LineReader::fill() {
    if (m_eof || m_endMarkSeen) return false;
    const std::size_t want = m_bytesRead == 0            ? FirstBlock
                             : m_bytesRead < SecondBlock ? SecondBlock
                                                         : LaterBlock;
    if (m_capacity < want && t_spare.capacity >= want) {
        m_buffer = std::move(t_spare.buffer);
        m_capacity = t_spare.capacity;
        t_spare.capacity = 0;
    }
    if (m_capacity < want) {
        m_buffer.reset(new char[want]);
        m_capacity = want;
    }
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.get(), want);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        m_eof = true;
        m_begin = m_end = 0;
        return false;
    }
    m_bytesRead += static_cast<std::uint64_t>(got);
    m_begin = 0;
    m_end = static_cast<std::size_t>(got);
    return true;
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

bool LineReader::readLine(std::string& line) {
    line.clear();
    if (atEnd()) return false;
    // A CR that ended the previous block: whether it ends the line or stays
    // in it depends on the first byte of the next block.
    bool pendingCr = false;
    for (;;) {
        const char* const start = m_buffer.get() + m_begin;
        const char* const end = m_buffer.get() + m_end;
        const char* from = start;
        if (pendingCr) {
            pendingCr = false;
            if (*from == '\n') {
                m_begin += 1;
                return true;
            }
            line += '\r';
        }
        // One pass finds whichever comes first of the line end, a CR to
        // leave out and the end mark; most lines hold only their end.
        for (;;) {
            const char* stop = findLineStop(from, end);
            line.append(from, static_cast<std::size_t>(stop - from));
            if (stop == end) break;
            if (*stop == '\r') {
                from = stop + 1;
                // CR LF, the usual end, is taken in one step.
                if (from < end && *from == '\n') {
                    m_begin = static_cast<std::size_t>(from + 1 - m_buffer.get());
                    return true;
                }
                if (m_keepBareCr) {
                    if (from == end) {
                        pendingCr = true;
                        break;
                    }
                    line += '\r';
                }
                continue;
            }
            if (*stop == EndOfFileMark) {
                stopAtEndMark();
            } else {
                m_begin = static_cast<std::size_t>(stop + 1 - m_buffer.get());
            }
            return true;
        }
        m_begin = m_end;
        if (!fill()) {
            if (pendingCr) line += '\r';
            return true;
        }
    }
}

}  // namespace pelmora
