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
    static constexpr char kTickFile[] = "tick.wav";

    CTiko_ClockSrcMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_ClockSrcMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Ticking(CLumAOSM_Message& message);
    void SecondCheck();
    // Arms the next check for just after the start of the next second.
    void ArmNextSecond();

    TimeNotice notice_;
};

// Korean standard time of the clock's current second: UTC seconds + 32,400. Break it down with
// platform::CivilFromUnix (as UTC), never in local time, so TZ cannot shift it.
int64_t KoreanSecond(const platform::Clock& clock);
