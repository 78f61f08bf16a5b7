// SPDX-License-Identifier: MIT
// The row of a table-driven test that maps one text to another: its name
// names the generated test and is what a failure prints instead of the
// (often binary) bytes.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace pelmora::test {

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

inline std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

inline void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace pelmora::test
