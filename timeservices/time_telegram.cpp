#include "timeservices/time_telegram.h"

#include <cstdio>

namespace {

constexpr int64_t kNanosPerMs = 1'000'000;
constexpr int64_t kNanosPerSecond = 1'000'000'000;
// Cells R0..R7 that a 1 leaving R0 flips.
constexpr uint8_t kFeedback[8] = {1, 0, 0, 1, 1, 0, 1, 1};

}  // namespace

uint8_t TelegramCheckByte(const uint8_t* text, size_t length) {
    uint8_t cells[9] = {};
    auto step = [&cells](uint8_t bit) {
        const uint8_t out = cells[0];
        for (int i = 0; i < 8; ++i)
            cells[i] = cells[i + 1];
        cells[8] = bit;
        if (out != 0) {
            for (int i = 0; i < 8; ++i)
                cells[i] ^= kFeedback[i];
        }
    };
    for (size_t i = 0; i < length; ++i) {
        for (int bit = 0; bit < 8; ++bit)
            step(static_cast<uint8_t>((text[i] >> bit) & 1));
    }
    for (int i = 0; i < 8; ++i)
        step(0);
    uint8_t check = 0;
    for (int j = 0; j < 8; ++j)
        check |= static_cast<uint8_t>(cells[j] << j);
    return check;
}

TimeTelegram BuildTimeTelegram(int hour, int minute, int second) {
    TimeTelegram out{};
    char text[telegram::kTextSize + 1];
    // Out-of-range fields are cut to two digits so the telegram keeps its length.
    std::snprintf(text, sizeof text, "@%02d%02d%02d", (hour % 100 + 100) % 100, (minute % 100 + 100) % 100,
                  (second % 100 + 100) % 100);
    for (size_t i = 0; i < telegram::kTextSize; ++i)
        out[i] = static_cast<uint8_t>(text[i]);
    out[telegram::kCheckOffset] = TelegramCheckByte(out.data(), telegram::kTextSize);
    out[8] = telegram::kCr;
    out[9] = telegram::kLf;
    return out;
}

calendar::CivilTime CatchSecond(const platform::Clock& clock, int compensationMs,
                                const SleepFunction& sleep) {
    // A stored value outside the second could never be met; keep it inside.
    const int clamped = compensationMs < 0 ? 0 : (compensationMs > 999 ? 999 : compensationMs);
    const int64_t point = static_cast<int64_t>(clamped) * kNanosPerMs;
    const int64_t windowEnd = point + telegram::kCatchWindowMs * kNanosPerMs;
    const int64_t wakeAt = point - telegram::kSpinLeadMs * kNanosPerMs;
    for (;;) {
        const calendar::WallTime now = clock.NowUtc();
        const int64_t into = now.nanoseconds;
        if (into >= point && into <= windowEnd) {
            calendar::CivilTime local = clock.ToLocal(now.seconds);
            local.millisecond = static_cast<int>(into / kNanosPerMs);
            return local;
        }
        int64_t wait = wakeAt - into;
        if (wait < 0 && into > windowEnd)
            wait += kNanosPerSecond;  // missed this second's window: the next one
        if (wait > 0 && sleep)
            sleep(std::chrono::nanoseconds(wait));
    }
}
