// SPDX-License-Identifier: MIT
// The searchable text of one message body: each unit (a line, or a
// quoted-printable line with its soft breaks joined) transfer-decoded,
// converted to display text and upper-cased, all units in one buffer so
// that a unit and the one before it form one contiguous text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "message/line_source.h"
#include "message/msg_item.h"

namespace pelmora {

// The character-set conversion applied to a body.
enum class BodyConversion { AsIs, Iso2022Jp, Utf8, EucJp };

// The same mapping as UpperCaseCp932 (a-z and full-width ａ-ｚ, whole
// characters only), in place over a range and without a copy; the body
// search upper-cases every byte of every body it reads.
void UpperCaseDisplayRange(char* data, std::size_t size);

struct BodyUnit {
    std::size_t begin = 0;  // in BodyText::text
    std::size_t end = 0;
    std::size_t lastLine = 0;  // index of the unit's last line in the line list
};

struct BodyText {
    std::string text;
    std::vector<BodyUnit> units;
    // The same units transfer-decoded only, before conversion.
    std::string raw;
    std::vector<BodyUnit> rawUnits;
    std::string scratch;  // joined raw lines, reused
    std::string decoded;  // transfer-decoded bytes, reused
    // A line longer than a piece is decoded piece by piece, each piece a
    // unit; what the end of one piece leaves unfinished begins the next:
    // the start of a quoted-printable escape, and the bytes of a character
    // cut in two (after an escape back into ISO-2022-JP's double-byte mode
    // when the cut fell in it). Empty between bodies.
    std::string encodedCarry;
    std::string decodedCarry;
    // False when the terms of the search cannot tell upper from lower case
    // (TermsTellCase): the text is then left as converted.
    bool upperCase = true;
};

// Where transfer-decoded bytes that a line goes on after can be cut: the
// bytes before `at` convert on their own to what they give within the whole
// line; the rest is an unfinished character. doubleByte: the cut falls in
// ISO-2022-JP's double-byte mode.
struct PieceCut {
    std::size_t at = 0;
    bool doubleByte = false;
};
PieceCut CutBeforeUnfinished(std::string_view bytes, BodyConversion conversion);

// Appends in converted to display text (not yet upper-cased).
void AppendConvertedBody(std::string& out, std::string_view in, BodyConversion conversion);

// True when line ends the body of a part with this boundary (a delimiter of
// it); never without a boundary.
bool EndsBody(std::string_view line, const std::string* boundary);

// Appends the unit that begins with line: the line itself, or for
// quoted-printable the line with the lines its soft breaks join (taken from
// more, never tested for a delimiter; lastLine counts each). Converted and
// upper-cased.
void AppendLineUnit(BodyText& body, std::string_view line, LineSource& more, std::size_t& lastLine,
                    BodyConversion conversion, bool quotedPrintable);

// The same unit transfer-decoded only, appended to raw and rawUnits. line is
// the line taken from more last. A piece of a line that goes on is one unit,
// ending where its conversion would be cut short (see BodyText's carries).
void AppendDecodedUnit(BodyText& body, std::string_view line, LineSource& more, std::size_t& lastLine,
                       bool quotedPrintable, BodyConversion conversion);

// The quoted-printable units of rest, lines that each end with LF or CR LF
// as the line reader cuts them, the first of them line firstLine, decoded
// onto raw and rawUnits as AppendDecodedUnit makes them one at a time;
// count is set to the lines. False, with raw and rawUnits as they were,
// when the line reader would not hand a line over whole (WholeLineAt), or
// soft breaks join lines up to a piece's length.
bool AppendQuotedPrintableLines(BodyText& body, std::string_view rest, std::size_t firstLine,
                                std::size_t& count);

// Replaces text and units with raw and rawUnits, each unit converted and
// upper-cased as AppendLineUnit does.
void ConvertDecodedUnits(BodyText& body, BodyConversion conversion);

// The converted, upper-cased text of the decoded base64 bytes, with CR and
// LF removed.
void FinishBase64Text(BodyText& body, BodyConversion conversion);

// Fills body with the units of lines from `first` up to the end of the list,
// or up to the line that begins with "--" + *boundary when boundary is set.
void BuildLineUnits(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                    BodyConversion conversion, bool quotedPrintable);

// Fills body with one unit: the base64 lines decoded as one text, converted,
// with CR and LF removed.
void BuildBase64Unit(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                     BodyConversion conversion);

}  // namespace pelmora
