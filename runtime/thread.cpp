#include "runtime/thread.h"

#include <pthread.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <system_error>

ThreadStartParams ThreadStartParams::Named(const char* name) {
    ThreadStartParams params;
    std::strncpy(params.name, name, sizeof params.name - 1);
    return params;
}

CLumAOSM_Thread::~CLumAOSM_Thread() {
    closedHandle_ = -1;
    if (IsOwnThread()) {
        // Deleted from its own body: nobody is left to join it.
        std::lock_guard lock(joinMutex_);
        if (thread_.joinable())
            thread_.detach();
        return;
    }
    StopAndWait();
}

bool CLumAOSM_Thread::Start(const ThreadStartParams* params) {
    std::lock_guard join(joinMutex_);
    {
        std::lock_guard lock(stateMutex_);
        if (running_)
            return false;
        running_ = true;
    }
    if (thread_.joinable())
        thread_.join();  // an earlier body has ended; reap it before the next one
    threadId_.store({});

    if (params != nullptr) {
        char name[kMaxNameLength + 1];
        std::strncpy(name, params->name, kMaxNameLength);
        name[kMaxNameLength] = '\0';
        name_ = name;
        firstAttribute_ = params->firstAttribute;
        secondAttribute_ = params->secondAttribute;
    } else {
        char name[32];
        std::snprintf(name, sizeof name, "T_%" PRIxPTR, reinterpret_cast<uintptr_t>(this));
        name_ = name;
        firstAttribute_ = 100;
        secondAttribute_ = 65536;
    }

    stopped_.store(false);
    try {
        thread_ = std::thread(&CLumAOSM_Thread::Entry, this);
    } catch (const std::system_error&) {
        stopped_.store(true);
        std::lock_guard lock(stateMutex_);
        running_ = false;
        return false;
    }
    threadId_.store(thread_.get_id());
    return true;
}

void CLumAOSM_Thread::Entry(CLumAOSM_Thread* self) {
    self->threadId_.store(std::this_thread::get_id());
    // The kernel keeps 15 characters of a thread name.
    char osName[16];
    std::strncpy(osName, self->name_.c_str(), sizeof osName - 1);
    osName[sizeof osName - 1] = '\0';
    pthread_setname_np(pthread_self(), osName);

    self->Run();

    self->stopped_.store(true);
    std::lock_guard lock(self->stateMutex_);
    self->running_ = false;
    self->stateChanged_.notify_all();
}

int CLumAOSM_Thread::Run() {
    std::unique_lock lock(stateMutex_);
    stateChanged_.wait(lock, [this] { return stopped_.load(); });
    return 0;
}

int CLumAOSM_Thread::Stop() {
    stopped_.store(true);
    std::lock_guard lock(stateMutex_);
    stateChanged_.notify_all();
    return 0;
}

bool CLumAOSM_Thread::IsRunning() const {
    std::lock_guard lock(stateMutex_);
    return running_;
}

int CLumAOSM_Thread::WaitUntilStopped() {
    if (IsOwnThread())
        return -1;
    {
        std::unique_lock lock(stateMutex_);
        stateChanged_.wait(lock, [this] { return !running_; });
    }
    std::lock_guard join(joinMutex_);
    if (thread_.joinable()) {
        thread_.join();
        threadId_.store({});  // the id may be given to another thread now
    }
    return 0;
}

void CLumAOSM_Thread::StopAndWait() {
    if (IsOwnThread())
        return;
    if (IsRunning())
        Stop();
    WaitUntilStopped();
}
