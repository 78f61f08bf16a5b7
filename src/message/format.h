// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

struct stat;

namespace pelmora {

struct TMsgItem;

// A count grouped by thousands with ",", no decimals: 1234 gives "1,234".
std::string FormatCount(std::int64_t count);
// A file size in KB as the list shows it: bytes / 1024, halves rounded up,
// at least 1, grouped ("1,234"); the list shows it followed by "KB".
std::string SizeKBText(std::int64_t bytes);

// The file's size and last-write time into the entry, with their texts
// (FileTime, FileDate, FileDateText, FileSize, SizeKB), and which
// file it is (FileDevice, FileInode, FileChangeTime).
void SetFileFacts(TMsgItem& entry, const struct stat& info);

}  // namespace pelmora
