#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct ThreadStartParams {
    char name[500] = {};  // at most 31 characters are used
    int32_t secondAttribute = 65536;
    int32_t unused = 0;
    int32_t firstAttribute = 100;

    static ThreadStartParams Named(const char* name);
};

// Owns one operating-system thread running the virtual Run.
class CLumAOSM_Thread {
public:
    static constexpr size_t kMaxNameLength = 31;

    CLumAOSM_Thread() = default;
    CLumAOSM_Thread(const CLumAOSM_Thread&) = delete;
    CLumAOSM_Thread& operator=(const CLumAOSM_Thread&) = delete;
    // Waits for a body that still runs; a derived class must have stopped it before its own
    // part is destroyed (see StopAndWait).
    virtual ~CLumAOSM_Thread();

    // True when the thread was created. It counts as running from here on, so a
    // WaitUntilStopped issued right after waits for it. False while a body still runs.
    virtual bool Start(const ThreadStartParams* params);
    virtual int Run();
    virtual int Stop();
    // Returns when the body has returned and the thread has been joined; at once when never
    // started. -1 when called on the thread itself, which cannot wait for its own end.
    virtual int WaitUntilStopped();

    bool IsStopped() const { return stopped_.load(); }
    bool IsRunning() const;
    bool IsOwnThread() const { return std::this_thread::get_id() == threadId_.load(); }
    const std::string& GetThreadName() const { return name_; }
    int32_t FirstAttribute() const { return firstAttribute_; }
    int32_t SecondAttribute() const { return secondAttribute_; }

protected:
    // For destructors of concrete classes: Stop (as the class being destroyed defines it) when the
    // body still runs, then wait, so the body never outlives the object's parts.
    void StopAndWait();

private:
    static void Entry(CLumAOSM_Thread* self);

    std::atomic<bool> stopped_{true};
    std::string name_;
    int32_t closedHandle_ = 0;
    int32_t firstAttribute_ = 100;
    int32_t secondAttribute_ = 65536;
    std::thread thread_;
    std::atomic<std::thread::id> threadId_{};

    mutable std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool running_ = false;  // guarded by stateMutex_: from a successful Start to the body's end
    std::mutex joinMutex_;
};
