// SPDX-License-Identifier: MIT
#include "message/line_reader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelmora {

namespace {

// The first read is small because most header blocks fit into it; later
// reads are large so that a long body costs few system calls.
constexpr std::size_t FirstBlock = 16 * 1024;
constexpr std::size_t LaterBlock = 64 * 1024;
constexpr char EndOfFileMark = 0x1A;

// Appends bytes to line, leaving out every CR: a CR before LF belongs to the
// line end, and a lone CR is dropped.
void appendWithoutCr(std::string& line, const char* from, std::size_t count) {
    const char* end = from + count;
    while (from < end) {
        const char* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(end - from)));
        if (cr == nullptr) {
            line.append(from, end);
            return;
        }
        line.append(from, cr);
        from = cr + 1;
    }
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

bool LineReader::open(const std::filesystem::path& path) { return open(path.c_str()); }

bool LineReader::open(const char* path) { return openAt(AT_FDCWD, path); }

bool LineReader::openAt(int dirFd, const char* name) {
    close();
    do {
        m_fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    m_begin = m_end = 0;
    m_eof = m_fd < 0;
    m_endMarkSeen = false;
    m_bytesRead = 0;
    return m_fd >= 0;
}

void LineReader::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_begin = m_end = 0;
    m_eof = true;
}

// Refills the buffer once it is used up; false when nothing more comes.
bool LineReader::fill() {
    if (m_eof || m_endMarkSeen) return false;
    std::size_t want = m_bytesRead == 0 ? FirstBlock : LaterBlock;
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
    for (;;) {
        const char* start = m_buffer.get() + m_begin;
        std::size_t count = m_end - m_begin;
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', count));
        std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - start) : count;
        if (const void* mark = std::memchr(start, EndOfFileMark, take)) {
            appendWithoutCr(line, start, static_cast<std::size_t>(static_cast<const char*>(mark) - start));
            stopAtEndMark();
            return true;
        }
        appendWithoutCr(line, start, take);
        if (lf != nullptr) {
            m_begin += take + 1;
            return true;
        }
        m_begin = m_end;
        if (!fill()) return true;
    }
}

}  // namespace pelmora
