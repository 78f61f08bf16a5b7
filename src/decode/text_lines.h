// SPDX-License-Identifier: MIT
// The lines of a small text file read whole (settings, contact cards):
// split at LF, a CR before it dropped, a UTF-8 byte order mark in front of
// the first line skipped, since an editor may have put one there.
#pragma once

#include <string_view>

namespace pelmora {

class TextLines {
public:
    explicit TextLines(std::string_view text) : m_rest(text) {
        if (m_rest.starts_with("\xEF\xBB\xBF")) m_rest.remove_prefix(3);
    }

    // The next line without its line break; false after the last one.
    bool next(std::string_view& line) {
        if (m_rest.empty()) return false;
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        return true;
    }

private:
    std::string_view m_rest;
};

}  // namespace pelmora
