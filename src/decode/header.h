// SPDX-License-Identifier: MIT
// Decoding of one header value (From, To, Subject) into display text.
#pragma once

#include <string>
#include <string_view>

namespace pelmora {

std::string DecodeHeaderText(std::string_view value);
std::string DecodeEncodedWords(std::string_view value);

}  // namespace pelmora
