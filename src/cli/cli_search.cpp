// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunSearch(const Args&) {
    std::cerr << "pelmora-cli search: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
