#pragma once

#include <cstdint>

#include "timeservices/manager_base.h"
#include "timeservices/query_server.h"

// Owns every compare and synchronise: requests come as signals 36-39, results leave as 40 and 41
// with a copy of the result record. In the automatic state it synchronises once per nSyncPeriod
// minutes, counted from entering the state. On a watched clock the check comes when the period
// ends, or after kLongestSleepMs, since nSyncPeriod may be edited without a signal.
class CTiko_SyncMgr : public CTiko_Manager {
public:
    static constexpr int32_t kCheckMs = 500;
    static constexpr int64_t kLongestSleepMs = 10'000;

    CTiko_SyncMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_SyncMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Manual(CLumAOSM_Message& message);
    CLumAOSM_Message Automatic(CLumAOSM_Message& message);
    // Either state: 36 and 37; false for any other signal.
    bool Request(int32_t signal);

    void Compare();
    // `byPerson`: 동기 asked by someone, who may be asked for a password; the automatic one never is.
    void Synchronise(bool byPerson);
    void PeriodicCheck();
    void ArmPeriodicCheck();
    int64_t PeriodSeconds() const;
    void PublishNotice(int32_t signal);

    TimeNotice notice_;
    int64_t reference_ = 0;
};
