#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/clock.h"

// The 10-byte time telegram for external clock displays: "@HHMMSS", a check byte, CR, LF.
namespace telegram {
constexpr size_t kSize = 10;
constexpr size_t kTextSize = 7;
constexpr size_t kCheckOffset = 7;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;
// A telegram leaves no later than this after the compensation point.
constexpr int kCatchWindowMs = 35;
// How long before the compensation point the catch stops sleeping and starts reading the clock.
constexpr int kSpinLeadMs = 3;
}  // namespace telegram

using TimeTelegram = std::array<uint8_t, telegram::kSize>;

// The check byte over the telegram text: a 9-cell shift register fed LSB first, then 8 zeros.
uint8_t TelegramCheckByte(const uint8_t* text, size_t length);

TimeTelegram BuildTimeTelegram(int hour, int minute, int second);

using SleepFunction = std::function<void(std::chrono::nanoseconds)>;

// Waits for the compensation point of a second: returns the local time read between
// compensationMs and compensationMs + kCatchWindowMs into its second. Sleeps until a few
// milliseconds before the point and spins on the clock only for the rest.
calendar::CivilTime CatchSecond(const platform::Clock& clock, int compensationMs, const SleepFunction& sleep);
