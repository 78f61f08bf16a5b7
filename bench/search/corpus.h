// SPDX-License-Identifier: MIT
// A deterministic folder of generated messages for the search benchmark:
// plain ASCII, ISO-2022-JP, base64 and quoted-printable UTF-8 bodies, and
// multipart/mixed messages with an attachment, in the proportions Japanese
// mail folders show. The same count always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace pelmora::bench {

// The ASCII word planted in the bodies of about one message in a hundred,
// written so that grep finds it in the raw file as well.
inline constexpr std::string_view kPlantedWord = "zebracorn";

struct CorpusFacts {
    std::size_t messages = 0;
    std::uint64_t bytes = 0;
    std::size_t planted = 0;  // messages whose first body part holds the word
};

// Fills folder with count messages unless a previous call left exactly
// that corpus there (recorded in a marker file).
CorpusFacts EnsureCorpus(const std::filesystem::path& folder, std::size_t count);

}  // namespace pelmora::bench
