// SPDX-License-Identifier: MIT
// Reading another program's SQLite address book while that program may be
// running. The database is opened read-only through a URI (mode=ro) with a
// short busy timeout, so a writer is never blocked for long and a lock held
// by it ends the read instead of hanging it. A book in write-ahead-log mode
// keeps its newest contacts in the -wal file until a checkpoint; reading it
// needs the -shm index, which SQLite would create beside the book (writing
// into the other program's folder) when it is missing. Such a book, and one
// whose index cannot be used read-only, is copied with its -wal to a
// private temporary folder and the copy is read instead.
#include "addressbook/sqlite_book.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "addressbook/cards.h"
#include "addressbook/source_lines.h"
#include "addressbook/vcard.h"
#include "decode/japanese.h"
#include "platform/file_io.h"
#include "platform/trash.h"

namespace pelmora::addressbook {

namespace fs = std::filesystem;

namespace {

// Long enough to ride out a writer's commit, short enough that a book held
// locked by its program costs the user no visible wait.
constexpr int kBusyTimeoutMs = 250;
constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};

class Database {
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database() { sqlite3_close_v2(m_db); }

    int open(const std::string& uri, int flags) {
        int code =
            sqlite3_open_v2(uri.c_str(), &m_db, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        if (code != SQLITE_OK) return code;
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        // A read-only connection that closes last would otherwise take an
        // exclusive lock on the book to try a checkpoint.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        // The file is someone else's: nothing in its schema may run code.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        return sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    }
    sqlite3* get() const { return m_db; }
    std::string message() const { return m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory"; }

private:
    sqlite3* m_db = nullptr;
};

class Statement {
public:
    Statement(const Database& database, const char* sql) {
        m_code = sqlite3_prepare_v2(database.get(), sql, -1, &m_statement, nullptr);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    int prepared() const { return m_code; }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return m_code = sqlite3_step(m_statement); }
    // A column's bytes; empty for NULL and for a value beyond the limit.
    std::string_view column(int index) const {
        const void* bytes = sqlite3_column_blob(m_statement, index);
        const int size = sqlite3_column_bytes(m_statement, index);
        if (bytes == nullptr || size <= 0 || static_cast<std::size_t>(size) > kCardTextLimit) return {};
        return {static_cast<const char*>(bytes), static_cast<std::size_t>(size)};
    }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_code = SQLITE_OK;
};

// What ended a read: SQLITE_OK, or the code and the library's words.
struct Outcome {
    int code = SQLITE_OK;
    std::string message;
    bool unknownSchema = false;
};

Outcome failure(const Database& database, int code) {
    return {code, database.message()};
}

BookStatus statusOf(const Outcome& outcome) {
    if (outcome.code == SQLITE_OK) return BookStatus::Read;
    if (outcome.unknownSchema) return BookStatus::UnknownSchema;
    switch (outcome.code & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return BookStatus::Locked;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return BookStatus::Corrupt;
        default:
            return BookStatus::Unreadable;
    }
}

// A Thunderbird card: its properties as they come, one row each.
struct ThunderbirdCard {
    std::string displayName, firstName, lastName;
    std::vector<std::string> addresses;
    std::string vCard;

    void take(std::string_view name, std::string_view value) {
        if (name == "DisplayName")
            displayName = Utf8ToAnsi(value);
        else if (name == "FirstName")
            firstName = Utf8ToAnsi(value);
        else if (name == "LastName")
            lastName = Utf8ToAnsi(value);
        else if (name == "PrimaryEmail" || name == "SecondEmail")
            addresses.push_back(Utf8ToAnsi(value));
        else if (name == "_vCard")
            vCard = value;
    }

    // The card's name is its display name, else first and last name, else
    // what its vCard says; its addresses are the two e-mail properties and
    // every EMAIL of the vCard.
    void addLines(std::vector<std::string>& lines) const {
        Card card;
        card.name = !TrimAsciiSpace(displayName).empty()
                        ? displayName
                        : PersonName(TrimAsciiSpace(lastName), TrimAsciiSpace(firstName));
        card.addresses = addresses;
        if (!vCard.empty()) {
            ReadVCards(vCard, [&card](Card& stored) {
                if (TrimAsciiSpace(card.name).empty()) card.name = stored.name;
                for (std::string& address : stored.addresses) card.addresses.push_back(std::move(address));
            });
        }
        AddCardLines(lines, card);
    }
};

Outcome readThunderbird(const Database& database, std::vector<std::string>& lines) {
    Statement rows(
        database,
        "SELECT card, name, value FROM properties WHERE name IN "
        "('DisplayName','FirstName','LastName','PrimaryEmail','SecondEmail','_vCard') ORDER BY card");
    if (rows.prepared() != SQLITE_OK) return {rows.prepared(), database.message(), true};
    std::optional<std::string> currentCard;
    ThunderbirdCard card;
    int code;
    while ((code = rows.step()) == SQLITE_ROW) {
        std::string_view id = rows.column(0);
        if (currentCard != id) {
            if (currentCard) card.addLines(lines);
            currentCard = std::string(id);
            card = {};
        }
        card.take(rows.column(1), rows.column(2));
    }
    if (code != SQLITE_DONE) return failure(database, code);
    if (currentCard) card.addLines(lines);
    return {};
}

// Evolution keeps each contact whole as a vCard in one column.
Outcome readVCardColumn(const Database& database, const char* sql, std::vector<std::string>& lines) {
    Statement rows(database, sql);
    if (rows.prepared() != SQLITE_OK) return {rows.prepared(), database.message(), true};
    int code;
    while ((code = rows.step()) == SQLITE_ROW)
        ReadVCards(rows.column(0), [&lines](Card& card) { AddCardLines(lines, card); });
    if (code != SQLITE_DONE) return failure(database, code);
    return {};
}

Outcome readBook(const Database& database, std::vector<std::string>& lines) {
    Statement tables(database, "SELECT name FROM sqlite_master WHERE type = 'table'");
    if (tables.prepared() != SQLITE_OK) return failure(database, tables.prepared());
    std::set<std::string, std::less<>> names;
    int code;
    while ((code = tables.step()) == SQLITE_ROW) names.emplace(tables.column(0));
    if (code != SQLITE_DONE) return failure(database, code);
    if (names.contains("properties")) return readThunderbird(database, lines);
    if (names.contains("folder_id")) return readVCardColumn(database, "SELECT vcard FROM folder_id", lines);
    if (names.contains("ECacheObjects"))
        return readVCardColumn(database, "SELECT ECacheOBJ FROM ECacheObjects", lines);
    return {SQLITE_ERROR, "no table of a known address book", true};
}

// file: URI of a path; "?", "#" and "%" in a folder name stay part of the path.
std::string uriOf(const fs::path& file) {
    return "file:" + platform::PercentEncodePath(file.native());
}

Outcome readAt(const std::string& uri, int flags, std::vector<std::string>& lines) {
    Database database;
    if (int code = database.open(uri, flags); code != SQLITE_OK) return failure(database, code);
    std::vector<std::string> read;
    Outcome outcome = readBook(database, read);
    if (outcome.code == SQLITE_OK) {
        lines.insert(lines.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    }
    return outcome;
}

// Failures that a private copy does not have: no index to read through,
// or one that cannot be written.
bool copyMayHelp(const Outcome& outcome) {
    const int primary = outcome.code & 0xFF;
    return !outcome.unknownSchema && (primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY);
}

class PrivateFolder {
public:
    PrivateFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "pelmora-book-XXXXXX").native();
        if (!error && ::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder() {
        std::error_code error;
        if (!m_path.empty()) fs::remove_all(m_path, error);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

BookRead readCopy(const fs::path& file, std::vector<std::string>& lines) {
    PrivateFolder folder;
    if (folder.path().empty()) return {BookStatus::Unreadable, std::strerror(errno)};
    const fs::path copy = folder.path() / "book.sqlite";
    std::error_code error;
    fs::copy_file(file, copy, error);
    // The log of changes not yet in the database, and a rollback journal
    // left by a crash, travel with it; the copy's own index is rebuilt.
    for (const char* suffix : {"-wal", "-journal"}) {
        fs::path beside = file;
        beside += suffix;
        fs::path besideCopy = copy;
        besideCopy += suffix;
        if (!error && fs::exists(beside, error)) fs::copy_file(beside, besideCopy, error);
    }
    if (error) return {BookStatus::Unreadable, error.message()};
    Outcome outcome = readAt(uriOf(copy), SQLITE_OPEN_READWRITE, lines);
    return {statusOf(outcome), outcome.message};
}

// The first 100 bytes: the header says whether the book is in WAL mode
// (file format versions 2 at offsets 18 and 19).
// The database header, read without blocking from a regular file only: a
// FIFO put in the book's place must not hold the start.
std::optional<std::string> readHeader(const fs::path& file, int& error) {
    auto header = platform::ReadRegularFileStart(file, 100);
    if (!header) {
        error = header.error() == platform::ReadRefusal::NotAFile ? 0 : errno;
        return std::nullopt;
    }
    if (header->size() != 100) {
        error = 0;
        return std::nullopt;
    }
    return std::move(*header);
}

}  // namespace

bool LooksLikeSqlite(std::string_view head) {
    return head.starts_with(kSqliteMagic);
}

fs::path WalFileOf(const fs::path& file) {
    fs::path wal = file;
    wal += "-wal";
    return wal;
}

BookRead ReadSqliteBook(const fs::path& file, std::vector<std::string>& lines) {
    std::error_code notRegular;
    if (!fs::is_regular_file(file, notRegular)) return {BookStatus::Unreadable, "not a regular file"};
    int error = 0;
    auto header = readHeader(file, error);
    if (!header) {
        if (error != 0) return {BookStatus::Unreadable, std::strerror(error)};
        return {BookStatus::Corrupt, "file is not a database"};
    }
    if (!LooksLikeSqlite(*header)) return {BookStatus::Corrupt, "file is not a database"};
    fs::path shm = file;
    shm += "-shm";
    std::error_code ignored;
    const bool walMode = (*header)[18] == 2 || (*header)[19] == 2;
    const bool hasLog = fs::exists(WalFileOf(file), ignored);
    const bool hasIndex = fs::exists(shm, ignored);
    // A WAL book is read in place only while its program keeps the log
    // and the index open; otherwise SQLite would make them beside it.
    if ((walMode || hasLog) && !(hasLog && hasIndex)) return readCopy(file, lines);
    Outcome outcome = readAt(uriOf(file) + "?mode=ro", SQLITE_OPEN_READONLY, lines);
    if (outcome.code != SQLITE_OK && copyMayHelp(outcome)) return readCopy(file, lines);
    return {statusOf(outcome), outcome.message};
}

}  // namespace pelmora::addressbook
