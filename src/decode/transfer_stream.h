// SPDX-License-Identifier: MIT
// Transfer decoding of a part body that arrives line by line (base64 in
// pieces is Base64Stream of transfer.h): quoted-printable with its soft
// line breaks and transport padding (RFC 2045 6.7), and x-uuencode.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

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
// the line end is not part of the text (softBreak set). The escapes are
// AppendQuotedPrintableDecoded's: hex digits of either case, any other "="
// kept.
void AppendQuotedPrintableLine(std::string& out, std::string_view line, bool& softBreak);

}  // namespace pelmora
