// SPDX-License-Identifier: MIT
// Transfer decoding of a part body that arrives in pieces (a file read
// block by block, a line cut where the buffer ends): base64 as one stream
// across lines of any width, and quoted-printable line by line with either
// case of hex digits (RFC 2045 6.7 and 6.8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

class Base64Stream {
public:
    // Appends what in decodes to; bytes outside the alphabet are skipped.
    // Padding that completes a group ends the data: what follows it (a
    // footer a mailing list appended) is not decoded.
    void append(std::string& out, std::string_view in);
    // The bytes the stream holds back: a last group of two or three values.
    void finish(std::string& out);
    // The count of bytes in would give, without decoding them.
    std::uint64_t countOnly(std::string_view in);
    std::uint64_t finishCount();

private:
    std::uint32_t m_group = 0;
    int m_count = 0;
    int m_padding = 0;
    bool m_ended = false;
};

// The x-uuencode transfer encoding, line by line: the lines between
// "begin MODE NAME" and "end" are decoded, all others passed over.
class UudecodeStream {
public:
    void appendLine(std::string& out, std::string_view line);

private:
    enum class Phase { BeforeBegin, Data, Ended };
    Phase m_phase = Phase::BeforeBegin;
};

// One line of quoted-printable text without its line end: blanks at its
// end are transport padding and go; a last "=" is a soft line break, so
// the line end is not part of the text (softBreak set). Every "=" followed
// by two hex digits of either case is one byte, any other "=" stays.
void AppendQuotedPrintableLine(std::string& out, std::string_view line, bool& softBreak);

}  // namespace pelmora
