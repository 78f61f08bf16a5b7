// SPDX-License-Identifier: MIT
// Encoded words in header values decoded the general way: the path every
// value the shortcut in header.cpp declines takes, and that tests hold the
// shortcut to.
#pragma once

#include <string>
#include <string_view>

namespace pelmora::detail {

// The three prefix passes with their rescans, then a last pass over the
// words they leave: what every value gets when the shortcut declines it.
std::string DecodeEncodedWordsGeneral(std::string_view value);

}  // namespace pelmora::detail
