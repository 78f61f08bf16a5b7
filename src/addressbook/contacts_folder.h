// SPDX-License-Identifier: MIT
// The Contacts folder: every contact and vCard file below it.
#pragma once

#include <expected>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"

namespace pelmora {

// Adds the source lines of every *.contact and *.vcf file below folder,
// depth first. A missing folder adds nothing. A contact file that cannot be
// read or that the XML parser rejects ends the walk with an error naming the
// file, its reason the parser's message; the lines added so far stay in
// lines, for the caller to drop.
std::expected<void, Error> ReadContactsFolder(const std::filesystem::path& folder,
                                              std::vector<std::string>& lines);

// The error of a contact file as the general error handler shows it
// (display text): "<file>: <parser's message>".
std::string ContactsErrorText(const Error& error);

}  // namespace pelmora
