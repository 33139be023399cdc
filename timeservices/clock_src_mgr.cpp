#include "timeservices/clock_src_mgr.h"

#include "timeservices/time_notice_message.h"

int64_t KoreanSecond(const platform::Clock& clock) {
    // Broken down as UTC by whoever shows it, so no TZ (and no daylight saving) enters.
    return clock.NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds;
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
            Arm(kFirstCheckMs);
            Report(message);
            return Handled();
        case AO_EXIT_SIG:
            Disarm();
            periodic_ = false;
            Report(message);
            return Handled();
        case AO_TIMEOUT_SIG: {
            if (ClockWasSet(message))
                periodic_ = false;
            // When the check began decides whether it came on its tick; the tick sound may
            // take part of the second after it.
            const calendar::WallTime checked = services_.clock->NowUtc();
            const bool newSecond = SecondCheck(checked);
            ArmNextSecond(newSecond, checked);
            return Handled();
        }
        default:
            return DefaultHandler(message);
    }
}

namespace {

// A check within this much of its tick (which begins kPastSecondMs into the second, give or take
// the grid's 1 ms tolerance) runs on that tick, so a one-second period counted from it lands on
// the same tick of the next second.
constexpr int64_t kOnTickFromNs = CTiko_Manager::kPastSecondMs * 1'000'000;
constexpr int64_t kOnTickUntilNs = kOnTickFromNs + 6'000'000;

}  // namespace

void CTiko_ClockSrcMgr::ArmNextSecond(bool newSecond, const calendar::WallTime& checked) {
    // A clock that cannot tell of its setting (a fake one) is looked at every 100 ms, since
    // nothing says when its next second comes.
    if (!ClockIsWatched()) {
        Arm(kFirstCheckMs);
        return;
    }
    const bool onTick =
        newSecond && checked.nanoseconds >= kOnTickFromNs && checked.nanoseconds < kOnTickUntilNs;
    if (periodic_) {
        if (onTick)
            return;
        // Early, late or after a setting: back to a one-shot counted from the clock.
        Disarm();
        periodic_ = false;
    }
    if (onTick && ArmPeriodic(kSecondMs)) {
        periodic_ = true;
        return;
    }
    // Read after the tick sound, which may have taken part of this second.
    Arm(static_cast<int32_t>(MsUntil(services_.clock->NowUtc().seconds + 1)));
}

bool CTiko_ClockSrcMgr::SecondCheck(const calendar::WallTime& now) {
    const int64_t second = now.seconds + calendar::kKoreaUtcOffsetSeconds;
    // Inequality, not order: a clock set back publishes the earlier second.
    if (second == notice_.tTime)
        return false;
    notice_.tTime = second;
    CLumAOSM_Message tick(AO_CLOCK_TICK_SIG);
    PutTimeNotice(tick, 0, notice_);
    Publish(tick);
    const Class_TIKOCONF_ENV* env = Setting(&Class_TIKOCONF_TOP::Env);
    if (env != nullptr && env->bMainVisible.load() == 1 && env->bSound.load() == 1)
        PlayOrBeep(SoundPath(services_, kTickFile));
    return true;
}
