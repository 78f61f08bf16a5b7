// SPDX-License-Identifier: MIT
#include "settings/ini_file.h"

#include <algorithm>

#include "decode/ascii.h"
#include "decode/text_lines.h"

namespace pelmora {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string foldAscii(std::string_view text) {
    return ascii::ToUpper(text);
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string valueKey(std::string_view section, std::string_view key) {
    std::string folded = foldAscii(section);
    folded.push_back('\0');
    folded += foldAscii(key);
    return folded;
}

}  // namespace

IniReader::IniReader(std::string_view content) {
    std::string section;
    bool inSection = false;
    TextLines lines(content);
    std::string_view raw;
    while (lines.next(raw)) {
        std::string_view text = trimBlanks(raw);
        if (text.starts_with('[')) {
            std::size_t close = text.find(']');
            section =
                foldAscii(trimBlanks(text.substr(1, close == std::string_view::npos ? close : close - 1)));
            inSection = true;
            m_lines.push_back({section, raw, true});
            continue;
        }
        m_lines.push_back({section, raw, false});
        if (!inSection || text.empty() || text.front() == ';') continue;
        std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view key = trimBlanks(text.substr(0, equals));
        if (key.empty()) continue;
        m_values.try_emplace(valueKey(section, key), unquote(trimBlanks(text.substr(equals + 1))));
    }
}

std::optional<std::string_view> IniReader::value(std::string_view section, std::string_view key) const {
    auto found = m_values.find(valueKey(section, key));
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

std::string IniReader::sectionsOtherThan(const std::vector<std::string_view>& names) const {
    std::vector<std::string> folded;
    for (std::string_view name : names) folded.push_back(foldAscii(name));
    std::string kept;
    bool keeping = false;
    for (const Line& line : m_lines) {
        if (line.isSection) keeping = std::find(folded.begin(), folded.end(), line.section) == folded.end();
        if (keeping) {
            kept += line.text;
            kept += "\r\n";
        }
    }
    return kept;
}

std::string QuoteIniValue(std::string_view value) {
    bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                          unquote(value).size() != value.size());
    if (!needsQuotes) return std::string(value);
    std::string quoted = "\"";
    quoted += value;
    quoted += '"';
    return quoted;
}

}  // namespace pelmora
