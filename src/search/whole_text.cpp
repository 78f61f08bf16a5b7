// SPDX-License-Identifier: MIT
#include "search/whole_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decode/cp932.h"

namespace pelmora {

namespace {

// Decoded bytes are converted and tested once this many wait.
constexpr std::size_t kBatchBytes = 1 << 20;
constexpr char kEsc = 0x1B;

// The length of a UTF-8 step as the body conversion takes it: the lead byte
// alone decides it.
std::size_t utf8StepLength(std::uint8_t lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    return 6;
}

std::size_t utf8Cut(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = utf8StepLength(static_cast<std::uint8_t>(bytes[i]));
        if (i + length > bytes.size()) break;
        i += length;
    }
    return i;
}

// ISO-2022-JP starts in single-byte mode, so a cut may fall only where the
// conversion is in that mode, between two of its steps: an escape of three
// bytes, a pair in double-byte mode, a single byte otherwise.
std::size_t iso2022JpCut(std::string_view bytes) {
    std::size_t cut = 0;
    bool doubleByte = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (!doubleByte) cut = i;
        std::size_t length = 1;
        if (bytes[i] == kEsc) {
            length = 3;
            if (i + 1 < bytes.size()) {
                if (bytes[i + 1] == '$') doubleByte = true;
                if (bytes[i + 1] == '(') doubleByte = false;
            }
        } else if (doubleByte) {
            length = 2;
        }
        if (i + length > bytes.size()) return cut;
        i += length;
    }
    return doubleByte ? cut : i;
}

// The reading of ISO-2022-JP that Iso2022JpToSjis makes, one byte at a
// time: whether it is in double-byte mode and between two of its steps.
class Iso2022JpSteps {
public:
    void take(char c) {
        if (m_left > 0) {
            // The byte after ESC decides the mode; the one after that is skipped.
            if (m_left-- == 2 && m_escape) {
                if (c == '$') m_doubleByte = true;
                if (c == '(') m_doubleByte = false;
            }
            return;
        }
        m_escape = c == kEsc;
        if (m_escape)
            m_left = 2;
        else if (m_doubleByte)
            m_left = 1;
    }
    bool betweenSingleByteSteps() const { return m_left == 0 && !m_doubleByte; }

private:
    bool m_doubleByte = false;
    bool m_escape = false;
    int m_left = 0;  // bytes of the current step still to come
};

// EUC-JP is converted in two steps, EucJpToIso2022Jp and Iso2022JpToSjis.
// A cut may fall after an ASCII byte, where the first step is in
// single-byte mode and has written no escape it owes, if the second step,
// reading what the first wrote, is then in single-byte mode between two of
// its steps (an escape in the text itself may have left it elsewhere). A
// high byte at the end waits for the byte that decides whether it pairs.
std::size_t eucJpCut(std::string_view bytes) {
    auto high = [](char c) { return static_cast<std::uint8_t>(c) > 0x80; };
    std::size_t cut = 0;
    bool doubleByte = false;
    Iso2022JpSteps second;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (high(c)) {
            if (i + 1 == bytes.size()) break;
            if (high(bytes[i + 1])) {
                if (!doubleByte)
                    for (const char e : {kEsc, '$', 'B'}) second.take(e);
                doubleByte = true;
                second.take(static_cast<char>(c - 0x80));
                second.take(static_cast<char>(bytes[i + 1] - 0x80));
                i += 2;
                continue;
            }
        } else if (static_cast<std::uint8_t>(c) < 0x80) {
            if (doubleByte)
                for (const char e : {kEsc, '(', 'J'}) second.take(e);
            doubleByte = false;
            second.take(c);
            if (second.betweenSingleByteSteps()) cut = i + 1;
        }
        // A lone high byte and 0x80 are dropped.
        ++i;
    }
    return cut;
}

bool isLead(char c) {
    return IsCp932LeadByte(static_cast<std::uint8_t>(c));
}

}  // namespace

std::size_t SafeConversionCut(std::string_view bytes, BodyConversion conversion) {
    switch (conversion) {
        case BodyConversion::AsIs:
            return bytes.size();
        case BodyConversion::Utf8:
            return utf8Cut(bytes);
        case BodyConversion::Iso2022Jp:
            return iso2022JpCut(bytes);
        case BodyConversion::EucJp:
            return eucJpCut(bytes);
    }
    return 0;
}

WholeBodyTest::WholeBodyTest(TermList& terms, BodyConversion conversion, BodyText& body,
                             BodyPrefilter* prefilter)
    : m_terms(terms),
      m_conversion(conversion),
      m_body(body),
      m_prefilter(prefilter),
      m_found(terms.size(), false) {
    m_body.decoded.clear();
    m_body.text.clear();
    m_body.units.clear();
    for (std::size_t i = 0; i < m_terms.size(); i += 2) {
        m_longestTerm = std::max(m_longestTerm, m_terms[i].text.size());
        if (m_terms[i].mark < 0) m_hasExcluded = true;
    }
}

bool WholeBodyTest::decided() const {
    if (m_excluded || m_ended || m_terms.empty()) return true;
    if (m_hasExcluded) return false;
    // Nothing can take a match back once every needed term is found.
    bool v = m_found[0];
    for (std::size_t j = 1; j + 1 < m_terms.size(); j += 2)
        v = m_terms[j].text == "&" ? v && m_found[j + 1] : v || m_found[j + 1];
    return v;
}

bool WholeBodyTest::added() {
    std::string& pending = m_body.decoded;
    if (pending.size() < kBatchBytes || decided()) return !decided();
    const std::size_t cut = SafeConversionCut(pending, m_conversion);
    if (cut == 0) return true;
    convertAndTest(std::string_view(pending).substr(0, cut), false);
    pending.erase(0, cut);
    return !decided();
}

bool WholeBodyTest::finish() {
    if (!decided()) convertAndTest(m_body.decoded, true);
    if (m_excluded || m_terms.empty()) return false;
    auto counts = [&](std::size_t i) { return m_terms[i].mark < 0 || m_found[i]; };
    bool v = counts(0);
    for (std::size_t j = 1; j + 1 < m_terms.size(); j += 2)
        v = m_terms[j].text == "&" ? v && counts(j + 1) : v || counts(j + 1);
    return v;
}

// m_body.text holds the tail kept from the last batch, starting on a
// character; the new text is appended, upper-cased and tested as far as
// it is complete (a lead byte at its end waits for its trail byte).
void WholeBodyTest::convertAndTest(std::string_view bytes, bool last) {
    // The whole body in one batch: no term found yet, no tail kept.
    if (last && !m_converted && m_prefilter != nullptr && m_prefilter->begin(m_conversion, true) &&
        m_prefilter->add(bytes) && m_prefilter->provesAbsent(m_terms))
        return;
    m_converted = true;
    std::string& converted = m_body.scratch;
    converted.clear();
    AppendConvertedBody(converted, bytes, m_conversion);
    std::erase_if(converted, [](char c) { return c == '\r' || c == '\n'; });
    // The text ends at its first zero byte, as the term test reads it.
    if (const void* zero = std::memchr(converted.data(), 0, converted.size()); zero != nullptr) {
        converted.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - converted.data()));
        m_ended = true;
        last = true;
    }
    std::string& text = m_body.text;
    text += converted;

    std::size_t complete = text.size();
    std::size_t keepFrom = 0;
    if (!last) {
        const std::size_t tail = m_longestTerm;
        const std::size_t wanted = text.size() > tail ? text.size() - tail : 0;
        std::size_t i = 0;
        while (i < text.size()) {
            if (i <= wanted) keepFrom = i;
            if (!isLead(text[i])) {
                ++i;
            } else if (i + 1 < text.size()) {
                i += 2;
            } else {
                complete = i;
                break;
            }
        }
    }
    // Upper-casing is idempotent, so the kept tail may be done again.
    if (m_body.upperCase) UpperCaseDisplayRange(text.data(), complete);
    const std::string_view window(text.data(), complete);
    for (std::size_t i = 0; i < m_terms.size() && !m_excluded; i += 2) {
        if (m_found[i] || FindTermInText(window, m_terms[i].text) == std::string_view::npos) continue;
        m_found[i] = true;
        if (m_terms[i].mark < 0) m_excluded = true;
    }
    if (last)
        text.clear();
    else
        text.erase(0, keepFrom);
}

}  // namespace pelmora
