#include "timeservices/sync_mgr.h"

#include "platform/cp949.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"

namespace {

constexpr char kName[] = "Tiko_SyncMgr";

// The query speaks UTF-8; the store keeps cp949.
std::string ForStore(const std::string& utf8)
{
    if (auto bytes = platform::Utf8ToCp949(utf8))
        return *bytes;
    return utf8;
}

}  // namespace

CTiko_SyncMgr::CTiko_SyncMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CLumAOSM_ActiveObject(mediator), services_(services)
{
    SetName(kName);
}

CTiko_SyncMgr::~CTiko_SyncMgr()
{
    StopAndWait();
}

CLumAOSM_Message CTiko_SyncMgr::Initial(CLumAOSM_Message&)
{
    if (CLumAOSM_Mediator* mediator = Mediator()) {
        mediator->Subscribe(this, AO_SYNC_COMPARE_SIG);
        mediator->Subscribe(this, AO_SYNC_SET_SIG);
        mediator->Subscribe(this, AO_AUTOSYNC_ON_SIG);
        mediator->Subscribe(this, AO_AUTOSYNC_OFF_SIG);
    }
    const Class_TIKOCONF_SYNCINFO* info = services_.conf != nullptr ? services_.conf->SyncInfo() : nullptr;
    if (info != nullptr && info->bAutoSync.load() == 1)
        InitialTransition(this, &CTiko_SyncMgr::Automatic);
    else
        InitialTransition(this, &CTiko_SyncMgr::Manual);
    return Handled();
}

CLumAOSM_Message CTiko_SyncMgr::Manual(CLumAOSM_Message& message)
{
    switch (message.GetSignal()) {
    case AO_ENTRY_SIG:
    case AO_EXIT_SIG:
        ReportState(services_, kName, message.GetSignal());
        return Handled();
    case AO_SYNC_COMPARE_SIG:
        Compare();
        return Handled();
    case AO_SYNC_SET_SIG:
        Synchronise();
        return Handled();
    case AO_AUTOSYNC_ON_SIG:
        Transition(this, &CTiko_SyncMgr::Automatic);
        return Handled();
    case AO_AUTOSYNC_OFF_SIG:
        return Handled();
    default:
        return DefaultHandler(message);
    }
}

CLumAOSM_Message CTiko_SyncMgr::Automatic(CLumAOSM_Message& message)
{
    switch (message.GetSignal()) {
    case AO_ENTRY_SIG:
        ReportState(services_, kName, AO_ENTRY_SIG);
        reference_ = Now();
        timer_.StartTimer(this, 0, kCheckMs, 0, kName);
        return Handled();
    case AO_EXIT_SIG:
        ReportState(services_, kName, AO_EXIT_SIG);
        timer_.StopTimer(this, 0, kName);
        return Handled();
    case AO_TIMEOUT_SIG:
        PeriodicCheck();
        return Handled();
    case AO_SYNC_COMPARE_SIG:
        Compare();
        return Handled();
    case AO_SYNC_SET_SIG:
        Synchronise();
        return Handled();
    case AO_AUTOSYNC_ON_SIG:
        return Handled();
    case AO_AUTOSYNC_OFF_SIG:
        Transition(this, &CTiko_SyncMgr::Manual);
        return Handled();
    default:
        return DefaultHandler(message);
    }
}

int64_t CTiko_SyncMgr::Now() const
{
    return services_.clock->NowUtc().seconds;
}

void CTiko_SyncMgr::Publish(int32_t signal)
{
    CLumAOSM_Mediator* mediator = Mediator();
    if (mediator == nullptr)
        return;
    CLumAOSM_Message result(signal);
    PutTimeNotice(result, 0, notice_);
    mediator->Publish(result);
}

void CTiko_SyncMgr::Compare()
{
    notice_.bSetClock = false;
    if (services_.query)
        services_.query(notice_);
    Publish(AO_COMPARE_RESULT_SIG);
}

void CTiko_SyncMgr::Synchronise()
{
    notice_.bSetClock = true;
    if (services_.query)
        services_.query(notice_);
    Class_TIKOCONF_SYNCINFO* info = services_.conf != nullptr ? services_.conf->SyncInfo() : nullptr;
    if (notice_.bAnswered && info != nullptr) {
        info->strLastSync.Set(ForStore(notice_.strLastSync));
        info->strLastOffset.Set(ForStore(notice_.strOffset));
        info->strServer.Set(ForStore(notice_.strServer));
    }
    Publish(AO_SYNC_RESULT_SIG);
}

void CTiko_SyncMgr::PeriodicCheck()
{
    const int64_t now = Now();
    const Class_TIKOCONF_SYNCINFO* info = services_.conf != nullptr ? services_.conf->SyncInfo() : nullptr;
    const int64_t period = static_cast<int64_t>(info != nullptr ? info->nSyncPeriod.load() : 60) * 60;
    if (now - reference_ >= period) {
        Synchronise();
        reference_ = now;
    }
    timer_.StartTimer(this, 0, kCheckMs, 0, kName);
}
