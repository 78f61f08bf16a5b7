// SPDX-License-Identifier: MIT
// The temporary file that holds a message's new content until it takes the
// message's name, and what is left of one when a rewrite was killed.
#pragma once

#include <expected>
#include <filesystem>
#include <string_view>

namespace pelmora {

// A temporary file beside a message, open for writing and locked (flock)
// for as long as it is open, so that a clean-up in another process can tell
// it is in use.
struct StripTemporary {
    int fd = -1;
    std::filesystem::path path;
};

// A new hidden file beside target named ".<name>.pelmora-XXXXXX" (or
// ".pelmora-XXXXXX" when that would pass the longest name a folder entry
// may have), so that a user who finds one knows what it is; or an errno value.
std::expected<StripTemporary, int> CreateStripTemporary(const std::filesystem::path& target);

// name is one CreateStripTemporary makes.
bool IsStripTemporaryName(std::string_view name);

// Removes from folder the temporary files of rewrites that were killed
// before they finished: regular files of this user with such a name that no
// running rewrite holds. Answers how many went.
int RemoveLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace pelmora
