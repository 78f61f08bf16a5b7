// SPDX-License-Identifier: MIT
// The time zone a test's dates are shown in, whatever the machine's.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace pelmora::test {

// Sets TZ for its lifetime (POSIX rules, so no zone database is needed)
// and restores the previous value.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

}  // namespace pelmora::test
