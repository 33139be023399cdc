#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "runtime/active_object.h"
#include "runtime/timer.h"
#include "timeservices/manager_services.h"
#include "treestore/conf_schema.h"

// What the four managers share: their services, one one-shot timer re-armed for periodic work,
// and the reports of state entries and exits. When the clock is set (services.clockWatch), the
// manager gets an AO_TIMEOUT_SIG of event kClockSetEvent at once, so that a check counted on the
// old time is made again now.
class CTiko_Manager : public CLumAOSM_ActiveObject {
public:
    // What sounds when a sound file cannot be played.
    static constexpr int kBeepHz = 440;
    static constexpr int kBeepMs = 10;
    static constexpr int32_t kTimerEvent = 0;
    static constexpr int32_t kClockSetEvent = 1;
    // A check armed for the start of a second comes this long after it: the timer's ticks lie
    // 2 ms past the calendar clock's 10 ms marks.
    static constexpr int64_t kPastSecondMs = 2;

    CTiko_Manager(CLumAOSM_Mediator* mediator, const CTiko_Services& services, const char* name);
    ~CTiko_Manager() override;

protected:
    void SubscribeTo(std::initializer_list<int32_t> signalList);
    void Arm(int32_t timeoutMs) { timer_.StartTimer(this, kTimerEvent, timeoutMs, 0, GetName()); }
    // The same time-out, repeated every periodMs until Disarm.
    bool ArmPeriodic(int32_t periodMs) {
        return timer_.StartPeriodicTimer(this, kTimerEvent, periodMs, 0, GetName());
    }
    void Disarm() { timer_.StopTimer(this, kTimerEvent, GetName()); }
    // For an AO_TIMEOUT_SIG: true when it tells that the clock was set. The time-out armed on the
    // old time is dropped then, so the handler re-arms as after its own time-out.
    bool ClockWasSet(const CLumAOSM_Message& message);
    bool ClockIsWatched() const { return services_.clockWatch != nullptr; }
    // Milliseconds from now until just after UTC second `second` has begun (at least 0).
    int64_t MsUntil(int64_t second) const;
    // Arms the periodic check: with a watched clock for just after UTC second `due`, but at most
    // longestMs ahead; without one after pollMs, since the clock could jump at any time.
    void ArmCheck(int64_t due, int64_t longestMs, int32_t pollMs);
    // Tells the probe of an AO_ENTRY_SIG or AO_EXIT_SIG, after the state's entry or exit actions:
    // whoever learns of the entry (a test that then moves the clock) finds them done.
    void Report(const CLumAOSM_Message& message) const {
        ReportState(services_, GetName(), message.GetSignal());
    }
    void Publish(const CLumAOSM_Message& message) const;
    // Plays a sound file synchronously, or the short beep when that fails.
    void PlayOrBeep(const std::string& path) const;
    int64_t NowSeconds() const { return services_.clock->NowUtc().seconds; }
    // A settings node of the configuration, null without a root or node.
    template <class Node>
    Node* Setting(Node* (Class_TIKOCONF_TOP::*get)() const) const {
        return services_.conf != nullptr ? (services_.conf->*get)() : nullptr;
    }

    CTiko_Services services_;

private:
    CLumAOSM_Timer timer_;
    int watchId_ = 0;
};
