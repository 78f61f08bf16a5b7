// SPDX-License-Identifier: MIT
#include "addressbook/display_names.h"

#include <algorithm>
#include <utility>

#include "addressbook/source_lines.h"
#include "decode/text.h"

namespace pelmora {

namespace addressbook {

std::string_view TrimAsciiSpace(std::string_view text) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

void AddSourceLine(std::vector<std::string>& lines, std::string_view address, std::string_view name) {
    address = TrimAsciiSpace(address);
    name = TrimAsciiSpace(name);
    // An address with a control byte (a line break from a malformed card)
    // would break the line, and no header address could ever match it.
    const bool controlInAddress = std::any_of(address.begin(), address.end(),
                                              [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (address.empty() || name.empty() || address.find(',') != std::string_view::npos || controlInAddress)
        return;
    std::string line(address);
    line += ',';
    for (char c : name) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    lines.push_back(std::move(line));
}

}  // namespace addressbook

void DisplayNameDirectory::Clear() {
    m_addresses.clear();
    m_names.clear();
}

void DisplayNameDirectory::Append(std::string address, std::string name) {
    m_addresses.push_back(std::move(address));
    m_names.push_back(std::move(name));
}

const std::string* DisplayNameDirectory::LookupDisplayName(std::string_view address) const {
    auto found = std::lower_bound(m_addresses.begin(), m_addresses.end(), address,
                                  [](const std::string& entry, std::string_view wanted) {
                                      return CompareTextNoCase(entry, wanted) < 0;
                                  });
    if (found == m_addresses.end() || CompareTextNoCase(*found, address) != 0) return nullptr;
    return &m_names[static_cast<std::size_t>(found - m_addresses.begin())];
}

std::vector<std::size_t> MergeSourceLines(DisplayNameDirectory& directory,
                                          std::vector<std::vector<std::string>> sources) {
    struct Line {
        std::string_view address;
        std::string_view name;
        std::size_t source;
    };
    std::vector<Line> all;
    std::size_t total = 0;
    for (const auto& lines : sources) total += lines.size();
    all.reserve(total);
    for (std::size_t source = 0; source < sources.size(); ++source) {
        for (const std::string& line : sources[source]) {
            std::string_view text(line);
            std::size_t comma = text.find(',');
            if (comma == std::string_view::npos)
                all.push_back({text, {}, source});
            else
                all.push_back({text.substr(0, comma), text.substr(comma + 1), source});
        }
    }
    // The lines are ordered by their address first, not by the whole line:
    // an address followed by a byte below the comma (a blank, "+", ...)
    // would otherwise sort a longer address ahead of its own prefix and the
    // address list would not be sorted for the lookup. Among the lines of
    // one address (letter case aside) the earliest source comes first; then
    // letter case decides, so byte-equal addresses stay together and the
    // result never depends on the order the files were found in.
    auto before = [](const Line& a, const Line& b) {
        if (int order = CompareTextNoCase(a.address, b.address)) return order < 0;
        if (a.source != b.source) return a.source < b.source;
        if (int order = a.address.compare(b.address)) return order < 0;
        if (int order = CompareTextNoCase(a.name, b.name)) return order < 0;
        return a.name < b.name;
    };
    std::sort(all.begin(), all.end(), before);
    std::vector<std::size_t> counts(sources.size(), 0);
    std::size_t groupStart = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Line& line = all[i];
        const bool newGroup = i == 0 || CompareTextNoCase(all[groupStart].address, line.address) != 0;
        // Each source counts an address once, whichever case it wrote.
        if (newGroup || all[i - 1].source != line.source) ++counts[line.source];
        if (newGroup) groupStart = i;
        // A later source does not rename an address an earlier one named.
        if (line.source != all[groupStart].source) continue;
        if (!directory.empty() && directory.addresses().back() == line.address) continue;
        directory.Append(std::string(line.address), std::string(line.name));
    }
    return counts;
}

void MergeAddressLines(DisplayNameDirectory& directory, std::vector<std::string> lines) {
    std::vector<std::vector<std::string>> sources;
    sources.push_back(std::move(lines));
    MergeSourceLines(directory, std::move(sources));
}

}  // namespace pelmora
