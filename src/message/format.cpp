// SPDX-License-Identifier: MIT
#include "message/format.h"

#include <sys/stat.h>

#include <cstdint>

#include "message/mail_date.h"
#include "message/msg_item.h"

namespace pelmora {

std::string FormatCount(std::int64_t count) {
    // Work on the magnitude as unsigned so that the smallest int64 survives.
    std::uint64_t magnitude =
        count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
    std::string digits = std::to_string(magnitude);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (count < 0) out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string SizeKBText(std::int64_t bytes) {
    // bytes / 1024 rounded half up, never shown below 1 (an empty file is 1KB).
    std::int64_t kb = bytes <= 0 ? 0 : bytes / 1024 + ((bytes % 1024) >= 512 ? 1 : 0);
    if (kb < 1) kb = 1;
    return FormatCount(kb);
}

void SetFileFacts(TMsgItem& entry, const struct stat& info) {
    entry.FileTime = FileTimeFromTimespec(info.st_mtim);
    entry.FileDate = FileDateFromFileTime(entry.FileTime);
    entry.FileSize = static_cast<std::int64_t>(info.st_size);
    entry.FileDevice = static_cast<std::uint64_t>(info.st_dev);
    entry.FileInode = static_cast<std::uint64_t>(info.st_ino);
    entry.FileChangeTime =
        static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec;
    entry.SizeKB = SizeKBText(entry.FileSize);
}

std::string_view WriteFileDateText(const TMsgItem& entry, char (&text)[DateTextSize]) {
    if (entry.FileDate == 0) return {};
    return WriteDateText(entry.FileDate, text);
}

}  // namespace pelmora
