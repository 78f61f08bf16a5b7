// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunList(const Args&) {
    std::cerr << "pelmora-cli list: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
