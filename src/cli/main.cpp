// SPDX-License-Identifier: MIT
#include <cstring>
#include <exception>
#include <iostream>
#include <string_view>

#include "base/error.h"
#include "cli/commands.h"
#include "pelmora/version.h"

namespace {

struct Command {
    std::string_view verb;
    int (*run)(const pelmora::cli::Args&);
    std::string_view synopsis;
};

constexpr Command kCommands[] = {
    {"list", pelmora::cli::ListCommand,
     "list   [-r] [--format=table|tsv|csv|json] [--sort=KEY] [--reverse] [--encoding=utf-8|cp932] DIR"},
    {"dups", pelmora::cli::DupsCommand,
     "dups   [-r] [--id-only] [--keep=RULE] [--format=...] [--trash [--yes]] DIR"},
    {"search", pelmora::cli::SearchCommand,
     "search [-r] [--from=EXPR] [--to=EXPR] [--subject=EXPR] [--body=EXPR]\n"
     "                   [--after=YYYY-MM-DD] [--before=YYYY-MM-DD] [--attach] [--format=...] DIR"},
    {"export", pelmora::cli::ExportCommand, "export -o FILE.csv [-r] [--yes] DIR"},
    {"strip", pelmora::cli::StripCommand, "strip  [--dry-run] [--yes] [--keep-record] PATH..."},
    {"trash", pelmora::cli::TrashCommand, "trash  [--yes] FILE..."},
    {"decode", pelmora::cli::DecodeCommand, "decode [--encoding=utf-8|cp932] [--] VALUE..."},
    {"books", pelmora::cli::BooksCommand, "books  [--format=table|tsv|json] [--encoding=utf-8|cp932]"},
    {"show", pelmora::cli::ShowCommand, "show   [--format=text|json] [--source] FILE"},
    {"attachments", pelmora::cli::AttachmentsCommand, "attachments [--format=table|tsv|json] FILE..."},
    {"extract", pelmora::cli::ExtractCommand, "extract [-o DIR] [--yes] FILE..."},
};

void printUsage(std::ostream& out) {
    out << "Usage: pelmora-cli COMMAND [OPTIONS]\n\nCommands:\n";
    for (const Command& c : kCommands) out << "  pelmora-cli " << c.synopsis << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(std::cerr);
        return 2;
    }
    std::string_view verb = argv[1];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (verb == "--version") {
        std::cout << "pelmora-cli " << PELMORA_VERSION_STRING << '\n';
        return 0;
    }
    for (const Command& c : kCommands) {
        if (c.verb != verb) continue;
        pelmora::cli::Args args(argv + 2, argv + argc);
        try {
            return c.run(args);
        } catch (const std::exception& caught) {
            std::cerr << "pelmora-cli " << verb << ": " << pelmora::ErrorFromException(caught).reasonText()
                      << '\n';
            return 1;
        }
    }
    std::cerr << "pelmora-cli: unknown command '" << verb << "'\n";
    printUsage(std::cerr);
    return 2;
}
