// SPDX-License-Identifier: MIT
// pelmora-cli attachments [--format=table|tsv|json] FILE...: one row per
// attachment of each message: path, name, media type, decoded size.
#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/message_reading.h"
#include "cli/message_table.h"
#include "cli/terminal_ports.h"
#include "cli/text_output.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli attachments [--format=table|tsv|json] [--display-names|--no-display-names] FILE...\n";

struct Row {
    std::string path, name, type;
    std::uint64_t size = 0;
};

void writeTable(std::ostream& out, const std::vector<Row>& rows) {
    int pathWidth = 4, nameWidth = 4, typeWidth = 4;
    for (const Row& row : rows) {
        pathWidth = std::max(pathWidth, DisplayWidth(row.path));
        nameWidth = std::max(nameWidth, DisplayWidth(row.name));
        typeWidth = std::max(typeWidth, DisplayWidth(row.type));
    }
    out << FitToWidth("PATH", pathWidth) << "  " << FitToWidth("NAME", nameWidth) << "  "
        << FitToWidth("TYPE", typeWidth) << "  SIZE\n";
    for (const Row& row : rows)
        out << FitToWidth(row.path, pathWidth) << "  " << FitToWidth(row.name, nameWidth) << "  "
            << FitToWidth(row.type, typeWidth) << "  " << row.size << '\n';
}

}  // namespace

int AttachmentsCommand(const Args& args) {
    TableFormat format = TableFormat::Table;
    ReaderChoices choices;
    std::vector<std::filesystem::path> files;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (arg.starts_with("--format=")) {
            const auto parsed = ParseTableFormat(std::string_view(arg).substr(9));
            if (!parsed || *parsed == TableFormat::Csv) return "unknown format '" + arg.substr(9) + "'";
            format = *parsed;
        } else if (!TakeDisplayNameOption(arg, choices)) {
            return "unknown option '" + arg + "'";
        }
        return std::nullopt;
    };
    if (auto problem = WalkArguments(args, option, [&](const std::string& arg) { files.emplace_back(arg); }))
        return UsageError("attachments", *problem, kUsage);
    if (files.empty()) return UsageError("attachments", "no file given", kUsage);

    TerminalPrompts prompts;
    ViewReader reader(choices, prompts);
    std::vector<Row> rows;
    int status = 0;
    for (const std::filesystem::path& file : files) {
        auto view = reader.read(file);
        if (!view) {
            std::cerr << "pelmora-cli attachments: " << FailureLine(view.error()) << '\n';
            status = 1;
            continue;
        }
        for (const AttachmentInfo& attachment : view->attachments)
            rows.push_back({file.string(), attachment.nameUtf8, attachment.mediaType, attachment.size});
    }
    if (format == TableFormat::Tsv) {
        std::cout << "path\tname\ttype\tsize\n";
        for (const Row& row : rows)
            std::cout << EscapeTsvField(row.path) << '\t' << EscapeTsvField(row.name) << '\t'
                      << EscapeTsvField(row.type) << '\t' << row.size << '\n';
    } else if (format == TableFormat::Json) {
        for (const Row& row : rows)
            std::cout << "{\"path\":" << JsonString(row.path) << ",\"name\":" << JsonString(row.name)
                      << ",\"type\":" << JsonString(row.type) << ",\"size\":" << row.size << "}\n";
    } else {
        writeTable(std::cout, rows);
    }
    std::cout.flush();
    return std::cout ? status : 1;
}

}  // namespace pelmora::cli
