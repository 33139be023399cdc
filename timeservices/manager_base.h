#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "runtime/active_object.h"
#include "runtime/timer.h"
#include "timeservices/manager_services.h"
#include "treestore/conf_schema.h"

// What the four managers share: their services, one one-shot timer re-armed for periodic work,
// and the reports of state entries and exits.
class CTiko_Manager : public CLumAOSM_ActiveObject {
public:
    // What sounds when a sound file cannot be played.
    static constexpr int kBeepHz = 440;
    static constexpr int kBeepMs = 10;

    CTiko_Manager(CLumAOSM_Mediator* mediator, const CTiko_Services& services, const char* name);

protected:
    void SubscribeTo(std::initializer_list<int32_t> signalList);
    void Arm(int32_t timeoutMs) { timer_.StartTimer(this, 0, timeoutMs, 0, GetName()); }
    void Disarm() { timer_.StopTimer(this, 0, GetName()); }
    // Tells the probe of an AO_ENTRY_SIG or AO_EXIT_SIG.
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
};
