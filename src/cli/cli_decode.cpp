// SPDX-License-Identifier: MIT
// pelmora-cli decode: header values as the message list shows them.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/text_output.h"
#include "decode/header.h"

namespace pelmora::cli {

namespace {

int usageError(std::string_view message) {
    std::cerr << "pelmora-cli decode: " << message << '\n'
              << "usage: pelmora-cli decode [--encoding=utf-8|cp932] [--] VALUE...\n";
    return 2;
}

}  // namespace

int DecodeCommand(const Args& args) {
    OutputEncoding encoding = OutputEncoding::Utf8;
    std::vector<std::string_view> values;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        const std::string_view a = arg;
        if (optionsEnded || !a.starts_with("-") || a == "-") {
            values.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a.starts_with("--encoding=")) {
            const auto parsed = ParseOutputEncoding(a.substr(std::string_view("--encoding=").size()));
            if (!parsed) return usageError("unknown encoding '" + arg.substr(11) + "'");
            encoding = *parsed;
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }
    if (values.empty()) return usageError("no value given");
    for (const std::string_view value : values) {
        std::cout << TsvField(DecodeHeaderText(value), encoding) << '\n';
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace pelmora::cli
