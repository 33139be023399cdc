#include "timeservices/manager_base.h"

#include <algorithm>

CTiko_Manager::CTiko_Manager(CLumAOSM_Mediator* mediator, const CTiko_Services& services, const char* name)
    : CLumAOSM_ActiveObject(mediator), services_(services) {
    SetName(name);
    if (services_.clockWatch != nullptr) {
        watchId_ = services_.clockWatch->Add([this] {
            TimeoutInfo info;
            info.eventId = kClockSetEvent;
            CLumAOSM_Message notice(AO_TIMEOUT_SIG);
            notice.SetParamValue(0, info);
            // Untagged: dropping the armed time-out does not purge it.
            Post(notice, false, "");
        });
    }
}

CTiko_Manager::~CTiko_Manager() {
    if (services_.clockWatch != nullptr)
        services_.clockWatch->Remove(watchId_);
}

bool CTiko_Manager::ClockWasSet(const CLumAOSM_Message& message) {
    TimeoutInfo info;
    if (message.GetSignal() != AO_TIMEOUT_SIG || !message.GetParamValue(0, &info) ||
        info.eventId != kClockSetEvent)
        return false;
    Disarm();
    return true;
}

int64_t CTiko_Manager::MsUntil(int64_t second) const {
    const calendar::WallTime now = services_.clock->NowUtc();
    const int64_t ms = (second - now.seconds) * 1000 - now.nanoseconds / 1'000'000 + kPastSecondMs;
    return ms > 0 ? ms : 0;
}

void CTiko_Manager::ArmCheck(int64_t due, int64_t longestMs, int32_t pollMs) {
    if (!ClockIsWatched()) {
        Arm(pollMs);
        return;
    }
    Arm(static_cast<int32_t>(std::min(MsUntil(due), longestMs)));
}

void CTiko_Manager::SubscribeTo(std::initializer_list<int32_t> signalList) {
    if (CLumAOSM_Mediator* mediator = Mediator()) {
        for (int32_t signal : signalList)
            mediator->Subscribe(this, signal);
    }
}

void CTiko_Manager::Publish(const CLumAOSM_Message& message) const {
    if (CLumAOSM_Mediator* mediator = Mediator())
        mediator->Publish(message);
}

void CTiko_Manager::PlayOrBeep(const std::string& path) const {
    if (services_.sound != nullptr && !services_.sound->PlayWav(path))
        services_.sound->Beep(kBeepHz, kBeepMs);
}
