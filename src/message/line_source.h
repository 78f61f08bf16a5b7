// SPDX-License-Identifier: MIT
// The lines of one message handed out one at a time, so that a reader of a
// body never needs the whole message in memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "message/line_reader.h"
#include "message/msg_item.h"

namespace pelmora {

class LineSource {
public:
    virtual ~LineSource() = default;
    // The next line without its end, valid until the next call; false once
    // the lines are used up. A line longer than kLinePieceBytes may come in
    // pieces, one per call.
    virtual bool next(std::string_view& line) = 0;
    // Where the line handed last lies in its line: whole, or a piece.
    virtual LinePlace place() const { return {}; }
    // The index of the last line the source holds or has handed out: the
    // position a match settled only at the end of a body is reported at.
    virtual std::size_t lastIndex() const = 0;
    // Takes whole lines that cannot be delimiters (they do not begin with
    // "-") for as long as they come without waiting and bytes holds fewer
    // than maxBytes: each line's bytes are appended to bytes and the size
    // after them to ends. The number taken; a source that hands its lines
    // one by one takes none. The next line, if any, comes from next().
    virtual std::size_t takePlainLines(std::string& bytes, std::vector<std::size_t>& ends,
                                       std::size_t maxBytes) {
        (void)bytes, (void)ends, (void)maxBytes;
        return 0;
    }
    // The rest of the lines as they lie in the file, line ends and all,
    // when they are the message's last, none can be a delimiter and the
    // source holds them at once, at most maxBytes of them; empty otherwise.
    // The lines still come as usual until skipRest.
    virtual std::string_view restOfLines(std::size_t maxBytes) {
        (void)maxBytes;
        return {};
    }
    // Passes over the lines restOfLines gave, `count` of them.
    virtual void skipRest(std::size_t count) { (void)count; }
};

// The lines of a list in memory.
class LineListSource final : public LineSource {
public:
    explicit LineListSource(const LineList& lines) : m_lines(lines) {}
    bool next(std::string_view& line) override {
        if (m_next >= m_lines.size()) return false;
        line = m_lines[m_next++];
        return true;
    }
    std::size_t lastIndex() const override { return m_lines.empty() ? 0 : m_lines.size() - 1; }

private:
    const LineList& m_lines;
    std::size_t m_next = 0;
};

}  // namespace pelmora
