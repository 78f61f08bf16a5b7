// SPDX-License-Identifier: MIT
// A proof, read from a body's transfer-decoded bytes before any
// character-set conversion or upper-casing, that none of the terms can occur
// in the body's searchable text. Most bodies of a search hold none of its
// words, and this proof costs a fraction of converting them.
//
// The proof rests on the ASCII bytes of a term. A stretch of a term's bytes
// that are all ASCII (bar a few that upper-casing or the line-end removal can
// produce from other bytes) must be matched by ASCII bytes of the converted
// text; those come from the same ASCII bytes of the body, in the same order,
// with only escapes, line ends or double-byte stretches between them, except
// for the first byte of the stretch, which may be the second byte of a
// double-byte character (a converted pair, or, after damaged text, one the
// reading falls out of step with). So each stretch, less its first byte
// where the conversion makes double-byte characters, must occur in the
// body's ASCII bytes joined across escapes and line ends, letter case aside.
// Terms without such a stretch (Japanese words, a single letter) cannot be
// ruled out this way, nor can bytes whose conversion makes an ASCII character
// out of other bytes (overlong UTF-8), nor EUC-JP.
//
// Japanese words get a second proof in ISO-2022-JP bodies that are what
// the charset promises: 7-bit bytes, every pair of the double-byte mode a
// JIS X 0208 code (both bytes 0x21-0x7E). Their converted text is then
// ASCII characters and the pairs' own characters, read in step, so a
// stretch of a term's double-byte characters, none of them a letter, can
// only come from the same characters' JIS pairs one after another, with
// nothing but escapes (and line ends, where the text drops them) between.
// Any other body defeats this proof, never the first.
//
// They get a third proof in UTF-8 bodies whose every character the code
// page has, each written whole and in its shortest form: the converted text
// is then each character's own code, which no other character converts to,
// read in step, so the same stretch of a term's double-byte characters can
// only come from those characters' UTF-8 one after another (with line ends
// between, where the text drops them). A character the code page lacks is
// kept as its bytes, which may read as anything with what follows.
#pragma once

#include <bitset>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/body_text.h"
#include "search/terms.h"

namespace pelmora {

class BodyPrefilter {
public:
    // Takes the terms' texts; costs a comparison when they are the ones
    // taken last.
    void prepare(const TermList& terms);
    // Starts a body converted with `conversion`; line ends are dropped from
    // the converted text when dropLineEnds. False when no proof can come of
    // it (the conversion, or a term that the proof cannot rule out).
    bool begin(BodyConversion conversion, bool dropLineEnds);
    // Adds the bytes of one unit, converted on its own; false when they
    // defeat the proof.
    bool add(std::string_view bytes);
    // Adds units that lie one after another in text, each converted on its
    // own, as add would one by one.
    bool addUnits(std::string_view text, std::span<const BodyUnit> units);
    // Adds the lines of rest, an ISO-2022-JP body as it lies in the file
    // (each line ended by LF or CR LF, the last one too), each converted on
    // its own, as addUnits would add them; count is set to their number.
    // False when a line is of a shape that is not read here (the lines are
    // then to be added as units), or when the lines defeat the proof.
    bool addJisLines(std::string_view rest, std::size_t& count);
    // True when no term whose mark is not above zero (not found yet, or
    // excluded) can occur in the text of the units added since begin.
    bool provesAbsent(const TermList& terms);

private:
    struct Probes {
        std::vector<std::string> whole;       // the ASCII stretches
        std::vector<std::string> afterFirst;  // the same less their first byte
        std::string jis;                      // the longest double-byte stretch as JIS pairs
        std::string utf8;                     // the same as UTF-8, where only one source is
    };

    bool asciiProves(const Probes& probes) const;
    bool inStream(std::string_view probe, std::size_t key) const;
    void addAsIs(std::string_view bytes);
    void foldDirect();
    // The pairs' stream's last bytes, up to keep of them: where they lie
    // in the text, or in m_jisTail.
    struct JisTail {
        std::string_view bytes;
        std::size_t keep;
    };
    bool scanJisPairs(std::string_view text, std::span<const BodyUnit> units);
    JisTail startJisTail() const;
    void addJisPairs(std::string_view stretch, JisTail& tail);
    void addJisSingleBytes(std::string_view stretch);
    bool addJisLine(std::string_view line, std::size_t special, std::size_t notJis, JisTail& tail);
    void markJisProbesIn(std::string_view bytes);

    std::vector<std::string> m_texts;
    std::vector<Probes> m_probes;  // one per term
    BodyConversion m_conversion = BodyConversion::AsIs;
    bool m_dropLineEnds = false;
    std::string m_stream;                  // the ASCII bytes that count, folded, with barriers
    std::string_view m_direct;             // or (data set) the bytes of the stream, not folded yet
    std::vector<bool> m_jisSeen;           // per term: its JIS probe may be in the pairs
    std::string m_jisTail;                 // the pairs' stream's last bytes, when a join may follow
    std::string m_jisJoined;               // a tail being put together from short stretches
    bool m_jisJoinable = false;            // nothing shown since the last stretch of pairs
    std::bitset<128 * 128> m_jisMeetings;  // every two bytes in a row of a JIS probe
    bool m_jisSound = false;               // every unit so far is plain ISO-2022-JP
    bool m_utf8Sound = false;              // every unit so far is UTF-8 all in the code page
    bool m_needAscii = false;              // some term has ASCII stretches to look for
};

}  // namespace pelmora
