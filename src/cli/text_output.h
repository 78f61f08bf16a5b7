// SPDX-License-Identifier: MIT
// How pelmora-cli writes display text: the output encoding chosen with
// --encoding= and the escapes that keep one value on one TSV line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::cli {

enum class OutputEncoding { Utf8, Cp932 };

// The value of --encoding= ("utf-8", "utf8" or "cp932", any case);
// nothing for an unknown name.
std::optional<OutputEncoding> ParseOutputEncoding(std::string_view name);

// Display text (code page 932) in the chosen output encoding.
std::string ForOutput(std::string_view cp932, OutputEncoding encoding);

// Backslash, TAB, CR and LF as \\, \t, \r and \n, in text that is already
// in `encoding`. For cp932 the walk is character-aware: a second byte 0x5C
// (as in ソ, 0x83 0x5C) belongs to its character and is not escaped.
std::string EscapeTsvField(std::string_view text, OutputEncoding encoding = OutputEncoding::Utf8);

// One TSV field from display text: converted, then escaped.
std::string TsvField(std::string_view cp932, OutputEncoding encoding);

// A JSON string (RFC 8259) holding UTF-8 text, quotes included. JSON must be
// UTF-8, so a byte that is not part of a well-formed sequence (a file name
// in another encoding) becomes U+FFFD.
std::string JsonString(std::string_view utf8);

}  // namespace pelmora::cli
