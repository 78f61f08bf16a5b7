// SPDX-License-Identifier: MIT
// The two ways DecodeEncodedWords works, for the tests that hold them to
// the same result.
#pragma once

#include <string>
#include <string_view>

namespace pelmora::detail {

// The shortcut for the usual value, whose every "=?" starts a plain
// ISO-2022-JP or UTF-8 word: one walk left to right, appending to out.
// False, with out in any state, when the value needs the general passes.
bool DecodeSimpleEncodedWords(std::string_view value, std::string& out);

}  // namespace pelmora::detail
