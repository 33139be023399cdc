#include "timeservices/sync_mgr.h"

#include <algorithm>

#include "encoding/cp949.h"
#include "timeservices/time_notice_message.h"

namespace {

// The query speaks UTF-8; the store keeps cp949.
std::string ForStore(const std::string& utf8) {
    return encoding::Utf8ToCp949(utf8).value_or(utf8);
}

}  // namespace

CTiko_SyncMgr::CTiko_SyncMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CTiko_Manager(mediator, services, "Tiko_SyncMgr") {}

CTiko_SyncMgr::~CTiko_SyncMgr() {
    StopAndWait();
}

CLumAOSM_Message CTiko_SyncMgr::Initial(CLumAOSM_Message&) {
    SubscribeTo({AO_SYNC_COMPARE_SIG, AO_SYNC_SET_SIG, AO_AUTOSYNC_ON_SIG, AO_AUTOSYNC_OFF_SIG});
    const Class_TIKOCONF_SYNCINFO* info = Setting(&Class_TIKOCONF_TOP::SyncInfo);
    if (info != nullptr && info->bAutoSync.load() == 1)
        InitialTransition(this, &CTiko_SyncMgr::Automatic);
    else
        InitialTransition(this, &CTiko_SyncMgr::Manual);
    return Handled();
}

bool CTiko_SyncMgr::Request(int32_t signal) {
    if (signal == AO_SYNC_COMPARE_SIG)
        Compare();
    else if (signal == AO_SYNC_SET_SIG)
        Synchronise(true);  // in the automatic state the reference time stays
    else
        return false;
    return true;
}

CLumAOSM_Message CTiko_SyncMgr::Manual(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
        case AO_EXIT_SIG:
            Report(message);
            return Handled();
        case AO_AUTOSYNC_ON_SIG:
            Transition(this, &CTiko_SyncMgr::Automatic);
            return Handled();
        case AO_AUTOSYNC_OFF_SIG:
        case AO_TIMEOUT_SIG:  // the clock was set: nothing waits on it here
            return Handled();
        default:
            return Request(message.GetSignal()) ? Handled() : DefaultHandler(message);
    }
}

CLumAOSM_Message CTiko_SyncMgr::Automatic(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
            reference_ = NowSeconds();
            ArmPeriodicCheck();
            Report(message);
            return Handled();
        case AO_EXIT_SIG:
            Disarm();
            Report(message);
            return Handled();
        case AO_TIMEOUT_SIG:
            ClockWasSet(message);
            PeriodicCheck();
            return Handled();
        case AO_AUTOSYNC_ON_SIG:
            return Handled();
        case AO_AUTOSYNC_OFF_SIG:
            Transition(this, &CTiko_SyncMgr::Manual);
            return Handled();
        default:
            return Request(message.GetSignal()) ? Handled() : DefaultHandler(message);
    }
}

void CTiko_SyncMgr::PublishNotice(int32_t signal) {
    CLumAOSM_Message result(signal);
    PutTimeNotice(result, 0, notice_);
    Publish(result);
}

void CTiko_SyncMgr::Compare() {
    notice_.bSetClock = false;
    notice_.bInteractive = false;
    if (services_.query)
        services_.query(notice_);
    PublishNotice(AO_COMPARE_RESULT_SIG);
}

void CTiko_SyncMgr::Synchronise(bool byPerson) {
    notice_.bSetClock = true;
    notice_.bInteractive = byPerson;
    if (services_.query)
        services_.query(notice_);
    Class_TIKOCONF_SYNCINFO* info = Setting(&Class_TIKOCONF_TOP::SyncInfo);
    if (notice_.bAnswered && info != nullptr) {
        info->strLastSync.Set(ForStore(notice_.strLastSync));
        info->strLastOffset.Set(ForStore(notice_.strOffset));
        info->strServer.Set(ForStore(notice_.strServer));
    }
    PublishNotice(AO_SYNC_RESULT_SIG);
}

int64_t CTiko_SyncMgr::PeriodSeconds() const {
    const Class_TIKOCONF_SYNCINFO* info = Setting(&Class_TIKOCONF_TOP::SyncInfo);
    const int64_t minutes = info != nullptr ? info->nSyncPeriod.load() : 60;
    // A stored 0 or less (an old or hand-edited file) would set the clock from the servers twice
    // a second; the settings page's smallest period, a minute, stands in for it.
    return std::max<int64_t>(minutes, 1) * 60;
}

void CTiko_SyncMgr::PeriodicCheck() {
    const int64_t now = NowSeconds();
    if (now - reference_ >= PeriodSeconds()) {
        Synchronise(false);
        reference_ = now;  // whatever the outcome: a failure waits for the next period
    }
    ArmPeriodicCheck();
}

void CTiko_SyncMgr::ArmPeriodicCheck() {
    ArmCheck(reference_ + PeriodSeconds(), kLongestSleepMs, kCheckMs);
}
