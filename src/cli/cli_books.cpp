// SPDX-License-Identifier: MIT
// pelmora-cli books: the address books that give the message list its
// display names (the same ones, in the same order, as the window reads),
// how many addresses each gave, and those skipped with the reason.
#include <algorithm>
#include <iostream>
#include <string_view>
#include <vector>

#include "addressbook/address_books.h"
#include "addressbook/contacts_folder.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/message_table.h"
#include "cli/terminal_ports.h"
#include "cli/text_output.h"
#include "decode/japanese.h"
#include "message/format.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "texts/texts.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli books [--format=table|tsv|json] [--encoding=utf-8|cp932]\n";

int usageError(std::string_view problem) {
    return UsageError("books", problem, kUsage);
}

// "128 件", or "読み飛ばし" (display text).
std::string countText(const BookReport& book) {
    if (book.status != BookStatus::Read) return std::string(text::kBookSkipped);
    return FormatCount(static_cast<std::int64_t>(book.addresses)) + std::string(text::kAddressesSuffix);
}

std::string utf8(std::string_view cp932) {
    return ForOutput(cp932, OutputEncoding::Utf8);
}

// Source, book and count aligned in columns, the path after them and the
// reason of a skip last: paths are long and would push every other column
// off the screen.
void writeTable(std::ostream& out, const std::vector<BookReport>& books, OutputEncoding encoding) {
    int widths[3] = {0, 0, 0};
    for (const BookReport& book : books) {
        widths[0] = std::max(widths[0], DisplayWidth(utf8(book.sourceCp932)));
        widths[1] = std::max(widths[1], DisplayWidth(utf8(book.bookCp932)));
        widths[2] = std::max(widths[2], DisplayWidth(utf8(countText(book))));
    }
    for (const BookReport& book : books) {
        std::string line = FitToWidth(utf8(book.sourceCp932), widths[0]) + "  " +
                           FitToWidth(utf8(book.bookCp932), widths[1]) + "  " +
                           FitToWidth(utf8(countText(book)), widths[2], true) + "  " + book.path.native();
        if (book.status != BookStatus::Read)
            line += "  " + utf8(std::string(text::kBookReasonOpen) + BookReasonText(book) +
                                std::string(text::kReasonEndInList));
        // The widths are counted on UTF-8; cp932 output converts the
        // finished line.
        out << (encoding == OutputEncoding::Utf8 ? line : Utf8ToAnsi(line)) << '\n';
    }
}

void writeTsv(std::ostream& out, const std::vector<BookReport>& books, OutputEncoding encoding) {
    out << "source\tbook\tkind\tstatus\taddresses\tpath\treason\n";
    for (const BookReport& book : books) {
        out << TsvField(book.sourceCp932, encoding) << '\t' << TsvField(book.bookCp932, encoding) << '\t'
            << BookKindName(book.kind) << '\t' << BookStatusName(book.status) << '\t' << book.addresses
            << '\t'
            << EscapeTsvField(
                   encoding == OutputEncoding::Utf8 ? book.path.native() : Utf8ToAnsi(book.path.native()),
                   encoding)
            << '\t'
            << EscapeTsvField(encoding == OutputEncoding::Utf8 ? book.detail : Utf8ToAnsi(book.detail),
                              encoding)
            << '\n';
    }
}

void writeJson(std::ostream& out, const std::vector<BookReport>& books) {
    for (const BookReport& book : books) {
        out << "{\"source\":" << JsonString(ForOutput(book.sourceCp932, OutputEncoding::Utf8))
            << ",\"book\":" << JsonString(ForOutput(book.bookCp932, OutputEncoding::Utf8)) << ",\"kind\":\""
            << BookKindName(book.kind) << "\",\"status\":\"" << BookStatusName(book.status)
            << "\",\"addresses\":" << book.addresses << ",\"path\":" << JsonString(book.path.native())
            << ",\"reason\":" << JsonString(book.detail) << "}\n";
    }
}

}  // namespace

int BooksCommand(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    TableFormat format = TableFormat::Table;
    OutputEncoding encoding = OutputEncoding::Utf8;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        auto taken = TakeOutputOption(arg, format, encoding);
        if (!taken) return "unknown option '" + arg + "'";
        return taken->empty() ? std::nullopt : taken;
    };
    std::vector<std::string> operands;
    if (auto problem = WalkArguments(args, option, [&](const std::string& arg) { operands.push_back(arg); }))
        return usageError(*problem);
    if (!operands.empty()) return usageError("unexpected argument '" + operands.front() + "'");
    if (format == TableFormat::Csv) return usageError("--format=csv is for message lists");
    if (format == TableFormat::Json && encoding == OutputEncoding::Cp932)
        return usageError("--format=json writes UTF-8; --encoding=cp932 does not apply to it");

    TerminalPrompts prompts;
    std::string notice;
    const Settings settings = LoadSettings(SettingsFilePath(), &notice);
    if (!notice.empty()) prompts.information(notice);
    DisplayNameDirectory directory;
    DirectoryReport report;
    auto built = BuildDisplayNameDirectory(directory, BookPlaces::ForUser(settings.AddressBookPath), &report);
    if (!built) prompts.error(ContactsErrorText(built.error()));

    if (format == TableFormat::Tsv)
        writeTsv(std::cout, report.books, encoding);
    else if (format == TableFormat::Json)
        writeJson(std::cout, report.books);
    else
        writeTable(std::cout, report.books, encoding);
    std::cout.flush();
    return built && std::cout ? 0 : 1;
}

}  // namespace pelmora::cli
