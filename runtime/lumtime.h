#pragma once

#include <cstdint>

// A point in time (seconds since 1970 UTC) or a duration, with milliseconds.
class CLumTime {
public:
    CLumTime() = default;
    CLumTime(int32_t seconds, int32_t milliseconds) : seconds_(seconds), milliseconds_(milliseconds) {}
    CLumTime(const CLumTime&) = default;
    CLumTime& operator=(const CLumTime&) = default;
    virtual ~CLumTime() = default;

    void Now();
    void FromMilliseconds(int32_t ms);
    void Add(const CLumTime& other);
    void Subtract(const CLumTime& other);
    bool LessOrEqual(const CLumTime& other) const;
    bool NotEqual(const CLumTime& other) const;

    int32_t Seconds() const { return seconds_; }
    int32_t Milliseconds() const { return milliseconds_; }

private:
    int32_t seconds_ = 0;
    int32_t milliseconds_ = 0;
};
