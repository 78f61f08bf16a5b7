// SPDX-License-Identifier: MIT
// How list-like commands (list, dups, search) print a message list: an
// aligned table for people, TSV or JSON Lines for scripts (a contract: fields
// and escapes never change meaning) or the CSV records of the GUI's export.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text_output.h"
#include "message/msg_item.h"

namespace pelmora::ports {
class ListView;
}

namespace pelmora::cli {

enum class TableFormat { Table, Tsv, Csv, Json };

// Whether a table of this format shows the sender's and recipients' header
// bytes as read (tsv and json do).
inline bool PrintsRawAddresses(TableFormat format) {
    return format == TableFormat::Tsv || format == TableFormat::Json;
}

// "table", "tsv", "csv" or "json"; nothing for anything else.
std::optional<TableFormat> ParseTableFormat(std::string_view name);
// Takes --format=… and --encoding=…, which list, dups and search share.
// Nullopt when arg is neither; otherwise empty when taken, or the usage error.
std::optional<std::string> TakeOutputOption(std::string_view arg, TableFormat& format,
                                            OutputEncoding& encoding);

// No table is laid out wider than this: far beyond any screen, and small
// enough that the column arithmetic cannot overflow.
inline constexpr int kWidestTable = 1 << 16;

struct TableOptions {
    TableFormat format = TableFormat::Table;
    OutputEncoding encoding = OutputEncoding::Utf8;
    // TSV paths are written relative to this folder.
    std::filesystem::path baseFolder;
    // Columns of the table and the CSV, by sort key, left to right.
    std::vector<int> columnKeys = {1, 6, 2, 7, 3, 4};
    // When set, the rows it selects are flagged: a last TSV column or JSON
    // member "selected", a "*" before the table row.
    const ports::ListView* selection = nullptr;
    int terminalWidth = 80;
    // The output goes to a terminal: control bytes of texts and paths are
    // written as blanks in every format, as the table always writes them,
    // so that an ESC in a subject is shown rather than obeyed. Files and
    // pipes get the bytes.
    bool toTerminal = false;
    // When set, JSON records end with the members it gives for their row
    // (each behind a comma).
    std::function<std::string(std::size_t row)> jsonExtra;
};

void WriteMessageTable(std::ostream& out, const MsgList& list, const TableOptions& options);

// The TSV header line and one record, each without the line end.
std::string TsvHeader(bool withSelected);
std::string TsvRecord(const TMsgItem& entry, const TableOptions& options, std::optional<bool> selected);
// One JSON Lines record: an object with the TSV's fields under the TSV's
// names, texts in UTF-8 whatever the encoding option says, hasattach and
// selected as booleans. The hash stays a 16-digit hex string: JSON numbers
// lose 64-bit precision in most readers.
std::string JsonRecord(const TMsgItem& entry, const TableOptions& options, std::optional<bool> selected);

// Terminal cells taken by UTF-8 text: East Asian wide and full-width
// characters take two, combining marks none, everything else one.
int DisplayWidth(std::string_view utf8);
// text cut at a character boundary to at most width cells, then padded with
// blanks to exactly width cells (on the left when alignRight).
std::string FitToWidth(std::string_view utf8, int width, bool alignRight = false);

}  // namespace pelmora::cli
