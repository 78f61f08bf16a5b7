// SPDX-License-Identifier: MIT
// The temporary file that holds a message's new content until it takes the
// message's name, and what is left of one when a rewrite was killed.
#pragma once

#include <filesystem>
#include <string_view>

namespace pelmora {

// The tag of the temporary file beside a message (ReplaceOptions): it is
// named ".<name>.pelmora-XXXXXX" (or ".pelmora-XXXXXX" when that would pass
// the longest name a folder entry may have), so that a user who finds one
// knows what it is.
inline constexpr std::string_view kStripTemporaryTag = "pelmora-XXXXXX";

// name is one such temporary file's.
bool IsStripTemporaryName(std::string_view name);

// Removes from folder the temporary files of rewrites that were killed
// before they finished: regular files of this user with such a name that no
// running rewrite holds. Answers how many went.
int RemoveLeftoverTemporaries(const std::filesystem::path& folder);

}  // namespace pelmora
