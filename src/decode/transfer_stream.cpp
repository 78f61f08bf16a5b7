// SPDX-License-Identifier: MIT
#include "decode/transfer_stream.h"

#include <array>

namespace pelmora {

namespace {

constexpr signed char kPadding = -2;

// -1 for bytes outside the alphabet, kPadding for "=".
constexpr std::array<signed char, 256> kValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    values['='] = kPadding;
    return values;
}();

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes a group of count (2 or 3) values gives.
void putPartial(std::string& out, std::uint32_t group, int count) {
    if (count == 2) out += static_cast<char>(group >> 4 & 0xFF);
    if (count == 3) {
        out += static_cast<char>(group >> 10 & 0xFF);
        out += static_cast<char>(group >> 2 & 0xFF);
    }
}

}  // namespace

void Base64Stream::append(std::string& out, std::string_view in) {
    if (m_ended) return;
    out.reserve(out.size() + in.size() / 4 * 3 + 3);
    for (const char c : in) {
        const int value = kValues[static_cast<unsigned char>(c)];
        if (value == kPadding) {
            // RFC 2045 6.8: "=" only completes the last group of the data.
            if (m_count < 2 || m_count + ++m_padding < 4) continue;
            putPartial(out, m_group, m_count);
            m_ended = true;
            return;
        }
        if (value < 0) continue;
        m_padding = 0;
        m_group = m_group << 6 | static_cast<std::uint32_t>(value);
        if (++m_count == 4) {
            out += static_cast<char>(m_group >> 16 & 0xFF);
            out += static_cast<char>(m_group >> 8 & 0xFF);
            out += static_cast<char>(m_group & 0xFF);
            m_group = 0;
            m_count = 0;
        }
    }
}

void Base64Stream::finish(std::string& out) {
    if (!m_ended) putPartial(out, m_group, m_count);
    *this = {};
}

std::uint64_t Base64Stream::countOnly(std::string_view in) {
    std::string scratch;
    std::uint64_t bytes = 0;
    // Decoding into a small block at a time costs little more than
    // counting and cannot count differently.
    for (std::size_t at = 0; at < in.size() && !m_ended; at += 4096) {
        scratch.clear();
        append(scratch, in.substr(at, 4096));
        bytes += scratch.size();
    }
    return bytes;
}

std::uint64_t Base64Stream::finishCount() {
    std::string scratch;
    finish(scratch);
    return scratch.size();
}

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
    out.reserve(out.size() + line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '=' && i + 2 < line.size()) {
            const int high = hexValue(line[i + 1]), low = hexValue(line[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += line[i];
    }
}

}  // namespace pelmora
