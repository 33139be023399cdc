#pragma once

#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/support/temp_dir.h"

// Damage helpers for a file's bytes.
inline std::string CutLast(std::string bytes, std::size_t count) {
    bytes.resize(bytes.size() > count ? bytes.size() - count : 0);
    return bytes;
}

inline std::string Overwrite(std::string bytes, std::size_t at, std::string_view with) {
    bytes.replace(at, with.size(), with);
    return bytes;
}

// Sets the local time zone for the test's life (a POSIX rule, no tzdata).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            m_old = old, m_had = true;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_had) {
            ::setenv("TZ", m_old.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};
