// SPDX-License-Identifier: MIT
// The walk over a folder of contact files, shared by the Contacts folder
// and the vCard folders of the desktop.
#pragma once

#include <expected>
#include <filesystem>
#include <string>
#include <vector>

#include "addressbook/address_books.h"
#include "base/error.h"

namespace pelmora::addressbook {

enum class ContactFiles { ContactsAndVCards, VCardsOnly };

// ReadContactsFolder for the given kinds of file; when stamps is given it
// gains every folder and contact file walked. A contact file larger than
// kCardTextLimit is passed over, not read, and named in tooLarge when given.
std::expected<void, Error> ReadContactFiles(const std::filesystem::path& folder, ContactFiles which,
                                            std::vector<std::string>& lines, std::vector<FileStamp>* stamps,
                                            std::vector<std::filesystem::path>* tooLarge = nullptr);

}  // namespace pelmora::addressbook
