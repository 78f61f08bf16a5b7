// SPDX-License-Identifier: MIT
// The two MIME rules every reader of a multipart body shares: which line is
// a delimiter of a boundary, and where a Content-Type names its boundary.
// The header reader, the body search and attachment removal must agree on
// both, or one of them cuts a message where another sees none.
#pragma once

#include <cstddef>
#include <string_view>

namespace pelmora {

enum class DelimiterKind { None, Part, Close };

// RFC 2046 5.1.1: "--" + boundary, optionally "--" (the close delimiter),
// then only blanks or tabs (transport padding). A line that merely begins
// with "--" + boundary, such as "--abc_alt" for the boundary "abc", is none.
// An empty boundary has no delimiters.
DelimiterKind ClassifyDelimiterLine(std::string_view line, std::string_view boundary);

// The media type ("type/subtype", case kept) of a Content-Type field given
// whole, name and colon included: the token before the first ";", trimmed;
// empty without a colon. It ends early at a blank, a comment or a
// "boundary=" that unfolding joined to it where the ";" was missing. What
// kind of body a message has is decided by this token alone, never by a
// word found elsewhere in the field, such as the "mixed" of a boundary
// "=_mixed 0042_=" on a multipart/alternative message.
std::string_view ContentMediaType(std::string_view field);

// True when a media type is multipart/<subtype>; subtype given in lower case.
bool IsMultipartType(std::string_view mediaType, std::string_view lowerSubtype);
// True for every multipart type.
bool IsMultipartType(std::string_view mediaType);

// The position just past "boundary=" in a Content-Type text, searched at or
// after from with letters folded, or npos. A parameter named "boundary" as a
// whole (after ";" or a blank) wins over a longer name that ends in it, such
// as "x-boundary="; only without one does the first "boundary=" count, since
// unfolding may have joined "multipart/mixed;" and "boundary=" without a blank.
std::size_t FindBoundaryParameter(std::string_view text, std::size_t from);

}  // namespace pelmora
