// SPDX-License-Identifier: MIT
#include "message/mime_boundary.h"

#include "decode/ascii.h"

namespace pelmora {

namespace {

bool isPadding(char c) {
    return c == ' ' || c == '\t';
}

bool onlyPadding(std::string_view rest) {
    for (char c : rest)
        if (!isPadding(c)) return false;
    return true;
}

// A parameter name starts after ";" or after a blank or control byte that
// unfolding left behind.
bool startsName(char before) {
    return before == ';' || static_cast<unsigned char>(before) <= 32;
}

}  // namespace

DelimiterKind ClassifyDelimiterLine(std::string_view line, std::string_view boundary) {
    if (boundary.empty() || line.size() < boundary.size() + 2 || line[0] != '-' || line[1] != '-' ||
        line.substr(2, boundary.size()) != boundary)
        return DelimiterKind::None;
    std::string_view rest = line.substr(boundary.size() + 2);
    if (onlyPadding(rest)) return DelimiterKind::Part;
    if (rest.starts_with("--") && onlyPadding(rest.substr(2))) return DelimiterKind::Close;
    return DelimiterKind::None;
}

std::string_view ContentMediaType(std::string_view field) {
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos) return field.substr(0, 0);
    std::string_view value = field.substr(colon + 1);
    while (!value.empty() && static_cast<unsigned char>(value.front()) <= 32) value.remove_prefix(1);
    std::size_t end = 0;
    while (end < value.size() && value[end] != ';' && value[end] != '(' &&
           static_cast<unsigned char>(value[end]) > 32)
        ++end;
    value = value.substr(0, end);
    return value.substr(0, ascii::FindNoCase(value, "boundary="));
}

bool IsMultipartType(std::string_view mediaType, std::string_view lowerSubtype) {
    return ascii::StartsWithNoCase(mediaType, "multipart/") &&
           ascii::EqualsNoCase(mediaType.substr(10), lowerSubtype);
}

bool IsMultipartType(std::string_view mediaType) {
    return ascii::EqualsNoCase(mediaType.substr(0, mediaType.find('/')), "multipart");
}

std::size_t FindBoundaryParameter(std::string_view text, std::size_t from) {
    constexpr std::string_view key = "boundary=";
    std::size_t first = std::string_view::npos;
    for (std::size_t at = from; at + key.size() <= text.size(); ++at) {
        if (!ascii::StartsWithNoCase(text.substr(at), key)) continue;
        if (at == 0 || startsName(text[at - 1])) return at + key.size();
        if (first == std::string_view::npos) first = at + key.size();
    }
    return first;
}

}  // namespace pelmora
