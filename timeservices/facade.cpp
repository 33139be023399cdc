#include "timeservices/facade.h"

#include <new>

#include "runtime/mediator.h"
#include "timeservices/clock_src_mgr.h"
#include "timeservices/comm_mgr.h"
#include "timeservices/sche_mgr.h"
#include "timeservices/sync_mgr.h"

CTiko_Facade::CTiko_Facade(const CTiko_Services& services) : services_(WithProductionDefaults(services)) {}

CTiko_Facade::~CTiko_Facade() {
    // The managers must be gone before the runtime below them is taken down.
    if (CLumAOSM_Thread::IsRunning()) {
        Stop();
        WaitUntilStopped();
    }
}

bool CTiko_Facade::Launch() {
    // Cleared before the thread starts, so a stop requested right after Launch is not lost.
    stop_.store(0);
    return Start(nullptr);
}

int CTiko_Facade::Run() {
    CreateManagers();
    stopped_.WaitFor([this] { return stop_.load() == 1; });
    DestroyManagers();
    return 0;
}

int CTiko_Facade::Stop() {
    stopped_.SetWith([this] { stop_.store(1); });
    return 0;
}

int CTiko_Facade::Dispatch(CLumAOSM_Message*) {
    return 0;
}

int CTiko_Facade::Receive(const CLumAOSM_Message*, const char*) {
    return 0;
}

void* CTiko_Facade::AllocateBlock(LumAOSM_MemMgr& memory, size_t size, int) {
    return memory.Alloc(size, 0);
}

template <class T>
T* CTiko_Facade::Create(int index) {
    void* block = AllocateBlock(*memory_, sizeof(T), index);
    if (block == nullptr)
        return nullptr;
    return ::new (block) T(CLumAOSM_Mediator::Process(), services_);
}

template <class T>
void CTiko_Facade::Destroy(T*& manager) {
    if (manager == nullptr)
        return;
    manager->~T();
    memory_->Free(manager);
    manager = nullptr;
}

int CTiko_Facade::CreateManagers() {
    if (memory_)
        memory_->FreeAll();
    memory_ = std::make_unique<LumAOSM_MemMgr>("");
    clockSrc_ = Create<CTiko_ClockSrcMgr>(0);
    sync_ = Create<CTiko_SyncMgr>(1);
    comm_ = Create<CTiko_CommMgr>(2);
    sche_ = Create<CTiko_ScheMgr>(3);
    // A manager without a block is skipped; the others run.
    CLumAOSM_ActiveObject* managers[kManagerCount] = {clockSrc_, sync_, comm_, sche_};
    for (CLumAOSM_ActiveObject* manager : managers) {
        if (manager != nullptr)
            manager->Start(nullptr);
    }
    return 0;
}

int CTiko_Facade::DestroyManagers() {
    if (CLumAOSM_Mediator* mediator = CLumAOSM_Mediator::Process())
        mediator->UnsubscribeAll(static_cast<CLumAOSM_Observer*>(this));
    else
        Deactivate();
    CLumAOSM_ActiveObject* managers[kManagerCount] = {clockSrc_, sync_, comm_, sche_};
    // Each ends before the next is asked to stop.
    for (CLumAOSM_ActiveObject* manager : managers) {
        if (manager == nullptr)
            continue;
        manager->Stop();
        manager->WaitUntilStopped();
    }
    Destroy(clockSrc_);
    Destroy(sync_);
    Destroy(comm_);
    Destroy(sche_);
    if (memory_) {
        memory_->FreeAll();
        memory_.reset();
    }
    return 0;
}
