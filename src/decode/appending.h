// SPDX-License-Identifier: MIT
// The value-returning form of an appending conversion: the appending forms
// do the work, so that callers building one text from many pieces convert
// into it without a string per piece.
#pragma once

#include <string>
#include <string_view>

namespace pelmora::detail {

template <void (*Append)(std::string&, std::string_view)>
std::string Converted(std::string_view text) {
    std::string out;
    Append(out, text);
    return out;
}

}  // namespace pelmora::detail
