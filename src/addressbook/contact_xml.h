// SPDX-License-Identifier: MIT
// Windows Contacts (.contact) files, one XML document per contact.
#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace pelmora {

// The source lines of one Windows Contacts (.contact) XML document: one per
// e-mail address of a contact that has a formatted name. An error of kind
// Content whose reason is the XML parser's message.
std::expected<void, Error> ReadContactXml(std::string_view xml, std::vector<std::string>& lines);

}  // namespace pelmora
