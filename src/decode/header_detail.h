// SPDX-License-Identifier: MIT
// The two ways DecodeEncodedWords works, for the tests that hold them to
// the same result.
#pragma once

#include <string>
#include <string_view>

namespace pelmora::detail {

// The three prefix passes with their rescans, then a last pass over the
// words they leave: what every value gets when the shortcut declines it.
std::string DecodeEncodedWordsGeneral(std::string_view value);

// The shortcut for the usual value, whose every "=?" starts a plain
// ISO-2022-JP or UTF-8 word: one walk left to right, appending to out.
// False, with out in any state, when the value needs the general passes.
bool DecodeSimpleEncodedWords(std::string_view value, std::string& out);

}  // namespace pelmora::detail
