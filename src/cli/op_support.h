// SPDX-License-Identifier: MIT
// Entries for message files named on the command line.
#pragma once

#include <filesystem>
#include <memory>

#include "message/msg_item.h"

namespace pelmora::cli {

// An entry with the file facts the folder scan would give it; nothing when
// path is no regular file.
std::unique_ptr<TMsgItem> EntryForFile(const std::filesystem::path& path);

}  // namespace pelmora::cli
