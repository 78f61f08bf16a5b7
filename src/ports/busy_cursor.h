// SPDX-License-Identifier: MIT
// The busy cursor, one of the small interfaces through which the core talks
// to a window, a terminal or a test.
#pragma once

namespace pelmora::ports {

// Shows the busy cursor for its lifetime and restores the previous one.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void push() = 0;
    virtual void pop() = 0;
};

class BusyScope {
public:
    explicit BusyScope(BusyCursor& cursor) : m_cursor(cursor) { m_cursor.push(); }
    ~BusyScope() { m_cursor.pop(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyCursor& m_cursor;
};

}  // namespace pelmora::ports
