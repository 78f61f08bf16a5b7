// SPDX-License-Identifier: MIT
// Text of a message into Unicode (UTF-8) for the reader, not into display
// text: the Japanese charsets through the program's own converters (so the
// reader shows what the search finds, the code page 932 extensions inside
// ISO-2022-JP included), UTF-8 as it is, every other charset through the C
// library's iconv. Nothing is refused: an unknown charset is read as
// Latin-1 and said so.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

struct Utf8Text {
    std::string utf8;
    // The charset was not known, so the bytes were read as Latin-1.
    bool charsetUnknown = false;
};

// The bytes of a part labelled with charset (any case, quotes removed).
// Unlabelled or US-ASCII text holding 8-bit bytes or escapes is read as
// UnlabelledToUtf8 reads it.
Utf8Text CharsetToUtf8(std::string_view bytes, std::string_view charset);

// Bytes that carry no charset (a raw file name, 8-bit text labelled
// US-ASCII): ISO-2022-JP when they hold its escapes, UTF-8 when they are
// well-formed UTF-8, else code page 932, the usual charset of such bytes in
// Japanese mail.
std::string UnlabelledToUtf8(std::string_view bytes);

// Appends bytes with every ill-formed UTF-8 sequence replaced by one U+FFFD
// per byte that starts none (Unicode's "maximal subpart" is not needed for
// display).
void AppendWellFormedUtf8(std::string& out, std::string_view bytes);
bool IsWellFormedUtf8(std::string_view bytes);

// RFC 2047 encoded words of a parameter or header value decoded to UTF-8,
// each in its own charset; the blanks between two adjacent words go, the
// bytes outside words are read as UnlabelledToUtf8 reads them.
std::string EncodedWordsToUtf8(std::string_view value);

}  // namespace pelmora
