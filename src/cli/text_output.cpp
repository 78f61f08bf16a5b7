// SPDX-License-Identifier: MIT
#include "cli/text_output.h"

#include <cstdint>
#include <cstdio>

#include "decode/ascii.h"
#include "decode/cp932.h"

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

namespace {

// The length of the well-formed UTF-8 sequence at text[i] (Unicode, table
// 3-7: no overlong forms, no surrogates, nothing above U+10FFFF), or 0.
std::size_t wellFormedLength(std::string_view text, std::size_t i) {
    const auto byte = [&text](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = wellFormedLength(utf8, i);
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
