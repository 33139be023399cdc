#include "timeservices/clock_src_mgr.h"

#include "timeservices/time_notice_message.h"

int64_t KoreanSecond(const platform::Clock& clock) {
    // Broken down as UTC by whoever shows it, so no TZ (and no daylight saving) enters.
    return clock.NowUtc().seconds + platform::kKoreaUtcOffsetSeconds;
}

CTiko_ClockSrcMgr::CTiko_ClockSrcMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CTiko_Manager(mediator, services, "Tiko_ClockSrcMgr") {}

CTiko_ClockSrcMgr::~CTiko_ClockSrcMgr() {
    StopAndWait();
}

CLumAOSM_Message CTiko_ClockSrcMgr::Initial(CLumAOSM_Message&) {
    InitialTransition(this, &CTiko_ClockSrcMgr::Ticking);
    return Handled();
}

CLumAOSM_Message CTiko_ClockSrcMgr::Ticking(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
            Report(message);
            Arm(kFirstCheckMs);
            return Handled();
        case AO_EXIT_SIG:
            Report(message);
            Disarm();
            return Handled();
        case AO_TIMEOUT_SIG:
            ClockWasSet(message);
            SecondCheck();
            ArmNextSecond();
            return Handled();
        default:
            return DefaultHandler(message);
    }
}

void CTiko_ClockSrcMgr::ArmNextSecond() {
    // A clock that cannot tell of its setting (a fake one) is looked at every 100 ms, since
    // nothing says when its next second comes.
    if (!ClockIsWatched()) {
        Arm(kFirstCheckMs);
        return;
    }
    // Read after the tick sound, which may have taken part of this second.
    Arm(static_cast<int32_t>(MsUntil(services_.clock->NowUtc().seconds + 1)));
}

void CTiko_ClockSrcMgr::SecondCheck() {
    const int64_t second = KoreanSecond(*services_.clock);
    // Inequality, not order: a clock set back publishes the earlier second.
    if (second == notice_.tTime)
        return;
    notice_.tTime = second;
    CLumAOSM_Message tick(AO_CLOCK_TICK_SIG);
    PutTimeNotice(tick, 0, notice_);
    Publish(tick);
    const Class_TIKOCONF_ENV* env = Setting(&Class_TIKOCONF_TOP::Env);
    if (env != nullptr && env->bMainVisible.load() == 1 && env->bSound.load() == 1)
        PlayOrBeep(SoundPath(services_, kTickFile));
}
