// SPDX-License-Identifier: MIT
// Address books kept in SQLite databases by the programs that own them:
// read only, never locking them against their owner, never waiting long.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/address_books.h"

namespace pelmora::addressbook {

struct BookRead {
    BookStatus status = BookStatus::Read;
    std::string detail;  // the reason in the library's or the system's words (UTF-8)
};

// True when a file's first bytes are those of an SQLite database.
bool LooksLikeSqlite(std::string_view head);

// Adds the source lines of a database laid out as one of the books this
// program knows, told apart by their tables: Thunderbird's (properties of
// cards), Evolution's (folder_id, a vCard per contact) and Evolution's
// caches of remote books (ECacheObjects). Lines go into lines only when the
// whole book was read.
BookRead ReadSqliteBook(const std::filesystem::path& file, std::vector<std::string>& lines);

// The files beside a database that hold its latest changes.
std::filesystem::path WalFileOf(const std::filesystem::path& file);

}  // namespace pelmora::addressbook
