// SPDX-License-Identifier: MIT
// Shared shape of the decode fuzzers: the input as a byte string, and a
// check that ends the run when a decoder breaks one of its promises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace pelmora::fuzz {

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline void require(bool promiseKept) {
    if (!promiseKept) std::abort();
}

}  // namespace pelmora::fuzz
