// SPDX-License-Identifier: MIT
// The prefilter changes no answer of the body search: messages made to
// defeat its proof, the shared corpus and a generated folder are searched
// with and without it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "corpus.h"
#include "decode/cp932.h"
#include "decode/japanese.h"
#include "support/body_search_differential.h"
#include "support/files.h"

namespace pelmora {
namespace {

namespace fs = std::filesystem;

// The proof takes every character the UTF-8 conversion maps to stand for
// bytes that are not ASCII, with a lead byte first when there are two.
TEST(BodyPrefilterTest, MappedUtf8CharactersAreNeverAscii) {
    for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
        const std::uint16_t code = UnicodeToSjis(cp);
        if (code == 0) continue;
        ASSERT_GE(code, 0x80) << std::hex << static_cast<unsigned>(cp);
        if (code >= 0x100) {
            ASSERT_TRUE(IsCp932LeadByte(code >> 8)) << std::hex << static_cast<unsigned>(cp);
        }
    }
}

LineList linesOf(std::string_view text) {
    LineList lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(BodyPrefilterTest, MessagesMadeToDefeatTheProof) {
    const std::string jis = "Content-Type: text/plain; charset=iso-2022-jp\n\n";
    const std::string utf8 = "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\n";
    const std::string qp =
        "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n";
    const std::string b64 = "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n";
    const std::string sjis =
        "Content-Type: text/plain; charset=shift_jis\nContent-Transfer-Encoding: 8bit\n\n";
    const std::string euc = "Content-Type: text/plain; charset=euc-jp\nContent-Transfer-Encoding: 8bit\n\n";
    const std::string messages[] = {
        // Escapes, an empty double-byte stretch and a damaged pair inside the word.
        jis + "zeb\x1B(Bracorn\n",
        jis + "ZEBRA\x1B$B\x1B(BCORN patience\n",
        jis + "\x1B$B\x7F\x5A\x01\x5A\x1B(BEBRACORN\n",
        jis + "\x1B$B8!:w\x1B(Bzebra\ncorn\n",
        // ファルコン split by escapes and a line end, out of step, in
        // Shift_JIS bytes, with a pair that takes an escape or a line end.
        jis + "\x1B$B%U%!\x1B(B\x1B$B%k%3%s\x1B(B\n",
        jis + "\x1B$B%U%!%k\n\x1B$B%3%s\n",
        jis + "\x1B$B %U%!%k%3%s\x1B(B\n",
        jis + "\x83t\x83@\x83\x8B\x83R\x83\x93\n",
        jis + "\x1B$B%U%!%k%3%\x1B(Bs\n",
        // Lines are converted one by one: a line that ends in double-byte
        // mode or inside an escape, one whose last pair takes an escape.
        jis + "zeb\x1B$B%U\nracorn\n",
        jis + "\x1B$B%U\nzebracorn\n",
        jis + "zebra\x1B$B\ncorn \x1B(\nzebra\x1B\ncorn\n",
        jis + "\x1B$B%U\x1B\nzebracorn %U%!\x1B\n%k%3%s\n",
        // The word's pairs split between two lines, the first part short,
        // long, or itself in two stretches.
        jis + "\x1B$B%U\x1B(B\n\x1B$B%!%k%3%s\x1B(B\n",
        jis + "\x1B$B$\"$\"$\"$\"$\"%U%!%k\x1B(B\n\x1B$B%3%s\x1B(B\n",
        jis + "\x1B$B%U%!\x1B(B\x1B$B%k\x1B(B\n\x1B$B%3%s\x1B(B\n",
        "Content-Type: text/plain; charset=iso-2022-jp\nContent-Transfer-Encoding: base64\n\n"
        "GyRCJVUlIQ0KJWslMyVzGyhC\n",  // "\x1B$B%U%!\r\n%k%3%s\x1B(B"
        "Content-Type: text/plain; charset=iso-2022-jp\nContent-Transfer-Encoding: quoted-printable\n\n"
        "=1B$B%U%!%=\nk%3%s=1B(B\n",
        // Overlong sequences that the conversion reads as ASCII letters.
        utf8 + "ZEBRA\xC1\x83ORN\n",
        utf8 + "ZEBRA\xE0\x81\x83ORN the\n",
        utf8 + "\x80\x81\x81\x81\x81\x83ZEBRACORN\n",
        // A converted character whose second byte is Z, after one the
        // reading may fall out of step with.
        utf8 +
            "\xE3\x82\xBB"
            "EBRACORN\n",
        utf8 +
            "\xE2\x81\x81\xE3\x82\xBB"
            "EBRACORN \xF0\x9F\x98\x80\n",
        // ファルコン in UTF-8 that is not in its shortest form, has a
        // byte that is no continuation, or follows a character the code
        // page lacks; split by a line end, a soft break and CR LF.
        utf8 + "\xE3\x43\x95\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xF0\x83\x83\x95\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xE5\xA7\x82\xE3\x83\x95\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xC3\x83t\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xE3\x90\x83t\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xE3\x81\x82\xE3\x90\x83t\xE3\x82\xA1\xE3\x83\xAB\xE3\x82\xB3\xE3\x83\xB3\n",
        utf8 + "\xE3\x83\x95\xE3\x82\xA1\xE3\x83\xAB\n\xE3\x82\xB3\xE3\x83\xB3\n",
        qp + "=E3=83=95=E3=82=A1=E3=83=\n=AB=E3=82=B3=E3=83=B3\n",
        b64 + "44OV44Kh44OrDQrjgrPjg7M=\n",  // "ファル\r\nコン"
        // Line ends, soft breaks and escapes inside the word.
        utf8 + "zebra\ncorn\n",
        qp + "zebra=\ncorn =E8=AD=B0=E4=BA=8B=E9=8C=B2\n",
        qp + "zebra=43orn\n",
        b64 + "emVicmEKY29ybgpwYXRpZW5jZQ==\n",  // "zebra\ncorn\npatience"
        b64 + "WkVCUkHBg09STg==\n",              // "ZEBRA\xC1\x83ORN"
        sjis +
            "\x82\x9A\x82\x85\x82\x82\x82\x92\x82\x81\x82\x83\x82\x8F\x82\x92\x82\x8E zebra\x83"
            "corn\n",
        euc + "zebracorn \xB5\xC4\xBB\xF6\xCF\xBF\n",
        // Read where the lines lie: CR LF, a lone CR or the end mark in a
        // line, a last line without its end, an escape's third byte out of
        // range, a line of escapes alone, and the word across an empty line.
        jis + "\x1B$B%U%!\x1B(B\r\n\x1B$B%k%3%s\x1B(B\r\n",
        jis + "\x1B$B%U%!%k\x1B(B\r\x1B$B%3%s\x1B(B\n",
        jis + "\x1B$B%U%!\r\r%k%3%s\x1B(B\n",
        jis + "\x1B$B%U%!%k\x1B(B\n\x1A\x1B$B%3%s\x1B(B\n",
        jis + "\x1B$B%U%!%k\x1B(B\n\x1B$B%3%s\x1B(B",
        jis + "\x1B$\xC2%U%!%k%3%s\x1B(B\n",
        jis + "\x1B$B%U%!\x1B(B\n\x1B$B\x1B(B\n\n\x1B$B%k%3%s\x1B(B\n",
        jis + "zebra\x1B$B%U\x1B(B\ncorn\n\x1B$B%U%!%k%3%s\x1B(\x80\n",
        qp + "=E3=83=95=E3=82=A1\r=E3=83=AB=E3=82=B3=E3=83=B3\n",
        qp + std::string(70000, 'x') + " zebracorn\n",
        qp + "=E3=83=95=E3=82=A1=E3=83=AB=\r\n=E3=82=B3=E3=83=B3=\n",
        // Bodies with nothing, or nothing but blanks.
        utf8,
        jis + "\n\n",
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nzebra\n--b\n\ncorn\n",
    };
    test::BodySearchDifferential differential;
    test::DifferentialTally tally;
    int index = 0;
    for (const std::string& message : messages) {
        const std::string name = "message " + std::to_string(index++);
        differential.compare(linesOf("Subject: x\n" + message), name, tally);
        differential.compareStreamed("Subject: x\n" + message, name, tally);
    }
    EXPECT_TRUE(tally.differences.empty()) << ::testing::PrintToString(tally.differences);
    EXPECT_GT(tally.matched, 20u);
}

TEST(BodyPrefilterTest, SameAnswersOnTheCorpusAndAGeneratedFolder) {
    if (!fs::is_directory(PELMORA_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << PELMORA_CORPUS_DIR;
    test::BodySearchDifferential differential;
    test::DifferentialTally tally;
    differential.compareFolder(PELMORA_CORPUS_DIR, tally);
    EXPECT_GT(tally.messages, 2000u);

    const test::ScratchFolder scratch("pelmora-prefilter");
    const fs::path& folder = scratch.path();
    ASSERT_FALSE(folder.empty());
    const bench::CorpusFacts facts = bench::EnsureCorpus(folder / "mixed", 400);
    differential.compareFolder(folder / "mixed", tally);
    const bench::CorpusFacts japanese = bench::EnsureJapaneseCorpus(folder / "japanese", 150);
    differential.compareFolder(folder / "japanese", tally);
    EXPECT_EQ(tally.messages, 2412u + facts.messages + japanese.messages);
    EXPECT_TRUE(tally.differences.empty()) << ::testing::PrintToString(tally.differences);
}

}  // namespace
}  // namespace pelmora
