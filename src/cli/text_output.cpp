// SPDX-License-Identifier: MIT
#include "cli/text_output.h"

#include <cstdint>

#include "decode/cp932.h"
#include "decode/text.h"

namespace pelmora::cli {

std::optional<OutputEncoding> ParseOutputEncoding(std::string_view name) {
    if (CompareTextNoCase(name, "utf-8") == 0 || CompareTextNoCase(name, "utf8") == 0) {
        return OutputEncoding::Utf8;
    }
    if (CompareTextNoCase(name, "cp932") == 0) return OutputEncoding::Cp932;
    return std::nullopt;
}

std::string ForOutput(std::string_view cp932, OutputEncoding encoding) {
    if (encoding == OutputEncoding::Cp932) return std::string(cp932);
    return Cp932ToUtf8(cp932);
}

std::string EscapeTsvField(std::string_view text, OutputEncoding encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (encoding == OutputEncoding::Cp932 && IsCp932LeadByte(static_cast<std::uint8_t>(c)) &&
            i + 1 < text.size()) {
            out += c;
            out += text[++i];
            continue;
        }
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string TsvField(std::string_view cp932, OutputEncoding encoding) {
    return EscapeTsvField(ForOutput(cp932, encoding), encoding);
}

}  // namespace pelmora::cli
