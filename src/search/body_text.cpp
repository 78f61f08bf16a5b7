// SPDX-License-Identifier: MIT
#include "search/body_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decode/ascii.h"
#include "decode/byte_words.h"
#include "decode/cp932.h"
#include "decode/japanese.h"
#include "decode/text.h"
#include "decode/transfer.h"
#include "message/line_reader.h"
#include "message/mime_boundary.h"
#include "search/whole_text.h"

namespace pelmora {

namespace {

bool hasEscape(std::string_view s) {
    return std::memchr(s.data(), 0x1b, s.size()) != nullptr;
}

}  // namespace

void AppendConvertedBody(std::string& out, std::string_view in, BodyConversion conversion) {
    switch (conversion) {
        case BodyConversion::AsIs:
            out.append(in);
            return;
        case BodyConversion::Iso2022Jp:
            AppendIso2022JpAsSjis(out, in);
            return;
        case BodyConversion::Utf8:
            AppendUtf8AsSjis(out, in);
            return;
        case BodyConversion::EucJp:
            if (words::HasHighByte(in) || hasEscape(in))
                AppendIso2022JpAsSjis(out, EucJpToIso2022Jp(in));
            else
                out.append(in);
            return;
    }
}

namespace {

void appendConverted(std::string& out, std::string_view in, BodyConversion conversion) {
    AppendConvertedBody(out, in, conversion);
}

}  // namespace

bool EndsBody(std::string_view line, const std::string* boundary) {
    return boundary != nullptr && ClassifyDelimiterLine(line, *boundary) != DelimiterKind::None;
}

void UpperCaseDisplayRange(char* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        const auto byte = static_cast<std::uint8_t>(data[i]);
        if (byte < 0x80) {
            // A run of single-byte characters: eight at a time while the
            // next eight are all of them, then one by one up to the next
            // double-byte character. Japanese text thus costs no wasted
            // eight-byte tests.
            while (i + 8 <= size) {
                std::uint64_t word;
                std::memcpy(&word, data + i, 8);
                if ((word & words::kHighBits) != 0) break;
                word = words::UpperCaseLetters(word);
                std::memcpy(data + i, &word, 8);
                i += 8;
            }
            for (; i < size && static_cast<std::uint8_t>(data[i]) < 0x80; ++i)
                data[i] = ascii::ToUpper(data[i]);
        } else if (IsCp932LeadByte(byte) && i + 1 < size) {
            const auto trail = static_cast<std::uint8_t>(data[i + 1]);
            if (IsFullWidthSmallLetter(byte, trail))
                data[i + 1] = static_cast<char>(FullWidthCapitalTrail(trail));
            i += 2;
        } else {
            ++i;
        }
    }
}

namespace {

// The transfer-decoded bytes of the unit that begins with line, in one of
// body's buffers or line itself.
std::string_view decodeUnit(BodyText& body, std::string_view line, LineSource& more, std::size_t& lastLine,
                            bool quotedPrintable) {
    if (!quotedPrintable) return line;
    // Soft line breaks: a line ending in "=" goes on in the next line,
    // which is never taken for a delimiter.
    std::string& joined = body.scratch;
    joined = line;
    std::string_view following;
    while (joined.ends_with('=') && more.next(following)) {
        joined.pop_back();
        joined += following;
        ++lastLine;
    }
    if (joined.find('=') == std::string::npos) return joined;
    body.decoded.clear();
    AppendQuotedPrintableDecoded(body.decoded, joined);
    return body.decoded;
}

}  // namespace

void AppendLineUnit(BodyText& body, std::string_view line, LineSource& more, std::size_t& lastLine,
                    BodyConversion conversion, bool quotedPrintable) {
    BodyUnit unit;
    unit.begin = body.text.size();
    appendConverted(body.text, decodeUnit(body, line, more, lastLine, quotedPrintable), conversion);
    unit.end = body.text.size();
    unit.lastLine = lastLine;
    if (body.upperCase) UpperCaseDisplayRange(body.text.data() + unit.begin, unit.end - unit.begin);
    body.units.push_back(unit);
}

namespace {

// The bytes an escape left open at the end of a piece: "=" or "=" and one
// digit, to be decoded with what follows them.
std::size_t openEscapeLength(std::string_view piece) {
    const std::size_t n = piece.size();
    if (n >= 1 && piece[n - 1] == '=') return 1;
    if (n >= 2 && piece[n - 2] == '=') return 2;
    return 0;
}

// The quoted-printable unit that begins with line, decoded onto body.raw.
void appendQuotedPrintableUnit(BodyText& body, std::string_view line, LineSource& more,
                               std::size_t& lastLine) {
    // decodeUnit without its copies: a line with no soft break is decoded
    // straight from the reader's buffer.
    std::string_view joined = line;
    if (!body.encodedCarry.empty() || (more.place().ends && line.ends_with('='))) {
        body.scratch.swap(body.encodedCarry);
        body.encodedCarry.clear();
        body.scratch += line;
        // Soft breaks join lines up to a piece's length: a body made of
        // them alone is read in pieces too.
        std::string_view following;
        while (more.place().ends && body.scratch.ends_with('=')) {
            if (body.scratch.size() >= kLinePieceBytes) {
                body.scratch.pop_back();
                break;
            }
            if (!more.next(following)) break;
            body.scratch.pop_back();
            body.scratch += following;
            ++lastLine;
        }
        joined = body.scratch;
    }
    if (!more.place().ends) {
        const std::size_t open = openEscapeLength(joined);
        body.encodedCarry.assign(joined.substr(joined.size() - open));
        joined.remove_suffix(open);
    }
    AppendQuotedPrintableDecoded(body.raw, joined);
}

bool isCp932Lead(char c) {
    return IsCp932LeadByte(static_cast<std::uint8_t>(c));
}

std::uint8_t byteOf(char c) {
    return static_cast<std::uint8_t>(c);
}

}  // namespace

PieceCut CutBeforeUnfinished(std::string_view bytes, BodyConversion conversion) {
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    switch (conversion) {
        case BodyConversion::AsIs:
            // Unconverted, but upper-cased and searched by whole characters.
            while (i < n && !(isCp932Lead(bytes[i]) && i + 1 == n)) i += isCp932Lead(bytes[i]) ? 2 : 1;
            return {i, false};
        case BodyConversion::Utf8:
            return {SafeConversionCut(bytes, conversion), false};
        case BodyConversion::Iso2022Jp: {
            // The steps of the conversion: a three-byte escape, a pair in
            // double-byte mode, one byte otherwise.
            bool doubleByte = false;
            for (;;) {
                const std::size_t step = i < n && bytes[i] == '\x1B' ? 3 : doubleByte ? 2 : 1;
                if (i + step > n) return {i, doubleByte};
                if (step == 3 && bytes[i + 1] == '$') doubleByte = true;
                if (step == 3 && bytes[i + 1] == '(') doubleByte = false;
                i += step;
            }
        }
        case BodyConversion::EucJp:
            // Bytes above 0x80 pair from the left; the last may wait for its
            // partner.
            while (i < n) {
                if (byteOf(bytes[i]) <= 0x80) {
                    ++i;
                } else if (i + 1 == n) {
                    break;
                } else {
                    i += byteOf(bytes[i + 1]) > 0x80 ? 2 : 1;
                }
            }
            return {i, false};
    }
    return {n, false};
}

void AppendDecodedUnit(BodyText& body, std::string_view line, LineSource& more, std::size_t& lastLine,
                       bool quotedPrintable, BodyConversion conversion) {
    BodyUnit unit;
    unit.begin = body.raw.size();
    body.raw += body.decodedCarry;
    body.decodedCarry.clear();
    if (!quotedPrintable)
        body.raw += line;
    else
        appendQuotedPrintableUnit(body, line, more, lastLine);
    if (!more.place().ends) {
        // The unit ends where its own conversion gives what the whole line
        // would; the rest waits for the next piece.
        const PieceCut cut = CutBeforeUnfinished(std::string_view(body.raw).substr(unit.begin), conversion);
        if (cut.doubleByte) body.decodedCarry = "\x1B$B";
        body.decodedCarry.append(body.raw, unit.begin + cut.at);
        body.raw.resize(unit.begin + cut.at);
    }
    unit.end = body.raw.size();
    unit.lastLine = lastLine;
    body.rawUnits.push_back(unit);
}

bool AppendQuotedPrintableLines(BodyText& body, std::string_view rest, std::size_t firstLine,
                                std::size_t& count) {
    const std::size_t rawSize = body.raw.size(), unitCount = body.rawUnits.size();
    const char* at = rest.data();
    const char* const end = at + rest.size();
    count = 0;
    // The next line without its end, when the line reader would hand it
    // over whole.
    const auto nextLine = [&](std::string_view& line) {
        const std::size_t taken = WholeLineAt(at, end, kLinePieceBytes, line);
        at += taken;
        count += taken > 0 ? 1 : 0;
        return taken > 0;
    };
    const auto giveUp = [&] {
        body.raw.resize(rawSize);
        body.rawUnits.resize(unitCount);
        return false;
    };
    for (std::size_t lastLine = firstLine; at < end; ++lastLine) {
        std::string_view joined;
        if (!nextLine(joined)) return giveUp();
        if (joined.ends_with('=')) {
            body.scratch.assign(joined);
            while (body.scratch.ends_with('=') && at < end) {
                std::string_view following;
                if (body.scratch.size() >= kLinePieceBytes || !nextLine(following)) return giveUp();
                body.scratch.pop_back();
                body.scratch += following;
                ++lastLine;
            }
            joined = body.scratch;
        }
        const std::size_t begin = body.raw.size();
        AppendQuotedPrintableDecoded(body.raw, joined);
        body.rawUnits.push_back({begin, body.raw.size(), lastLine});
    }
    return true;
}

void ConvertDecodedUnits(BodyText& body, BodyConversion conversion) {
    body.text.clear();
    body.units.clear();
    for (const BodyUnit& raw : body.rawUnits) {
        BodyUnit unit;
        unit.begin = body.text.size();
        appendConverted(body.text, std::string_view(body.raw).substr(raw.begin, raw.end - raw.begin),
                        conversion);
        unit.end = body.text.size();
        unit.lastLine = raw.lastLine;
        if (body.upperCase) UpperCaseDisplayRange(body.text.data() + unit.begin, unit.end - unit.begin);
        body.units.push_back(unit);
    }
}

void FinishBase64Text(BodyText& body, BodyConversion conversion) {
    body.text.clear();
    appendConverted(body.text, body.decoded, conversion);
    std::erase_if(body.text, [](char c) { return c == '\r' || c == '\n'; });
    if (body.upperCase) UpperCaseDisplayRange(body.text.data(), body.text.size());
}

void BuildLineUnits(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                    BodyConversion conversion, bool quotedPrintable) {
    body.text.clear();
    body.units.clear();
    LineListSource source(lines);
    std::string_view line;
    for (std::size_t i = 0; i < first && source.next(line); ++i) {
    }
    for (std::size_t i = first; source.next(line); ++i) {
        if (EndsBody(line, boundary)) break;
        AppendLineUnit(body, line, source, i, conversion, quotedPrintable);
    }
}

void BuildBase64Unit(BodyText& body, const LineList& lines, std::size_t first, const std::string* boundary,
                     BodyConversion conversion) {
    body.units.clear();
    body.decoded.clear();
    Base64Stream base64;
    for (std::size_t i = first; i < lines.size() && !EndsBody(lines[i], boundary); ++i)
        base64.append(body.decoded, lines[i]);
    base64.finish(body.decoded);
    FinishBase64Text(body, conversion);
    body.units.push_back({0, body.text.size(), lines.empty() ? 0 : lines.size() - 1});
}

}  // namespace pelmora
