#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <type_traits>

#include "runtime/observer.h"
#include "runtime/task.h"

// Publish/subscribe switchboard. Subscription changes travel through its own queue, so the
// table is touched by the mediator's thread alone; receivers run on that thread.
class CLumAOSM_Mediator : public CLumAOSM_Task {
public:
    struct SubscriptionEntry {
        int32_t signal;
        std::list<CLumAOSM_Observer*> subscribers;
    };

    CLumAOSM_Mediator();
    ~CLumAOSM_Mediator() override;

    // Creates the process's mediator on first use; does not start it.
    static CLumAOSM_Mediator* Instance();
    // The mediator every publisher and subscriber addresses, set by the runtime start-up.
    static CLumAOSM_Mediator* Process() { return process_.load(); }
    static void SetProcess(CLumAOSM_Mediator* mediator) { process_.store(mediator); }

    // Ignores params: the thread is always named "T_" plus the object's address.
    bool Start(const ThreadStartParams* params) override;
    int Dispatch(CLumAOSM_Message* message) override;

    // Queues a subscription ahead of every waiting publication. 0 when queued (or when
    // observer is null), -1 when the mediator is closed or full. Does not wait.
    int Subscribe(CLumAOSM_Observer* observer, int32_t signal);
    // Deactivates observer at once, then waits until the mediator has removed it everywhere.
    // 0 when done (or observer is null); -1 when the request could not be queued or handled,
    // or when called on the mediator's own thread (from a Receive), where it would wait for itself.
    int UnsubscribeAll(CLumAOSM_Observer* observer);
    // Removes observer from one signal's list and waits for it, as UnsubscribeAll does.
    int Unsubscribe(CLumAOSM_Observer* observer, int32_t signal);
    // Routes a copy of message to the subscribers of its signal; the caller keeps message.
    void Publish(const CLumAOSM_Message& message);

    // For an observer being destroyed: takes it out of every list of the mediator it subscribed
    // with, if that mediator still exists. Waits for a running mediator, except on its own thread
    // (a Receive destroying an observer), where the removal goes ahead of every later publication.
    static void Forget(CLumAOSM_Observer* observer);

    // Objects of any other polymorphic class are refused (0) unless they are observers too.
    template <class T>
    requires(!std::is_convertible_v<T*, CLumAOSM_Observer*>) int Subscribe(T* object, int32_t signal) {
        return Subscribe(AsObserver(object), signal);
    }
    template <class T>
    requires(!std::is_convertible_v<T*, CLumAOSM_Observer*>) int UnsubscribeAll(T* object) {
        return UnsubscribeAll(AsObserver(object));
    }

    // Mediator thread only (tests and diagnostics read it after a round trip).
    const std::list<SubscriptionEntry>& Table() const { return table_; }

private:
    template <class T>
    static CLumAOSM_Observer* AsObserver(T* object) {
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<CLumAOSM_Observer*>(object);
        else
            return nullptr;
    }

    SubscriptionEntry* Find(int32_t signal);
    void Route(const CLumAOSM_Message& message);

    std::list<SubscriptionEntry> table_;

    static std::atomic<CLumAOSM_Mediator*> instance_;
    static std::atomic<CLumAOSM_Mediator*> process_;
};
