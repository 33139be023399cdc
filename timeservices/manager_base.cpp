#include "timeservices/manager_base.h"

CTiko_Manager::CTiko_Manager(CLumAOSM_Mediator* mediator, const CTiko_Services& services, const char* name)
    : CLumAOSM_ActiveObject(mediator), services_(services) {
    SetName(name);
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
