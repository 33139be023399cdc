#pragma once

#include <cstdint>

#include "timeservices/manager_base.h"
#include "timeservices/query_server.h"

// The heartbeat of the clock displays: looks at the clock just after each second begins (first
// 100 ms after start) and, at each new second, publishes signal 46 with Korean standard time and
// plays the tick when the main window shows and sound is on. A set clock is looked at again
// within a second, at once when the clock is watched. A clock that cannot tell of its setting
// (the tests' fake clocks) is looked at every 100 ms instead.
class CTiko_ClockSrcMgr : public CTiko_Manager {
public:
    static constexpr int32_t kFirstCheckMs = 100;
    static constexpr int32_t kSecondMs = 1000;
    static constexpr char kTickFile[] = "tick.wav";

    CTiko_ClockSrcMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_ClockSrcMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Ticking(CLumAOSM_Message& message);
    // True when it published a new second.
    bool SecondCheck(const calendar::WallTime& now);
    // Arms the next check for just after the start of the next second. A check that came on its
    // tick just past the new second keeps (or starts) a periodic one-second time-out, which
    // spares the timer agent a start request every second; any other goes back to a one-shot.
    void ArmNextSecond(bool newSecond, const calendar::WallTime& checked);

    TimeNotice notice_;
    bool periodic_ = false;  // the periodic one-second time-out is armed
};

// Korean standard time of the clock's current second: UTC seconds + 32,400. Break it down with
// calendar::CivilFromUnix (as UTC), never in local time, so TZ cannot shift it.
int64_t KoreanSecond(const platform::Clock& clock);
