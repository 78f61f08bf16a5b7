// SPDX-License-Identifier: MIT
#include "cli/arguments.h"

#include <iostream>

namespace pelmora::cli {

std::optional<std::string> WalkArguments(
    const Args& args, const std::function<std::optional<std::string>(const std::string&)>& option,
    const std::function<void(const std::string&)>& operand) {
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            operand(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (auto problem = option(arg)) {
            return problem;
        }
    }
    return std::nullopt;
}

int UsageError(std::string_view command, std::string_view problem, std::string_view usage) {
    std::cerr << "pelmora-cli " << command << ": " << problem << '\n' << usage;
    return 2;
}

}  // namespace pelmora::cli
