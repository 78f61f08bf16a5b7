// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunDups(const Args&) {
    std::cerr << "pelmora-cli dups: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
