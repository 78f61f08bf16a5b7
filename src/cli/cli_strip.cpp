// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunStrip(const Args&) {
    std::cerr << "pelmora-cli strip: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
