// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunDecode(const Args&) {
    std::cerr << "pelmora-cli decode: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
