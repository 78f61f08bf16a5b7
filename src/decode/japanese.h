// SPDX-License-Identifier: MIT
// Conversions of the encodings Japanese mail uses into display text
// (Shift_JIS as code page 932 defines it), and the known charset names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pelmora {

std::pair<std::uint8_t, std::uint8_t> JisToSjisPair(std::uint8_t j1, std::uint8_t j2);
std::string Iso2022JpToSjis(std::string_view text);
// The same conversion appended to out, and in place (the result is never
// longer than the text); both copy runs of single-byte text at once.
void AppendIso2022JpAsSjis(std::string& out, std::string_view text);
void Iso2022JpToSjisInPlace(std::string& text);
std::string EucJpToIso2022Jp(std::string_view text);
// A Shift_JIS code (below 256: one byte) or 0 for "no code".
std::uint16_t UnicodeToSjis(char32_t codePoint);

struct Utf8Char {
    std::size_t length;  // bytes of the sequence taken from the text
    std::string sjis;    // the sequence converted
};
Utf8Char Utf8NextChar(std::string_view text);
std::string Utf8ToSjis(std::string_view text);
// A character code page 932 lacks, and each byte that starts no well-formed
// sequence, becomes one "?", so a word that carried text never decodes to
// nothing. Used for encoded words and for every UTF-8 text shown as display
// text: paths, contact names, the system's reasons.
std::string Utf8ToAnsi(std::string_view text);
// Utf8ToSjis and Utf8ToAnsi appending to out, building no string per
// character: every body line and encoded name of Japanese mail passes here.
void AppendUtf8AsSjis(std::string& out, std::string_view text);
void AppendUtf8AsAnsi(std::string& out, std::string_view text);

enum class CharsetKind { AsIs = 0, Iso2022Jp = 1, Utf8 = 2, EucJp = 3 };
// Lookup in the known charset names, without regard to case.
std::optional<CharsetKind> KnownCharsets(std::string_view name);

}  // namespace pelmora
