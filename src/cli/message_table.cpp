// SPDX-License-Identifier: MIT
#include "cli/message_table.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <numeric>
#include <sstream>

#include "catalogue/ordering.h"
#include "decode/cp932.h"
#include "decode/japanese.h"
#include "operations/export_csv.h"

namespace pelmora::cli {

namespace {

constexpr const char* kTsvColumns[] = {"path",         "from",      "to",       "subject",   "sentdatetext",
                                       "recvdatetext", "messageid", "boundary", "hasattach", "fromraw",
                                       "toraw",        "sizekb",    "duphash"};

// The path of entry below base, as the user named base; the full path when
// the entry lies elsewhere.
std::string relativePath(const std::string& fileName, const std::filesystem::path& base) {
    std::string prefix = base.string();
    if (prefix.empty()) return fileName;
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix != "/") prefix += '/';
    if (fileName.starts_with(prefix)) return fileName.substr(prefix.size());
    return fileName;
}

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool isCombining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || c == 0x3099 || c == 0x309A || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0x200B;
}

// The character at text[i] and its length in bytes; a stray byte is one
// character of its own.
std::pair<char32_t, std::size_t> nextChar(std::string_view text, std::size_t i) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    if (i + length > text.size()) return {byte, 1};
    char32_t c = length == 1 ? byte : byte & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return {byte, 1};
        c = (c << 6) | (next & 0x3F);
    }
    return {c, length};
}

int charWidth(char32_t c) {
    return isCombining(c) ? 0 : isWide(c) ? 2 : 1;
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// Control bytes as blanks, except those that keep: the separators of the
// format. They are ASCII in either output encoding (no code page 932 second
// byte takes their values), so the text needs no decoding for it.
void blankControls(std::string& text, std::string_view kept) {
    for (char& c : text)
        if (isControl(c) && kept.find(c) == std::string_view::npos) c = ' ';
}

// CSV for a terminal: the CR LF that ends a record stays; every other
// control byte, a line break inside a quoted field too, becomes a blank.
void blankCsvControls(std::string& csv) {
    bool quoted = false;
    for (char& c : csv) {
        if (c == '"') quoted = !quoted;
        if (isControl(c) && (quoted || (c != '\r' && c != '\n'))) c = ' ';
    }
}

// A cell as the table shows it: UTF-8, control bytes as blanks so that one
// message stays on one aligned line.
std::string tableCell(const TMsgItem& entry, int key) {
    std::string cp932 = CellFor(entry, key).text;
    if (key == KeySender && !cp932.empty() && cp932.front() == ' ') cp932.erase(0, 1);
    blankControls(cp932, "");
    return Cp932ToUtf8(cp932);
}

bool isFlexible(int key) {
    return key == KeySender || key == KeyRecipients || key == KeySubject;
}

// Flexible columns share what the fixed ones leave: each gets what it needs
// when that is less than its share, the rest is divided among the others.
// The subject is what people read a list for, so its share counts twice.
std::vector<int> columnWidths(const std::vector<int>& keys, const std::vector<int>& natural, int available) {
    std::vector<int> widths = natural;
    std::vector<std::size_t> flexible;
    int fixedTotal = 0;
    for (std::size_t c = 0; c < keys.size(); ++c) {
        if (isFlexible(keys[c]))
            flexible.push_back(c);
        else
            fixedTotal += natural[c];
    }
    if (flexible.empty()) return widths;
    constexpr int kMinimum = 6;
    int remaining = std::max(available - fixedTotal, kMinimum * static_cast<int>(flexible.size()));
    std::sort(flexible.begin(), flexible.end(),
              [&natural](auto a, auto b) { return natural[a] < natural[b]; });
    auto weight = [&keys](std::size_t c) { return keys[c] == KeySubject ? 2 : 1; };
    int weightLeft = 0;
    for (std::size_t c : flexible) weightLeft += weight(c);
    for (std::size_t c : flexible) {
        int share = remaining * weight(c) / weightLeft;
        weightLeft -= weight(c);
        widths[c] = std::min(natural[c], std::max(share, kMinimum));
        remaining -= widths[c];
    }
    return widths;
}

void writeTable(std::ostream& out, const MsgList& list, const TableOptions& options) {
    const std::vector<int>& keys = options.columnKeys;
    std::vector<std::vector<std::string>> rows;
    rows.reserve(list.size() + 1);
    rows.emplace_back();
    for (int key : keys) rows.back().push_back(Cp932ToUtf8(BaseCaption(key)));
    for (const auto& entry : list) {
        rows.emplace_back();
        for (int key : keys) rows.back().push_back(tableCell(*entry, key));
    }
    std::vector<int> natural(keys.size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < keys.size(); ++c) natural[c] = std::max(natural[c], DisplayWidth(row[c]));

    const std::string separator = "  ";
    const int marker = options.selection ? 2 : 0;
    int overhead =
        marker + static_cast<int>(separator.size()) * static_cast<int>(keys.empty() ? 0 : keys.size() - 1);
    // Clamped before any arithmetic: a width near INT_MAX would overflow
    // the shares of the flexible columns.
    const int width = std::clamp(options.terminalWidth, 1, kWidestTable);
    std::vector<int> widths = columnWidths(keys, natural, width - overhead);

    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::string line;
        if (options.selection)
            line += (r > 0 && options.selection->isSelected(static_cast<int>(r - 1))) ? "* " : "  ";
        for (std::size_t c = 0; c < keys.size(); ++c) {
            if (c > 0) line += separator;
            line += FitToWidth(rows[r][c], widths[c], keys[c] == KeySize);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << (options.encoding == OutputEncoding::Cp932 ? Utf8ToAnsi(line) : line) << '\n';
    }
}

}  // namespace

std::optional<TableFormat> ParseTableFormat(std::string_view name) {
    if (name == "table") return TableFormat::Table;
    if (name == "tsv") return TableFormat::Tsv;
    if (name == "csv") return TableFormat::Csv;
    if (name == "json") return TableFormat::Json;
    return std::nullopt;
}

std::optional<std::string> TakeOutputOption(std::string_view arg, TableFormat& format,
                                            OutputEncoding& encoding) {
    if (arg.starts_with("--format=")) {
        auto parsed = ParseTableFormat(arg.substr(9));
        if (!parsed) return "unknown format '" + std::string(arg.substr(9)) + "'";
        format = *parsed;
        return std::string();
    }
    if (arg.starts_with("--encoding=")) {
        auto parsed = ParseOutputEncoding(arg.substr(11));
        if (!parsed) return "unknown encoding '" + std::string(arg.substr(11)) + "'";
        encoding = *parsed;
        return std::string();
    }
    return std::nullopt;
}

std::string TsvHeader(bool withSelected) {
    std::string line;
    for (const char* name : kTsvColumns) {
        if (!line.empty()) line += '\t';
        line += name;
    }
    if (withSelected) line += "\tselected";
    return line;
}

std::string JsonRecord(const TMsgItem& e, const TableOptions& options, std::optional<bool> selected) {
    std::string line = "{";
    auto member = [&line](const char* name, std::string_view json) {
        if (line.size() > 1) line += ',';
        line += '"';
        line += name;
        line += "\":";
        line += json;
    };
    const std::string_view texts[] = {e.From,         e.To,        e.Subject, e.SentDateText,
                                      e.RecvDateText, e.MessageId, e.Boundary};
    const std::string_view rawTexts[] = {e.FromRaw, e.ToRaw, e.SizeKB};
    std::size_t column = 0;
    member(kTsvColumns[column++], JsonString(relativePath(e.FileName, options.baseFolder)));
    for (std::string_view text : texts) member(kTsvColumns[column++], JsonString(Cp932ToUtf8(text)));
    member(kTsvColumns[column++], e.HasAttach ? "true" : "false");
    for (std::string_view text : rawTexts) member(kTsvColumns[column++], JsonString(Cp932ToUtf8(text)));
    char hash[19];
    std::snprintf(hash, sizeof hash, "\"%016" PRIx64 "\"", static_cast<std::uint64_t>(e.DupHash));
    member(kTsvColumns[column], hash);
    if (selected) member("selected", *selected ? "true" : "false");
    line += '}';
    return line;
}

std::string TsvRecord(const TMsgItem& e, const TableOptions& options, std::optional<bool> selected) {
    OutputEncoding encoding = options.encoding;
    std::string path = relativePath(e.FileName, options.baseFolder);
    if (encoding == OutputEncoding::Cp932) path = Utf8ToAnsi(path);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016" PRIx64, static_cast<std::uint64_t>(e.DupHash));

    std::string line = EscapeTsvField(path, encoding);
    for (std::string_view text :
         {std::string_view(e.From), std::string_view(e.To), std::string_view(e.Subject),
          std::string_view(e.SentDateText), std::string_view(e.RecvDateText), std::string_view(e.MessageId),
          std::string_view(e.Boundary)}) {
        line += '\t';
        line += TsvField(text, encoding);
    }
    line += e.HasAttach ? "\t1" : "\t0";
    for (std::string_view text : {e.FromRaw.view(), e.ToRaw.view(), e.SizeKB.view()}) {
        line += '\t';
        line += TsvField(text, encoding);
    }
    line += '\t';
    line += hash;
    if (selected) line += *selected ? "\t1" : "\t0";
    // The escapes left no TAB inside a field: those that remain separate.
    if (options.toTerminal) blankControls(line, "\t");
    return line;
}

void WriteMessageTable(std::ostream& out, const MsgList& list, const TableOptions& options) {
    switch (options.format) {
        case TableFormat::Table:
            writeTable(out, list, options);
            break;
        case TableFormat::Tsv: {
            out << TsvHeader(options.selection != nullptr) << '\n';
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::optional<bool> selected;
                if (options.selection) selected = options.selection->isSelected(static_cast<int>(i));
                out << TsvRecord(*list[i], options, selected) << '\n';
            }
            break;
        }
        case TableFormat::Json:
            for (std::size_t i = 0; i < list.size(); ++i) {
                std::optional<bool> selected;
                if (options.selection) selected = options.selection->isSelected(static_cast<int>(i));
                std::string record = JsonRecord(*list[i], options, selected);
                if (options.jsonExtra) record.insert(record.size() - 1, options.jsonExtra(i));
                out << record << '\n';
            }
            break;
        case TableFormat::Csv: {
            std::ostringstream cp932;
            WriteMessageList(cp932, options.columnKeys, list);
            std::string csv = ForOutput(cp932.str(), options.encoding);
            if (options.toTerminal) blankCsvControls(csv);
            out << csv;
            break;
        }
    }
}

int DisplayWidth(std::string_view utf8) {
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        auto [c, length] = nextChar(utf8, i);
        width += charWidth(c);
        i += length;
    }
    return width;
}

std::string FitToWidth(std::string_view utf8, int width, bool alignRight) {
    std::size_t end = 0;
    int used = 0;
    while (end < utf8.size()) {
        auto [c, length] = nextChar(utf8, end);
        if (used + charWidth(c) > width) break;
        used += charWidth(c);
        end += length;
    }
    std::string padding(static_cast<std::size_t>(std::max(width - used, 0)), ' ');
    std::string text(utf8.substr(0, end));
    return alignRight ? padding + text : text + padding;
}

}  // namespace pelmora::cli
