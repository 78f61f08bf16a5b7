// SPDX-License-Identifier: MIT
// Every named text read back from its code page 932 bytes.
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "decode/cp932.h"
#include "decode/hex.h"
#include "decode/japanese.h"

namespace pelmora {
namespace {

using test::Hex;

// The bytes are what the run-time conversion makes of the words, no
// character became "?", and they decode to the very words: a look-alike
// typed in the source (a wave dash for a full-width tilde, a minus sign for
// a full-width hyphen-minus) would come back as another character.
TEST(TextsTest, EveryTextIsItsWordsInCodePage932) {
    ASSERT_FALSE(text::AllTexts().empty());
    for (const text::NamedText& entry : text::AllTexts()) {
        SCOPED_TRACE(entry.name);
        EXPECT_FALSE(entry.cp932.empty());
        EXPECT_EQ(Hex(entry.cp932), Hex(Utf8ToAnsi(entry.utf8)));
        EXPECT_EQ(std::ranges::count(entry.cp932, '?'), std::ranges::count(entry.utf8, '?'));
        EXPECT_EQ(Cp932ToUtf8(entry.cp932), entry.utf8);
    }
}

}  // namespace
}  // namespace pelmora
