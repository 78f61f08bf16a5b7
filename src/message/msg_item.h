// SPDX-License-Identifier: MIT
// One message entry. The field names are the ones every part of the program
// and its documentation use, so they keep their spelling.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "message/entry_text.h"

namespace pelmora {

// Days since 1899-12-30 in the integer part, time of day in the fraction,
// local time.
using DateTime = double;

// 100,000 entries stay in memory for a large folder: the texts that every
// entry of a folder shares, and the short or seldom-read ones, are kept in
// the smaller text types (entry_text.h), and the members are ordered so that
// no room is lost between them.
struct TMsgItem {
    // Display text (code page 932) unless noted otherwise.
    std::string FileName;   // native bytes: full path of the message file
    SharedText FolderPath;  // native bytes: folder without trailing slash ("/" kept)
    SharedText FolderName;  // native bytes: last component of FolderPath
    DateTime RecvDate = 0;
    DateTime SentDate = 0;
    DateTime FileDate = 0;       // last-write time, local, even seconds
    std::uint64_t FileTime = 0;  // last-write time, 100-ns units since 1601-01-01 UTC
    std::int64_t FileSize = 0;
    // Which file was read, and its change time then (nanoseconds since
    // 1970): with FileSize and FileTime they tell whether the file at
    // FileName is still the one the entry describes. 0 when never examined.
    std::uint64_t FileDevice = 0;
    std::uint64_t FileInode = 0;
    std::int64_t FileChangeTime = 0;
    std::int64_t DupHash = 0;
    // After a duplicate check: the number of the entry's group (from 1),
    // and whether it is the copy the check left unselected. 0 and false
    // otherwise.
    std::int32_t DupGroup = 0;
    bool DupKept = false;
    bool HasAttach = false;
    bool Matched = false;
    bool DeleteMark = false;
    bool SelMark = false;
    bool EmlFile = false;       // the file's name ends in ".eml" (any case), not ".nws"
    std::int8_t IconIndex = 0;  // 2 for a ".eml" file, else 1, or 0 when empty or not read
    CompactText From;           // decoded and formatted sender, "（不明）" when absent
    CompactText Subject;        // decoded subject, "（件名なし）" when absent
    CompactText To;             // formatted recipients joined with "; "
    CompactText RecvDateText;   // "YYYY/MM/DD HH:MM"
    CompactText SentDateText;
    CompactText SizeKB;   // "1,234"; the list shows it followed by "KB"
    CompactText FromRaw;  // header bytes as read, unfolded and trimmed
    CompactText ToRaw;
    CompactText MessageId;  // angle brackets kept; empty when absent
    CompactText Boundary;   // top-level multipart/mixed or /report boundary
};

// A list owns its entries; removing an entry frees it. Remove many entries
// with one compaction pass (std::erase_if), never one erase per entry.
using MsgList = std::vector<std::unique_ptr<TMsgItem>>;

// The lines of the message being read (header lines unfolded, then an empty
// line and body lines when the reader read on). One per reader, passed in.
using LineList = std::vector<std::string>;

}  // namespace pelmora
