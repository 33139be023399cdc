#include "runtime/observer.h"

#include <cstring>

#include "runtime/mediator.h"

CLumAOSM_Observer::CLumAOSM_Observer() {
    SetName("DEAULT_OBSERVER_ID");
    std::strcpy(secondId_, "DEAULT_ID");
}

CLumAOSM_Observer::~CLumAOSM_Observer() {
    CLumAOSM_Mediator::Forget(this);
    reserved_[0] = reserved_[1] = reserved_[2] = 0;
}

int CLumAOSM_Observer::Receive(const CLumAOSM_Message*, const char*) {
    return -1;
}

void CLumAOSM_Observer::SetName(const char* name) {
    std::strncpy(name_, name != nullptr ? name : "", kNameSize - 1);
    name_[kNameSize - 1] = '\0';
}

bool CLumAOSM_Observer::Deactivate() {
    active_.store(0);
    return true;
}
