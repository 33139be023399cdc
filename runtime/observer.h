#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/message.h"

class CLumAOSM_Mediator;

// Anything that can be handed a message: active objects, the facade, windows.
class CLumAOSM_Observer {
public:
    static constexpr size_t kNameSize = 100;

    CLumAOSM_Observer();
    CLumAOSM_Observer(const CLumAOSM_Observer&) = delete;
    CLumAOSM_Observer& operator=(const CLumAOSM_Observer&) = delete;
    // Leaves the table of the mediator it subscribed with, if that still exists, so no later
    // publication reaches a destroyed object.
    virtual ~CLumAOSM_Observer();

    // The message belongs to the caller and is valid only during the call. The tag is empty for
    // publications and carries the timer key for time-outs. The base ignores it and returns -1.
    virtual int Receive(const CLumAOSM_Message* message, const char* tag);

    void SetName(const char* name);
    const char* GetName() const { return name_; }
    bool Deactivate();
    bool IsActive() const { return active_.load(); }

private:
    friend class CLumAOSM_Mediator;

    char name_[kNameSize];
    char secondId_[kNameSize];
    std::atomic<int32_t> active_{1};
    int32_t reserved_[3] = {};
    // The mediator whose table may still hold this observer (set by Subscribe).
    std::atomic<CLumAOSM_Mediator*> listedWith_{nullptr};
};
