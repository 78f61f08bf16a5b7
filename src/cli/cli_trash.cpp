// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunTrash(const Args&) {
    std::cerr << "pelmora-cli trash: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
