#include "runtime/lumtime.h"

#include <chrono>

void CLumTime::Now() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    seconds_ = static_cast<int32_t>(ms / 1000);
    milliseconds_ = static_cast<int32_t>(ms % 1000);
}

void CLumTime::FromMilliseconds(int32_t ms) {
    seconds_ = ms / 1000;
    milliseconds_ = ms % 1000;
}

void CLumTime::Add(const CLumTime& other) {
    const int32_t sum = milliseconds_ + other.milliseconds_;
    seconds_ += other.seconds_ + sum / 1000;
    milliseconds_ = sum % 1000;
}

void CLumTime::Subtract(const CLumTime& other) {
    seconds_ -= other.seconds_;
    milliseconds_ -= other.milliseconds_;
    if (milliseconds_ < 0) {
        seconds_ -= 1;
        milliseconds_ += 1000;
    }
}

bool CLumTime::LessOrEqual(const CLumTime& other) const {
    return seconds_ < other.seconds_ || (seconds_ == other.seconds_ && milliseconds_ <= other.milliseconds_);
}

bool CLumTime::NotEqual(const CLumTime& other) const {
    return seconds_ != other.seconds_ || milliseconds_ != other.milliseconds_;
}
