// SPDX-License-Identifier: MIT
// Building the display-name directory from every address book found, and
// telling what was read and what was not.
#include "addressbook/address_books.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <set>
#include <utility>

#include "addressbook/cards.h"
#include "addressbook/desktop_books.h"
#include "addressbook/folder_walk.h"
#include "addressbook/sqlite_book.h"
#include "addressbook/vcard.h"
#include "decode/ascii.h"
#include "decode/japanese.h"
#include "platform/file_io.h"
#include "platform/xdg.h"
#include "texts/texts.h"

namespace pelmora {

namespace fs = std::filesystem;
using addressbook::BookFormat;
using addressbook::FoundBook;

namespace {

using Lines = std::vector<std::string>;

// The user's own path: a folder of vCards, one vCard file, or an SQLite
// book, told apart by what the file holds rather than by its name.
addressbook::BookRead readAnyFile(const fs::path& path, Lines& lines, std::vector<FileStamp>& stamps,
                                  std::vector<fs::path>& tooLarge) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) return {BookStatus::Unreadable, error ? error.message() : std::strerror(ENOENT)};
    if (fs::is_directory(status)) {
        (void)addressbook::ReadContactFiles(path, addressbook::ContactFiles::VCardsOnly, lines, &stamps,
                                            &tooLarge);
        return {};
    }
    // A FIFO would hold the read, a device would never end it; the file is
    // opened without blocking in case one took its place since.
    auto head = platform::ReadRegularFileStart(path, 16);
    if (!head && head.error() == platform::ReadRefusal::NotAFile)
        return {BookStatus::Unreadable, "not a regular file"};
    if (!head) return {BookStatus::Unreadable, std::strerror(errno)};
    if (addressbook::LooksLikeSqlite(*head)) {
        stamps.push_back(StampOf(addressbook::WalFileOf(path)));
        return addressbook::ReadSqliteBook(path, lines);
    }
    auto content = platform::ReadRegularFile(path, addressbook::kCardTextLimit);
    if (!content && content.error() == platform::ReadRefusal::TooLarge) return {BookStatus::TooLarge, {}};
    if (!content) return {BookStatus::Unreadable, std::strerror(errno)};
    const std::size_t before = lines.size();
    ReadVCardText(*content, lines);
    if (lines.size() == before && ascii::FindNoCase(*content, "begin:vcard") == std::string::npos)
        return {BookStatus::UnknownSchema, "neither vCards nor an SQLite book"};
    return {};
}

addressbook::BookRead readBook(const FoundBook& book, Lines& lines, std::vector<FileStamp>& stamps,
                               std::vector<fs::path>& tooLarge) {
    switch (book.format) {
        case BookFormat::Sqlite:
            return addressbook::ReadSqliteBook(book.path, lines);
        case BookFormat::VCardFolder:
            (void)addressbook::ReadContactFiles(book.path, addressbook::ContactFiles::VCardsOnly, lines,
                                                &stamps, &tooLarge);
            return {};
        case BookFormat::AnyFile:
            return readAnyFile(book.path, lines, stamps, tooLarge);
    }
    return {};
}

// The files of a book folder that were too large to read, each reported as
// a book of its own that was skipped.
void reportTooLarge(const BookReport& book, std::vector<fs::path>& files, std::vector<BookReport>& out) {
    for (fs::path& file : files) {
        BookReport entry;
        entry.kind = book.kind;
        entry.sourceCp932 = book.sourceCp932;
        entry.bookCp932 = Utf8ToAnsi(file.filename().native());
        entry.path = std::move(file);
        entry.status = BookStatus::TooLarge;
        out.push_back(std::move(entry));
    }
    files.clear();
}

// One file read twice (the extra path naming a book found already, a
// folder reached through a link) would only count twice.
class SameFiles {
public:
    bool seenBefore(const fs::path& path) {
        struct stat facts {};
        if (::stat(path.c_str(), &facts) != 0) return false;
        return !m_seen.insert({facts.st_dev, facts.st_ino}).second;
    }

private:
    std::set<std::pair<dev_t, ino_t>> m_seen;
};

}  // namespace

BookPlaces BookPlaces::ForUser(fs::path extra) {
    return {platform::HomeFolder(), platform::XdgDataHome(), platform::XdgCacheHome(),
            platform::XdgConfigHome(), std::move(extra)};
}

BookPlaces BookPlaces::UnderHome(const fs::path& home, fs::path extra) {
    return {home, home / ".local" / "share", home / ".cache", home / ".config", std::move(extra)};
}

FileStamp StampOf(const fs::path& path) {
    FileStamp stamp{path};
    struct stat facts {};
    if (::stat(path.c_str(), &facts) == 0) {
        stamp.modifiedNs =
            static_cast<std::int64_t>(facts.st_mtim.tv_sec) * 1'000'000'000 + facts.st_mtim.tv_nsec;
        stamp.size = static_cast<std::int64_t>(facts.st_size);
    }
    return stamp;
}

bool DirectoryReport::booksChanged() const {
    return std::any_of(stamps.begin(), stamps.end(),
                       [](const FileStamp& then) { return StampOf(then.path) != then; });
}

std::vector<const BookReport*> DirectoryReport::skipped() const {
    std::vector<const BookReport*> found;
    for (const BookReport& book : books)
        if (book.status != BookStatus::Read) found.push_back(&book);
    return found;
}

std::expected<void, Error> BuildDisplayNameDirectory(DisplayNameDirectory& directory,
                                                     const BookPlaces& places, DirectoryReport* report) {
    directory.Clear();
    DirectoryReport local;
    DirectoryReport& out = report != nullptr ? *report : local;
    out = {};
    std::vector<Lines> sources;
    SameFiles sameFiles;
    // Reports of files passed over inside book folders; they follow the
    // books, whose reports pair with their sources.
    std::vector<BookReport> skippedFiles;
    std::vector<fs::path> tooLarge;

    // The Contacts folder: the program's own source, whose broken contact
    // file ends the build as it always has.
    const fs::path contacts = places.home / "Contacts";
    out.stamps.push_back(StampOf(contacts));
    std::error_code error;
    if (!places.home.empty() && fs::is_directory(contacts, error)) {
        Lines lines;
        auto read = addressbook::ReadContactFiles(contacts, addressbook::ContactFiles::ContactsAndVCards,
                                                  lines, &out.stamps, &tooLarge);
        if (!read) return read;
        sameFiles.seenBefore(contacts);
        BookReport entry;
        entry.kind = BookKind::Contacts;
        entry.sourceCp932 = text::kBookSourceContacts;
        entry.bookCp932 = Utf8ToAnsi(contacts.native());
        entry.path = contacts;
        reportTooLarge(entry, tooLarge, skippedFiles);
        out.books.push_back(std::move(entry));
        sources.push_back(std::move(lines));
    }

    std::vector<FoundBook> found = addressbook::FindDesktopBooks(places, out.stamps);
    if (!places.extra.empty()) {
        out.stamps.push_back(StampOf(places.extra));
        found.push_back({BookKind::Extra, BookFormat::AnyFile, std::string(text::kBookSourceExtra),
                         Utf8ToAnsi(places.extra.native()), places.extra});
    }
    for (const FoundBook& book : found) {
        if (sameFiles.seenBefore(book.path)) continue;
        BookReport entry;
        entry.kind = book.kind;
        entry.sourceCp932 = book.sourceCp932;
        entry.bookCp932 = book.bookCp932;
        entry.path = book.path;
        Lines lines;
        addressbook::BookRead read = readBook(book, lines, out.stamps, tooLarge);
        entry.status = read.status;
        entry.detail = std::move(read.detail);
        reportTooLarge(entry, tooLarge, skippedFiles);
        out.books.push_back(std::move(entry));
        sources.push_back(std::move(lines));
    }

    std::vector<std::size_t> counts = MergeSourceLines(directory, std::move(sources));
    for (std::size_t i = 0; i < counts.size(); ++i) out.books[i].addresses = counts[i];
    std::move(skippedFiles.begin(), skippedFiles.end(), std::back_inserter(out.books));
    return {};
}

std::string_view BookKindName(BookKind kind) {
    switch (kind) {
        case BookKind::Contacts:
            return "contacts";
        case BookKind::Thunderbird:
            return "thunderbird";
        case BookKind::Evolution:
            return "evolution";
        case BookKind::EvolutionCache:
            return "evolution-cache";
        case BookKind::VCardFolder:
            return "vcard-folder";
        case BookKind::Extra:
            return "extra";
    }
    return "";
}

std::string_view BookStatusName(BookStatus status) {
    switch (status) {
        case BookStatus::Read:
            return "read";
        case BookStatus::Locked:
            return "locked";
        case BookStatus::Corrupt:
            return "corrupt";
        case BookStatus::UnknownSchema:
            return "unknown-schema";
        case BookStatus::Unreadable:
            return "unreadable";
        case BookStatus::TooLarge:
            return "too-large";
    }
    return "";
}

std::string BookReasonText(const BookReport& book) {
    std::string_view reason;
    switch (book.status) {
        case BookStatus::Read:
            return {};
        case BookStatus::Locked:
            reason = text::kBookLocked;
            break;
        case BookStatus::Corrupt:
            reason = text::kBookCorrupt;
            break;
        case BookStatus::UnknownSchema:
            reason = text::kBookUnknownSchema;
            break;
        case BookStatus::Unreadable:
            reason = text::kBookUnreadable;
            break;
        case BookStatus::TooLarge:
            reason = text::kBookTooLarge;
            break;
    }
    std::string line(reason);
    if (!book.detail.empty()) {
        line += ": ";
        line += Utf8ToAnsi(book.detail);
    }
    return line;
}

std::string BookSkippedText(const BookReport& book) {
    if (book.status == BookStatus::Read) return {};
    std::string line(text::kBookLabel);
    line += text::QuotedPath(book.path.native());
    line += text::kBookSkippedSuffix;
    line += BookReasonText(book);
    line += text::kReasonEnd;
    return line;
}

}  // namespace pelmora
