// SPDX-License-Identifier: MIT
#include "decode/transfer_stream.h"

#include <cstdint>

#include "decode/transfer.h"

namespace pelmora {

void UudecodeStream::appendLine(std::string& out, std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (m_phase == Phase::BeforeBegin) {
        if (line.starts_with("begin ")) m_phase = Phase::Data;
        return;
    }
    if (m_phase == Phase::Ended) return;
    if (line == "end") {
        m_phase = Phase::Ended;
        return;
    }
    if (line.empty()) return;
    // Each character carries six bits as its code minus 32; "`" stands for 0.
    auto value = [](char c) { return static_cast<std::uint32_t>((c - 32) & 63); };
    std::size_t length = value(line[0]);
    for (std::size_t i = 1; length > 0; i += 4) {
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k)
            group = group << 6 | (i + k < line.size() ? value(line[i + k]) : 0);
        for (int shift = 16; shift >= 0 && length > 0; shift -= 8, --length)
            out += static_cast<char>(group >> shift & 0xFF);
    }
}

void AppendQuotedPrintableLine(std::string& out, std::string_view line, bool& softBreak) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    softBreak = !line.empty() && line.back() == '=';
    if (softBreak) line.remove_suffix(1);
    AppendQuotedPrintableDecoded(out, line);
}

}  // namespace pelmora
