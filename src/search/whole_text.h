// SPDX-License-Identifier: MIT
// The test of a base64 body as one text, fed as it is decoded. The body is
// converted and tested a batch at a time, cut only where the character-set
// conversion would start afresh anyway, and a tail as long as the longest
// term is kept for terms that span two batches; so the verdict is the one
// a test of the whole text would give, and the body's size never decides
// the memory a search needs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/body_text.h"
#include "search/term_probe.h"
#include "search/terms.h"

namespace pelmora {

// The last position up to which bytes can be converted on their own: the
// conversion of bytes[0, cut) followed by that of the rest gives the
// conversion of all of them. 0 when there is none.
std::size_t SafeConversionCut(std::string_view bytes, BodyConversion conversion);

class WholeBodyTest {
public:
    // Uses body's buffers; terms' marks must be reset. With a prefilter, a
    // body that fits in one batch is converted only when the prefilter
    // cannot prove that no term occurs in it.
    WholeBodyTest(TermList& terms, BodyConversion conversion, BodyText& body,
                  BodyPrefilter* prefilter = nullptr);

    // Where the next decoded bytes go; call added() after appending.
    std::string& decoded() { return m_body.decoded; }
    // False once more bytes cannot change the verdict.
    bool added();
    // The verdict on the whole body: matched and nothing excluded.
    bool finish();

private:
    bool decided() const;
    void convertAndTest(std::string_view bytes, bool last);

    TermList& m_terms;
    BodyConversion m_conversion;
    BodyText& m_body;
    BodyPrefilter* m_prefilter;
    bool m_converted = false;  // a batch was converted and tested
    std::vector<bool> m_found;
    std::size_t m_longestTerm = 1;
    bool m_hasExcluded = false;
    bool m_excluded = false;
    bool m_ended = false;  // a zero byte ended the text
};

}  // namespace pelmora
