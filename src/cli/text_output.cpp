// SPDX-License-Identifier: MIT
#include "cli/text_output.h"

#include <cstdint>
#include <cstdio>

#include "decode/ascii.h"
#include "decode/cp932.h"
#include "decode/utf8.h"

namespace pelmora::cli {

std::optional<OutputEncoding> ParseOutputEncoding(std::string_view name) {
    if (ascii::EqualsNoCase(name, "utf-8") || ascii::EqualsNoCase(name, "utf8")) {
        return OutputEncoding::Utf8;
    }
    if (ascii::EqualsNoCase(name, "cp932")) return OutputEncoding::Cp932;
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

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const char c = utf8[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += '\\';
            out += c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else if (static_cast<std::uint8_t>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    out += '"';
    return out;
}

std::string TsvField(std::string_view cp932, OutputEncoding encoding) {
    return EscapeTsvField(ForOutput(cp932, encoding), encoding);
}

}  // namespace pelmora::cli
