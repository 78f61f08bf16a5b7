// SPDX-License-Identifier: MIT
// Transfer decoders: base64 and quoted-printable for bodies, the B and Q
// encodings for the text of one encoded word in a header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

int Base64CharValue(std::uint8_t byte);
std::string Base64Decode(std::string_view text);
std::string QuotedPrintableDecode(std::string_view text);
std::string EncodedWordBDecode(std::string_view encoded);
// Never fails: an "=" without two hexadecimal digits after it is kept.
std::string EncodedWordQDecode(std::string_view encoded);

// The four decoders appending to out instead of returning a new string, so
// a caller decoding line after line or word after word reuses one buffer.
void AppendBase64Decoded(std::string& out, std::string_view text);
void AppendQuotedPrintableDecoded(std::string& out, std::string_view text);
void AppendEncodedWordBDecoded(std::string& out, std::string_view encoded);
void AppendEncodedWordQDecoded(std::string& out, std::string_view encoded);

// Base64 given in pieces, such as the lines of a body: a group goes on from
// one piece into the next, so the lines may be cut at any width. A pad
// character ends its group; AppendBase64Decoded is one piece and finish().
class Base64Stream {
public:
    void append(std::string& out, std::string_view text);
    // The bytes of a group left open at the end of the text.
    void finish(std::string& out);

private:
    static char* putGroup(char* put, std::uint32_t group);
    char* putOpenGroup(char* put);

    std::uint32_t m_group = 0;
    int m_count = 0;
};

}  // namespace pelmora
