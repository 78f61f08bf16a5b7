// SPDX-License-Identifier: MIT
// The argument conventions every command shares.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace pelmora::cli {

// Hands each option to option and each operand to operand, in order: "--"
// ends the options; "-" and every argument not starting with "-" is an
// operand. option returns nullopt when it took the argument, else the
// problem, which ends the walk and is returned.
std::optional<std::string> WalkArguments(
    const Args& args, const std::function<std::optional<std::string>(const std::string&)>& option,
    const std::function<void(const std::string&)>& operand);

// "pelmora-cli <command>: <problem>", then the usage lines, on stderr; the
// exit status of bad usage.
int UsageError(std::string_view command, std::string_view problem, std::string_view usage);

}  // namespace pelmora::cli
