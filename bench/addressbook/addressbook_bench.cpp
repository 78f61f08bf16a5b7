// SPDX-License-Identifier: MIT
// Building the display-name directory from the desktop's books: a home is
// made once with N contacts in each of a Thunderbird book (the properties
// and the vCard Thunderbird 102 and later writes for a card), an Evolution
// book and a folder of one .vcf file per contact; then the whole build and
// each kind of book alone are timed, warm, and so is the check a list load
// makes for changed books. The target is 0.5 s for 10,000 contacts.
//
//   addressbook_bench [--contacts=N] [benchmark flags]
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "addressbook/address_books.h"

namespace fs = std::filesystem;
using namespace pelmora;

namespace {

int g_contacts = 10000;
fs::path g_home;

std::string nameOf(int i) {
    // 山田 and a number: every name is converted from UTF-8.
    return "\xE5\xB1\xB1\xE7\x94\xB0 " + std::to_string(i);
}

std::string vCardOf(int i, const std::string& domain) {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:" + nameOf(i) + "\r\nN:\xE5\xB1\xB1\xE7\x94\xB0;" +
           std::to_string(i) + ";;;\r\nEMAIL;PREF=1:user" + std::to_string(i) + "@" + domain +
           "\r\nEMAIL:other" + std::to_string(i) + "@" + domain + "\r\nTEL;TYPE=work:+81-3-0000-" +
           std::to_string(i) + "\r\nUID:" + std::to_string(i) + "\r\nEND:VCARD\r\n";
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void insert(sqlite3_stmt* statement, std::initializer_list<std::string> values) {
    int column = 1;
    for (const std::string& value : values)
        sqlite3_bind_text(statement, column++, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    sqlite3_step(statement);
    sqlite3_reset(statement);
}

void makeThunderbird() {
    const fs::path root = g_home / ".thunderbird";
    fs::create_directories(root / "p.default");
    std::ofstream(root / "profiles.ini")
        << "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\nDefault=1\n";
    sqlite3* db = nullptr;
    sqlite3_open((root / "p.default" / "abook.sqlite").c_str(), &db);
    exec(db,
         "CREATE TABLE properties (card TEXT, name TEXT, value TEXT); CREATE INDEX properties_card ON "
         "properties(card); BEGIN");
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO properties VALUES (?, ?, ?)", -1, &statement, nullptr);
    for (int i = 0; i < g_contacts; ++i) {
        const std::string card = "card-" + std::to_string(i);
        insert(statement, {card, "DisplayName", nameOf(i)});
        insert(statement, {card, "PrimaryEmail", "user" + std::to_string(i) + "@tb.example"});
        insert(statement, {card, "LastModifiedDate", "1700000000"});
        insert(statement, {card, "_vCard", vCardOf(i, "tb.example")});
    }
    sqlite3_finalize(statement);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

void makeEvolution() {
    const fs::path folder = g_home / ".local" / "share" / "evolution" / "addressbook" / "system";
    fs::create_directories(folder);
    sqlite3* db = nullptr;
    sqlite3_open((folder / "contacts.db").c_str(), &db);
    exec(db,
         "CREATE TABLE folder_id (uid TEXT PRIMARY KEY, Rev TEXT, file_as TEXT, vcard TEXT, bdata TEXT); "
         "BEGIN");
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO folder_id (uid, vcard) VALUES (?, ?)", -1, &statement, nullptr);
    for (int i = 0; i < g_contacts; ++i)
        insert(statement, {"pas-id-" + std::to_string(i), vCardOf(i, "evo.example")});
    sqlite3_finalize(statement);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

void makeVCardFolder() {
    const fs::path folder = g_home / ".local" / "share" / "contacts";
    fs::create_directories(folder);
    for (int i = 0; i < g_contacts; ++i)
        std::ofstream(folder / (std::to_string(i) + ".vcf"), std::ios::binary) << vCardOf(i, "kde.example");
}

// The places of one kind of book alone: a home that holds only it.
BookPlaces only(const fs::path& home) {
    return BookPlaces::UnderHome(home);
}

void build(benchmark::State& state, const BookPlaces& places) {
    std::size_t entries = 0;
    for (auto _ : state) {
        DisplayNameDirectory directory;
        DirectoryReport report;
        if (!BuildDisplayNameDirectory(directory, places, &report)) state.SkipWithError("build failed");
        entries = directory.size();
    }
    state.counters["entries"] = static_cast<double>(entries);
}

void allBooks(benchmark::State& state) {
    build(state, only(g_home));
}

void booksChangedCheck(benchmark::State& state) {
    DisplayNameDirectory directory;
    DirectoryReport report;
    (void)BuildDisplayNameDirectory(directory, only(g_home), &report);
    for (auto _ : state) benchmark::DoNotOptimize(report.booksChanged());
    state.counters["files"] = static_cast<double>(report.stamps.size());
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--contacts=")) g_contacts = std::atoi(arg.c_str() + 11);
    }
    std::string pattern = (fs::temp_directory_path() / "pelmora-books-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    g_home = pattern;
    makeThunderbird();
    makeEvolution();
    makeVCardFolder();
    // Each kind alone, through a home of links to the one book's folders.
    const fs::path thunderbirdOnly = g_home / "tb-only", evolutionOnly = g_home / "evo-only",
                   folderOnly = g_home / "kde-only";
    fs::create_directories(thunderbirdOnly);
    fs::create_directory_symlink(g_home / ".thunderbird", thunderbirdOnly / ".thunderbird");
    fs::create_directories(evolutionOnly / ".local" / "share");
    fs::create_directory_symlink(g_home / ".local" / "share" / "evolution",
                                 evolutionOnly / ".local" / "share" / "evolution");
    fs::create_directories(folderOnly / ".local" / "share");
    fs::create_directory_symlink(g_home / ".local" / "share" / "contacts",
                                 folderOnly / ".local" / "share" / "contacts");

    benchmark::RegisterBenchmark("build/all three kinds", allBooks)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("build/thunderbird", [&](benchmark::State& s) {
        build(s, only(thunderbirdOnly));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("build/evolution", [&](benchmark::State& s) {
        build(s, only(evolutionOnly));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("build/vcf folder", [&](benchmark::State& s) {
        build(s, only(folderOnly));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("books changed check", booksChangedCheck)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_home);
    return 0;
}
