// SPDX-License-Identifier: MIT
// pelmora-cli decode: header values as the message list shows them.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/text_output.h"
#include "decode/header.h"

namespace pelmora::cli {

namespace {

int usageError(std::string_view problem) {
    return UsageError("decode", problem,
                      "usage: pelmora-cli decode [--encoding=utf-8|cp932] [--] VALUE...\n");
}

}  // namespace

int DecodeCommand(const Args& args) {
    OutputEncoding encoding = OutputEncoding::Utf8;
    std::vector<std::string_view> values;
    auto option = [&](const std::string& arg) -> std::optional<std::string> {
        if (!arg.starts_with("--encoding=")) return "unknown option '" + arg + "'";
        const auto parsed = ParseOutputEncoding(std::string_view(arg).substr(11));
        if (!parsed) return "unknown encoding '" + arg.substr(11) + "'";
        encoding = *parsed;
        return std::nullopt;
    };
    if (auto problem = WalkArguments(args, option, [&](const std::string& arg) { values.push_back(arg); }))
        return usageError(*problem);
    if (values.empty()) return usageError("no value given");
    for (const std::string_view value : values) {
        std::cout << TsvField(DecodeHeaderText(value), encoding) << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace pelmora::cli
