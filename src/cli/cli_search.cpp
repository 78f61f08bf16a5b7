// SPDX-License-Identifier: MIT
// pelmora-cli search: the search window's run over a folder, with the four
// fields typed as options (UTF-8, read as the window reads its fields), the
// two day limits and the attachments switch; the results as list prints them.
#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "catalogue/ordering.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/folder_command.h"
#include "cli/folder_load.h"
#include "cli/message_table.h"
#include "decode/japanese.h"
#include "message/mail_date.h"
#include "search/search_run.h"

namespace pelmora::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: pelmora-cli search [-r] [--from=EXPR] [--to=EXPR] [--subject=EXPR] [--body=EXPR]\n"
    "                          [--after=YYYY-MM-DD] [--before=YYYY-MM-DD] [--attach] [--ask]\n"
    "                          [--format=table|tsv|csv|json] [--encoding=utf-8|cp932]\n"
    "                          [--display-names|--no-display-names] DIR\n"
    "EXPR: words that must all occur; A OR B; -A excludes A; \"A B\" keeps the blank.\n"
    "--ask: ask about messages whose charset or transfer encoding cannot be searched\n"
    "       (without it they are searched with the fallback conversion, or skipped).\n";

// The search window's result columns, left to right.
const std::vector<int> kSearchColumnKeys = {KeySender,   KeyRecipients, KeySubject, KeySent,
                                            KeyReceived, KeySize,       KeyFolder};

struct SearchOptions : FolderCommandOptions {
    SearchConditions conditions;
};

// Without a terminal the first question stops the search; the count of
// skipped messages that the window shows afterwards would claim that the
// search went on past them.
class SearchPrompts : public TerminalPrompts {
public:
    SearchPrompts() { setRefusalText("search stopped (answer on a terminal, or leave out --ask)"); }
    void information(const std::string& cp932) override {
        if (!refusedAny()) TerminalPrompts::information(cp932);
    }
};

int usageError(std::string_view problem) {
    return UsageError("search", problem, kUsage);
}

// A day written YYYY-MM-DD, as the date-time of its midnight.
std::optional<DateTime> parseDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    auto number = [&](std::size_t at, std::size_t length) {
        int value = -1;
        auto [end, error] = std::from_chars(text.data() + at, text.data() + at + length, value);
        return error == std::errc{} && end == text.data() + at + length ? value : -1;
    };
    DateTime day = EncodeDateTime(number(0, 4), number(5, 2), number(8, 2), 0, 0, 0);
    if (day == 0) return std::nullopt;
    return day;
}

// The field expressions are typed in UTF-8; the window reads them as display text.
bool takeField(std::string_view arg, std::string_view option, TermList& terms) {
    if (!arg.starts_with(option)) return false;
    ParseSearchField(terms, Utf8ToAnsi(arg.substr(option.size())));
    return true;
}

// Options as given; an error text for bad usage.
std::optional<std::string> parse(const Args& args, SearchOptions& options) {
    SearchConditions& c = options.conditions;
    c.ErrorUnableDecode = false;
    auto problem = ParseFolderCommand(args, options, [&c](std::string_view a) -> std::optional<std::string> {
        if (a == "-r" || a == "--recursive") {
            c.IncludeSubfolders = true;
        } else if (takeField(a, "--from=", c.FromTerms) || takeField(a, "--to=", c.ToTerms) ||
                   takeField(a, "--subject=", c.SubjectTerms) || takeField(a, "--body=", c.BodyTerms)) {
            // the later of two same options wins, as retyping a field does
        } else if (a.starts_with("--after=") || a.starts_with("--before=")) {
            const bool after = a.starts_with("--after=");
            auto day = parseDay(a.substr(after ? 8 : 9));
            if (!day) return "not a day (YYYY-MM-DD): '" + std::string(a) + "'";
            if (after)
                c.DateFrom = DateFromDay(*day);
            else
                c.DateTo = DateToDay(*day);
        } else if (a == "--attach") {
            c.AttachmentsOnly = true;
        } else if (a == "--ask") {
            c.ErrorUnableDecode = true;
        } else {
            return std::nullopt;
        }
        return std::string();
    });
    if (problem) return problem;
    // The window's search button stays disabled without a condition, and
    // while the first day lies after the second.
    if (!c.HasAnyCondition())
        return std::string(
            "no condition: give at least one of --from, --to, --subject, --body, --after, --before, "
            "--attach (an expression of only '-' or quotes sets none)");
    if (c.DateFrom && c.DateTo && *c.DateFrom > *c.DateTo)
        return std::string("--after is later than --before");
    return std::nullopt;
}

}  // namespace

int SearchCommand(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    SearchOptions options;
    if (auto problem = parse(args, options)) return usageError(*problem);
    std::error_code error;
    if (!std::filesystem::is_directory(options.folder, error)) {
        std::cerr << "pelmora-cli search: " << options.folder.string() << ": no such folder\n";
        return 1;
    }

    SearchPrompts prompts;
    CommandReader reader(options.reader, prompts);
    TerminalListView view(kSearchColumnKeys, KeyReceived);
    TerminalStatusBar status;
    TerminalProgress progress;
    TerminalBusyCursor cursor;
    SearchPorts ports{view, status, progress, prompts, cursor};
    SearchSession session;
    const RunEnd end =
        RunSearch(options.conditions, options.folder, session, ports, reader.context().options);

    WriteMessageTable(std::cout, session.FoundList, TableOptionsFor(options, kSearchColumnKeys));
    std::cout.flush();
    if (end == RunEnd::Aborted) {
        std::cerr << "pelmora-cli search: stopped; the messages found so far are listed\n";
        // A question nobody could answer is bad usage, as for the other commands.
        return prompts.refusedAny() ? 2 : 1;
    }
    return prompts.problemsShown() > 0 ? 1 : 0;
}

}  // namespace pelmora::cli
