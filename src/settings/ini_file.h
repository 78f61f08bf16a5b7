// SPDX-License-Identifier: MIT
// A reader for profile (INI) files that behaves like the Windows profile
// functions where it matters: section and key names without regard to ASCII
// case, the first of repeated keys wins, blanks around names and values are
// dropped, one pair of matching quotes around a value is removed, and lines
// starting with ";" are comments.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

class IniReader {
public:
    explicit IniReader(std::string_view content);

    // The value as stored, without surrounding blanks and quotes.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;

    // The lines of every section whose name is not in names, with their
    // section lines, in file order; each line ends in CR LF.
    std::string sectionsOtherThan(const std::vector<std::string_view>& names) const;

private:
    struct Line {
        std::string section;  // folded name of the section the line is in
        std::string_view text;
        bool isSection = false;
    };
    std::vector<Line> m_lines;
    std::map<std::string, std::string_view> m_values;  // folded "section\0key"
};

// How a text value is written so that IniReader gives it back unchanged:
// quoted when blanks at either end or a pair of quotes would be lost.
std::string QuoteIniValue(std::string_view value);

}  // namespace pelmora
