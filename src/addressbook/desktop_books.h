// SPDX-License-Identifier: MIT
// Finding the address books of the desktop's programs where each keeps
// them; nothing here reads a contact.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/address_books.h"

namespace pelmora::addressbook {

enum class BookFormat {
    Sqlite,       // one of the SQLite books the reader knows
    VCardFolder,  // a folder of *.vcf files, subfolders included
    AnyFile,      // the user's choice: a folder, a .vcf file or an SQLite book
};

struct FoundBook {
    BookKind kind;
    BookFormat format;
    std::string sourceCp932;
    std::string bookCp932;
    std::filesystem::path path;
};

// A Thunderbird profile as profiles.ini lists it.
struct ThunderbirdProfile {
    std::string name;  // UTF-8, as the file has it
    std::filesystem::path folder;
};

// The profiles of a profiles.ini text whose folder is root: relative paths
// (IsRelative=1) below root, others as they stand. The default profile (of
// an [Install...] section, else the one marked Default=1) comes first, the
// rest in the file's order.
std::vector<ThunderbirdProfile> ParseProfilesIni(std::string_view text, const std::filesystem::path& root);

struct PrefsBook {
    std::string fileName;     // as prefs.js has it
    std::string description;  // UTF-8; may be empty
};
// The address books a prefs.js text names (ldap_2.servers.<id>.filename),
// in the file's order.
std::vector<PrefsBook> ParsePrefsBooks(std::string_view text);

// Every book below the places, in the order of precedence, except the
// Contacts folder and the extra path; stamps gains the files and folders
// the search looked at, missing ones included.
std::vector<FoundBook> FindDesktopBooks(const BookPlaces& places, std::vector<FileStamp>& stamps);

}  // namespace pelmora::addressbook
