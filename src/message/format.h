// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "message/mail_date.h"

struct stat;

namespace pelmora {

struct TMsgItem;

// A count grouped by thousands with ",", no decimals: 1234 gives "1,234".
std::string FormatCount(std::int64_t count);
// A file size in KB as the list shows it: bytes / 1024, halves rounded up,
// at least 1, grouped ("1,234"); the list shows it followed by "KB".
std::string SizeKBText(std::int64_t bytes);

// The file's size and last-write time into the entry, with the size's text
// (FileTime, FileDate, FileSize, SizeKB), and which file it is (FileDevice,
// FileInode, FileChangeTime).
void SetFileFacts(TMsgItem& entry, const struct stat& info);

// The entry's file date as the list shows it, written into text; empty
// while the file's facts were never taken (FileDate 0). Only a message
// without a date field shows it, so it is made then, not kept.
std::string_view WriteFileDateText(const TMsgItem& entry, char (&text)[DateTextSize]);

}  // namespace pelmora
