// SPDX-License-Identifier: MIT
// Reads a message file as text lines: a line ends at LF or CR LF, a CR not
// followed by LF is dropped, a 0x1A byte ends the file, lines have no length
// limit. Reads in large blocks and only as far as the caller asks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct stat;

namespace pelmora {

class LineReader {
public:
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
    // The next line without its end; false at the end of the file.
    bool readLine(std::string& line);
    // Back to the first byte of the file; false when it cannot seek.
    bool rewind();
    // From now on a CR not followed by LF stays in its line, for a writer
    // that must keep every byte of the lines it copies.
    void keepBareCarriageReturns() { m_keepBareCr = true; }
    // The open file's descriptor, or -1.
    int descriptor() const { return m_fd; }
    bool atEnd();
    // Bytes taken from the file so far (for benchmarks).
    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    bool fill();
    void stopAtEndMark();

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
    std::uint64_t m_bytesRead = 0;
};

}  // namespace pelmora
