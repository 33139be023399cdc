#pragma once

#include <cstdint>

#include "timeservices/manager_base.h"
#include "timeservices/query_server.h"

// The heartbeat of the clock displays: polls the clock every 100 ms and, at each new second,
// publishes signal 46 with Korean standard time and plays the tick when the main window shows
// and sound is on.
class CTiko_ClockSrcMgr : public CTiko_Manager {
public:
    static constexpr int32_t kPollMs = 100;
    static constexpr char kTickFile[] = "tick.wav";

    CTiko_ClockSrcMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_ClockSrcMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Ticking(CLumAOSM_Message& message);
    void SecondCheck();

    TimeNotice notice_;
};

// The clock's current second as a calendar time that, broken down in the clock's own local time,
// shows the wall-clock time of UTC+9.
int64_t KoreanSecond(const platform::Clock& clock);
