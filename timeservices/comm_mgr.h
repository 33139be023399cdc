#pragma once

#include <cstdint>

#include "timeservices/manager_base.h"
#include "timeservices/time_telegram.h"

// Parameter 0 of AO_COMM_SEND_SIG: the telegram the serial page built, and its byte count.
// Publish it as an owned copy (SetParamValue), so the page may reuse its own at once.
struct CommSendRequest {
    uint8_t bytes[telegram::kSize] = {};
    int32_t count = 0;
};

// Sends the time telegram to the selected ports: on request (signal 42, at 4800 baud) or, in the
// automatic state, at once and then every period at the compensation point of a second.
// Signal 45 follows every transmission. On a watched clock the check comes when the period ends,
// or after kLongestSleepMs, since the period may be edited without a signal.
class CTiko_CommMgr : public CTiko_Manager {
public:
    static constexpr int32_t kCheckMs = 500;
    static constexpr int64_t kLongestSleepMs = 10'000;
    static constexpr int kManualBaud = 4800;
    static constexpr int kPortCount = 4;

    CTiko_CommMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_CommMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Manual(CLumAOSM_Message& message);
    CLumAOSM_Message Automatic(CLumAOSM_Message& message);

    int64_t PeriodSeconds() const;
    void ArmPeriodicCheck();
    void SendRequested(const CLumAOSM_Message& message);
    void SendCurrentTime();
    // Writes the bytes twice to each selected port in turn, each port opened alone.
    void Transmit(const uint8_t* bytes, int count, int baud);

    int64_t reference_ = 0;
};

// The period of automatic transmission in seconds: nInterval minutes when nIntervalUnit is not 0,
// else nInterval seconds.
int64_t TransmissionPeriod(int32_t interval, int32_t unit);
