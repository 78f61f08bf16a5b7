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

// The terms of the Japanese-heavy corpus (UTF-8): an ASCII word in about
// three bodies in a hundred of every kind (hidden from grep in base64), and
// a katakana word, which the filler text never holds, in about three in a
// hundred of the ISO-2022-JP bodies (as its fixed JIS bytes) and of the
// base64 and quoted-printable UTF-8 bodies.
inline constexpr std::string_view kAsciiTerm = "Falcon";
inline constexpr std::string_view kJapaneseTerm = "ファルコン";

struct CorpusFacts {
    std::size_t messages = 0;
    std::uint64_t bytes = 0;
    std::size_t planted = 0;          // messages whose first body part holds the (ASCII) word
    std::size_t plantedJapanese = 0;  // the same for kJapaneseTerm; 0 in the mixed corpus
};

// Fills folder with count messages unless a previous call left exactly
// that corpus there (recorded in a marker file).
CorpusFacts EnsureCorpus(const std::filesystem::path& folder, std::size_t count);

// The same for a folder as Japanese mail folders hold it: 55 % ISO-2022-JP
// text bodies of 1-20 KB under 2-6 folded Received fields, 20 % UTF-8 in
// base64 or quoted-printable, 15 % multipart/mixed with a text part and one
// or two base64 attachments of 10-500 KB, 5 % multipart/alternative, 5 %
// byte-identical copies of earlier messages; 85 % with CRLF line ends.
CorpusFacts EnsureJapaneseCorpus(const std::filesystem::path& folder, std::size_t count);

}  // namespace pelmora::bench
