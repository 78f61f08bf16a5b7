// SPDX-License-Identifier: MIT
#include "message/format_address.h"

#include "decode/cp932.h"
#include "message/display_name_lookup.h"

namespace pelmora {

namespace {

using View = std::string_view;

constexpr View FullWidthSpace = "\x81\x40";

// Replaces every from by to, stepping over double-byte characters whole, so
// that the second byte of a character such as ソ (0x83 0x5C) is never taken
// for a backslash.
std::string replaceAll(View text, View from, View to) {
    if (text.find(from) == View::npos) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, from.size(), from) == 0) {
            result += to;
            i += from.size();
            continue;
        }
        const bool doubleByte = IsCp932LeadByte(static_cast<std::uint8_t>(text[i])) && i + 1 < text.size();
        result.append(text, i, doubleByte ? 2 : 1);
        i += doubleByte ? 2 : 1;
    }
    return result;
}

// The bytes from position from up to the next end; empty without one.
View upTo(View text, std::size_t from, char end) {
    const std::size_t at = text.find(end, from);
    return at == View::npos ? View{} : text.substr(from, at - from);
}

View trimBlanks(View text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string FormatAddress(std::string_view text, const DisplayNameLookup* names) {
    // A name split into quoted parts around a full-width space is one name.
    constexpr View SplitName = "\x81\x40\" \"";
    std::string joined;
    View t = text;
    if (text.find(SplitName) != View::npos) t = joined = replaceAll(text, SplitName, FullWidthSpace);

    if (!t.empty() && t.front() == '"') {
        // A quoted name; without its closing quote there is none.
        const std::size_t closing = t.find('"', 2);
        t = closing == View::npos ? View{} : t.substr(1, closing - 1);
    } else {
        // The name before an address in angle brackets, or that address.
        const std::size_t angle = t.find('<');
        if (angle == 0)
            t = upTo(t, 1, '>');
        else if (angle != View::npos)
            t = t.substr(0, angle);
        // A comment in parentheses wins over both.
        if (const std::size_t open = t.find('('); open != View::npos) t = upTo(t, open + 1, ')');
    }

    // Blanks around it go; escaped parentheses show as plain ones.
    t = trimBlanks(t);
    std::string result =
        t.find('\\') == View::npos ? std::string(t) : replaceAll(replaceAll(t, "\\(", "("), "\\)", ")");

    // The address book's name for a bare address.
    if (names != nullptr && result.find('@') != std::string::npos)
        if (const std::string* name = names->LookupDisplayName(result)) return *name;
    return result;
}

}  // namespace pelmora
