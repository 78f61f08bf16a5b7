// SPDX-License-Identifier: MIT
#include <iostream>

#include "cli/commands.h"

namespace pelmora::cli {

int RunExport(const Args&) {
    std::cerr << "pelmora-cli export: not built yet\n";
    return 2;
}

}  // namespace pelmora::cli
