#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/config.h"
#include "runtime/memmgr.h"
#include "runtime/observer.h"
#include "runtime/task.h"
#include "runtime/waitevent.h"
#include "timeservices/manager_services.h"

class CTiko_ClockSrcMgr;
class CTiko_SyncMgr;
class CTiko_CommMgr;
class CTiko_ScheMgr;

// The back end's composition root. Constructing it brings up the timer agent and the mediator;
// Launch gives it a thread that creates and starts the four managers; Stop makes that thread
// stop and destroy them; deleting it takes the runtime down.
class CTiko_Facade : public CLumAOSM_Task, public CLumAOSM_Config, public CLumAOSM_Observer {
public:
    static constexpr int kManagerCount = 4;

    // Empty members of `services` get their production choice; the two roots stay as given.
    explicit CTiko_Facade(const CTiko_Services& services = {});
    // Stops and waits first when the application did not.
    ~CTiko_Facade() override;

    int Run() override;
    // Asks the facade's thread to stop the managers, waking it at once; the queue stays open.
    int Stop() override;
    int Dispatch(CLumAOSM_Message* message) override;
    // Start without parameters: the thread is named "T_" plus the facade's address.
    virtual bool Launch();

    int CreateManagers() override;
    int DestroyManagers() override;

    int Receive(const CLumAOSM_Message* message, const char* tag) override;

    // Facade thread (or after it has ended): the managers, null when not created.
    CTiko_ClockSrcMgr* ClockSrcMgr() const { return clockSrc_; }
    CTiko_SyncMgr* SyncMgr() const { return sync_; }
    CTiko_CommMgr* CommMgr() const { return comm_; }
    CTiko_ScheMgr* ScheMgr() const { return sche_; }
    const CTiko_Services& Services() const { return services_; }

protected:
    // The block for manager `index` (0 clock source, 1 sync, 2 serial, 3 schedule).
    virtual void* AllocateBlock(LumAOSM_MemMgr& memory, size_t size, int index);

private:
    template <class T>
    T* Create(int index);
    template <class T>
    void Destroy(T*& manager);

    CTiko_Services services_;
    std::atomic<uint8_t> stop_{0};
    // The facade's thread sleeps on it until a stop.
    CLumWaitEvent stopped_;
    std::unique_ptr<LumAOSM_MemMgr> memory_;
    CTiko_ClockSrcMgr* clockSrc_ = nullptr;
    CTiko_SyncMgr* sync_ = nullptr;
    CTiko_CommMgr* comm_ = nullptr;
    CTiko_ScheMgr* sche_ = nullptr;
};
