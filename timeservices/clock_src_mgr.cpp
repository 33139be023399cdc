#include "timeservices/clock_src_mgr.h"

#include "timeservices/ntp_timestamp.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"

namespace {

constexpr char kName[] = "Tiko_ClockSrcMgr";

}  // namespace

int64_t KoreanSecond(const platform::Clock& clock)
{
    const platform::CivilTime utc = NtpTimestamp::FromWallTime(clock.NowUtc()).ToCivil();
    return clock.FromLocal(utc) + platform::kKoreaUtcOffsetSeconds;
}

CTiko_ClockSrcMgr::CTiko_ClockSrcMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CLumAOSM_ActiveObject(mediator), services_(services)
{
    SetName(kName);
}

CTiko_ClockSrcMgr::~CTiko_ClockSrcMgr()
{
    StopAndWait();
}

CLumAOSM_Message CTiko_ClockSrcMgr::Initial(CLumAOSM_Message&)
{
    InitialTransition(this, &CTiko_ClockSrcMgr::Ticking);
    return Handled();
}

CLumAOSM_Message CTiko_ClockSrcMgr::Ticking(CLumAOSM_Message& message)
{
    switch (message.GetSignal()) {
    case AO_ENTRY_SIG:
        ReportState(services_, kName, AO_ENTRY_SIG);
        timer_.StartTimer(this, 0, kPollMs, 0, kName);
        return Handled();
    case AO_EXIT_SIG:
        ReportState(services_, kName, AO_EXIT_SIG);
        timer_.StopTimer(this, 0, kName);
        return Handled();
    case AO_TIMEOUT_SIG:
        SecondCheck();
        timer_.StartTimer(this, 0, kPollMs, 0, kName);
        return Handled();
    default:
        return DefaultHandler(message);
    }
}

void CTiko_ClockSrcMgr::SecondCheck()
{
    const int64_t second = KoreanSecond(*services_.clock);
    // Inequality, not order: a clock set back publishes the earlier second.
    if (second == notice_.tTime)
        return;
    notice_.tTime = second;
    if (CLumAOSM_Mediator* mediator = Mediator()) {
        CLumAOSM_Message tick(AO_CLOCK_TICK_SIG);
        PutTimeNotice(tick, 0, notice_);
        mediator->Publish(tick);
    }
    const Class_TIKOCONF_ENV* env = services_.conf != nullptr ? services_.conf->Env() : nullptr;
    if (env == nullptr || services_.sound == nullptr)
        return;
    if (env->bMainVisible.load() == 1 && env->bSound.load() == 1) {
        if (!services_.sound->PlayWav(SoundPath(services_, kTickFile)))
            services_.sound->Beep(kBeepHz, kBeepMs);
    }
}
