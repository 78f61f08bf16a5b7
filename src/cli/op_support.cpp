// SPDX-License-Identifier: MIT
#include "cli/op_support.h"

#include <sys/stat.h>

#include "catalogue/scan.h"
#include "decode/ascii.h"
#include "message/format.h"
#include "message/mail_date.h"
#include "platform/paths.h"

namespace pelmora::cli {

namespace fs = std::filesystem;

std::unique_ptr<TMsgItem> EntryForFile(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    // The folder part resolved as the kernel resolves it, never lexically:
    // "a/link/../m.eml" is a file beside the link's target, not "a/m.eml".
    fs::path absolute = platform::KernelPath(path, platform::FinalLink::Keep);
    if (!absolute.is_absolute()) absolute = fs::absolute(path);
    const std::string folder = absolute.parent_path().native();
    auto item = NewEntry(folder, FolderNameOf(folder), absolute.filename().native(),
                         ascii::ToLower(absolute.extension().native()));
    SetFileFacts(*item, info);
    return item;
}

}  // namespace pelmora::cli
