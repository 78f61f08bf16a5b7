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

}  // namespace pelmora
