// SPDX-License-Identifier: MIT
// The address books of the user's desktop as the system address book: the
// Contacts folder, Thunderbird's profiles, Evolution's books and their
// caches, KDE's vCard folders and one path of the user's choice, all read
// without ever writing to them, merged into one display-name directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/display_names.h"
#include "base/error.h"

namespace pelmora {

// Where the books are looked for.
struct BookPlaces {
    std::filesystem::path home;
    std::filesystem::path dataHome;    // $XDG_DATA_HOME
    std::filesystem::path cacheHome;   // $XDG_CACHE_HOME
    std::filesystem::path configHome;  // $XDG_CONFIG_HOME (Evolution's book names)
    std::filesystem::path extra;       // the user's own book; may be empty

    // The running user's folders, with the given extra path.
    static BookPlaces ForUser(std::filesystem::path extra = {});
    // The folders a home holds when no XDG variable says otherwise.
    static BookPlaces UnderHome(const std::filesystem::path& home, std::filesystem::path extra = {});
};

enum class BookKind { Contacts, Thunderbird, Evolution, EvolutionCache, VCardFolder, Extra };

enum class BookStatus {
    Read,
    Locked,         // another program holds a lock that reading must wait for
    Corrupt,        // not a database, or a damaged one
    UnknownSchema,  // none of the tables of the books this program knows
    Unreadable,     // cannot be opened or read (permissions, I/O)
    TooLarge,       // a contact file beyond the size limit
};

// A file's modification time and size when a book was read; both -1 for a
// file that was not there.
struct FileStamp {
    std::filesystem::path path;
    std::int64_t modifiedNs = -1;
    std::int64_t size = -1;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::filesystem::path& path);

// One book found: what it is, where, how many addresses it gave, or why it
// was skipped.
struct BookReport {
    BookKind kind = BookKind::Contacts;
    std::string sourceCp932;  // display text: "Thunderbird (default-release)"
    std::string bookCp932;    // display text: the book within the source: "abook.sqlite", "system"
    std::filesystem::path path;
    BookStatus status = BookStatus::Read;
    std::string detail;         // for a skipped book, the library's own words (UTF-8); may be empty
    std::size_t addresses = 0;  // distinct addresses, letter case aside
};

struct DirectoryReport {
    std::vector<BookReport> books;
    // Every file and folder the build looked at, missing ones included.
    std::vector<FileStamp> stamps;

    // True when a file looked at has changed, come or gone since.
    bool booksChanged() const;
    std::vector<const BookReport*> skipped() const;
};

// Empties the directory and fills it from every book found, in this order,
// an earlier book's name winning for an address that a later one names
// too (letter case aside): the Contacts folder, Thunderbird, Evolution,
// Evolution's caches, $XDG_DATA_HOME/contacts, the extra path. A book that
// cannot be read is skipped and reported. A contact file of the Contacts
// folder that the XML parser rejects fails the build as before: the
// directory stays empty and the error is for the general error handler.
std::expected<void, Error> BuildDisplayNameDirectory(DisplayNameDirectory& directory,
                                                     const BookPlaces& places,
                                                     DirectoryReport* report = nullptr);

// The kind of a book in words for scripts: "contacts", "thunderbird", ...
std::string_view BookKindName(BookKind kind);
// The status in words for scripts: "read", "locked", "corrupt", ...
std::string_view BookStatusName(BookStatus status);
// Why a book was skipped, in words, with the library's own words after a
// colon when it gave some (display text); empty for a book that was read.
std::string BookReasonText(const BookReport& book);
// アドレス帳 "<path>" を読み飛ばしました（<reason>）。 as display text.
std::string BookSkippedText(const BookReport& book);

}  // namespace pelmora
