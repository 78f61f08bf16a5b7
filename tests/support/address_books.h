// SPDX-License-Identifier: MIT
// Real address books as the desktop's programs write them, made in a
// scratch home: Thunderbird profiles (profiles.ini, prefs.js, SQLite books
// of card properties), Evolution's books and caches (a vCard per row) and
// vCard files. The schemas are those the programs create.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

namespace pelmora::test {

// An open connection, kept open as long as the test needs the other
// program to be "running" (a WAL book's log and index exist only then).
class SqliteFile {
public:
    explicit SqliteFile(const std::filesystem::path& file) {
        std::filesystem::create_directories(file.parent_path());
        EXPECT_EQ(sqlite3_open(file.c_str(), &m_db), SQLITE_OK) << file;
    }
    ~SqliteFile() { sqlite3_close_v2(m_db); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    SqliteFile& exec(const std::string& sql) {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
            << sql << ": " << (message ? message : "");
        sqlite3_free(message);
        return *this;
    }
    // Runs sql with the texts bound to its "?" in order.
    SqliteFile& run(const std::string& sql, const std::vector<std::string>& texts) {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sql;
        for (std::size_t i = 0; i < texts.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), texts[i].data(),
                              static_cast<int>(texts[i].size()), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sql;
        sqlite3_finalize(statement);
        return *this;
    }

private:
    sqlite3* m_db = nullptr;
};

// A Thunderbird card: (property name, value) pairs.
using CardProperties = std::vector<std::pair<std::string, std::string>>;

inline constexpr const char* kThunderbirdSchema =
    "CREATE TABLE properties (card TEXT, name TEXT, value TEXT);"
    "CREATE TABLE lists (uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, description TEXT);"
    "CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card));"
    "CREATE INDEX properties_card ON properties(card);"
    "CREATE INDEX properties_name ON properties(name);";

inline void AddThunderbirdCard(SqliteFile& book, const std::string& uid, const CardProperties& card) {
    for (const auto& [name, value] : card)
        book.run("INSERT INTO properties (card, name, value) VALUES (?, ?, ?)", {uid, name, value});
}

inline void WriteThunderbirdBook(const std::filesystem::path& file,
                                 const std::vector<CardProperties>& cards) {
    SqliteFile book(file);
    book.exec(kThunderbirdSchema);
    for (std::size_t i = 0; i < cards.size(); ++i)
        AddThunderbirdCard(book, "card-" + std::to_string(i), cards[i]);
}

inline constexpr const char* kEvolutionSchema =
    "CREATE TABLE keys (key TEXT PRIMARY KEY, value TEXT, folder_id TEXT);"
    "CREATE TABLE folders (folder_id TEXT PRIMARY KEY, version INTEGER, multivalues TEXT, lc_collate TEXT,"
    " countrycode VARCHAR(2));"
    "CREATE TABLE folder_id (uid TEXT PRIMARY KEY, Rev TEXT, file_as TEXT, full_name TEXT, email_1 TEXT,"
    " vcard TEXT, bdata TEXT);";

inline constexpr const char* kEvolutionCacheSchema =
    "CREATE TABLE ECacheObjects (ECacheUID TEXT PRIMARY KEY, ECacheREV TEXT, ECacheOBJ TEXT,"
    " ECacheState INTEGER, ECacheCustomFlags INTEGER, ECacheCustomData TEXT);";

inline void AddEvolutionContact(SqliteFile& book, const std::string& uid, const std::string& vCard) {
    book.run("INSERT INTO folder_id (uid, vcard) VALUES (?, ?)", {uid, vCard});
}

inline void WriteEvolutionBook(const std::filesystem::path& file, const std::vector<std::string>& vCards) {
    SqliteFile book(file);
    book.exec(kEvolutionSchema);
    for (std::size_t i = 0; i < vCards.size(); ++i)
        AddEvolutionContact(book, "pas-id-" + std::to_string(i), vCards[i]);
}

inline void WriteEvolutionCache(const std::filesystem::path& file, const std::vector<std::string>& vCards) {
    SqliteFile book(file);
    book.exec(kEvolutionCacheSchema);
    for (std::size_t i = 0; i < vCards.size(); ++i)
        book.run("INSERT INTO ECacheObjects (ECacheUID, ECacheOBJ, ECacheState) VALUES (?, ?, 0)",
                 {"remote-" + std::to_string(i), vCards[i]});
}

// A minimal vCard 3.0 of one person.
inline std::string VCard30(const std::string& name, const std::string& address) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name + "\r\nEMAIL;TYPE=INTERNET:" + address +
           "\r\nEND:VCARD\r\n";
}

// A Thunderbird profile folder listed in root/profiles.ini with a relative
// path (or the absolute one given); prefs.js names the extra books.
inline std::filesystem::path AddThunderbirdProfile(const std::filesystem::path& root, const std::string& name,
                                                   const std::filesystem::path& absolute = {},
                                                   const std::string& prefs = {}) {
    std::filesystem::create_directories(root);
    const std::filesystem::path ini = root / "profiles.ini";
    std::string text = ReadBytes(ini);
    int index = 0;
    while (text.find("[Profile" + std::to_string(index) + "]") != std::string::npos) ++index;
    const std::string relative = "x" + std::to_string(index) + "." + name;
    text += "[Profile" + std::to_string(index) + "]\nName=" + name + "\n";
    text += absolute.empty() ? "IsRelative=1\nPath=" + relative + "\n"
                             : "IsRelative=0\nPath=" + absolute.native() + "\n";
    text += "\n";
    WriteBytes(ini, text);
    const std::filesystem::path folder = absolute.empty() ? root / relative : absolute;
    std::filesystem::create_directories(folder);
    if (!prefs.empty()) WriteBytes(folder / "prefs.js", prefs);
    return folder;
}

}  // namespace pelmora::test
