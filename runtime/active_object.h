#pragma once

#include <atomic>
#include <memory>

#include "runtime/mediator.h"
#include "runtime/observer.h"
#include "runtime/task.h"

// A reference to a state handler. The runtime calls Call; operator() does the same.
class TFunctor {
public:
    virtual CLumAOSM_Message operator()(CLumAOSM_Message& message) = 0;
    virtual CLumAOSM_Message Call(CLumAOSM_Message& message) = 0;
    virtual ~TFunctor() = default;
};

// Binds one object and one of its state-handler member functions.
template <class T>
class TSpecificFunctor : public TFunctor {
public:
    using Handler = CLumAOSM_Message (T::*)(CLumAOSM_Message&);

    TSpecificFunctor(T* object, Handler handler) : object_(object), handler_(handler) {}
    CLumAOSM_Message operator()(CLumAOSM_Message& message) override { return (object_->*handler_)(message); }
    CLumAOSM_Message Call(CLumAOSM_Message& message) override { return (object_->*handler_)(message); }

    T* Object() const { return object_; }
    Handler Member() const { return handler_; }

private:
    T* object_;
    Handler handler_;
};

// A task whose messages go to its current state handler (a flat state machine). Handlers run
// only on the object's own thread; Receive, on the caller's thread, just queues a copy.
class CLumAOSM_ActiveObject : public CLumAOSM_Task, public CLumAOSM_Observer {
public:
    // With a mediator, subscribes to the three broadcast signals (kill, suspend, resume).
    explicit CLumAOSM_ActiveObject(CLumAOSM_Mediator* mediator);
    // Call Stop and WaitUntilStopped first. An object destroyed without that still leaves the
    // mediator's table (if the mediator exists), and a body still running is stopped.
    ~CLumAOSM_ActiveObject() override;

    bool Start(const ThreadStartParams* params) override { return CLumAOSM_Task::Start(params); }
    int Run() override;
    // Unsubscribes from everything (waiting for the mediator), then stops the task: the current
    // state receives AO_EXIT_SIG and the thread ends after the message it is handling.
    int Stop() override;
    int Dispatch(CLumAOSM_Message* message) override;
    // The initial pseudo-state. A derived class overrides it to subscribe, pick its first state
    // and call InitialTransition.
    virtual CLumAOSM_Message Initial(CLumAOSM_Message& message);

    int Receive(const CLumAOSM_Message* message, const char* tag) override;

    // The replies of state handlers.
    static CLumAOSM_Message Handled() { return CLumAOSM_Message(AO_TRUE_SIG); }
    static CLumAOSM_Message NotHandled() { return CLumAOSM_Message(AO_FALSE_SIG); }

    template <class T>
    static TFunctor* MakeHandler(T* object, CLumAOSM_Message (T::*handler)(CLumAOSM_Message&)) {
        return new TSpecificFunctor<T>(object, handler);
    }

    CLumAOSM_Mediator* Mediator() const { return mediator_; }
    // True once Initial has returned on the object's thread: the subscriptions it made are queued
    // at the mediator ahead of every publication made from now on.
    bool IsInitialised() const { return initialised_.load(); }

protected:
    // From Initial: makes handler current (taking ownership); it receives AO_ENTRY_SIG next.
    void InitialTransition(TFunctor* handler);
    // From a state handler: the current state receives AO_EXIT_SIG now; handler (owned) becomes
    // current when the calling handler returns, and then receives AO_ENTRY_SIG.
    void Transition(TFunctor* handler);
    // For every signal a state does not handle itself.
    CLumAOSM_Message DefaultHandler(CLumAOSM_Message& message);

    template <class T>
    void InitialTransition(T* object, CLumAOSM_Message (T::*handler)(CLumAOSM_Message&)) {
        InitialTransition(MakeHandler(object, handler));
    }
    template <class T>
    void Transition(T* object, CLumAOSM_Message (T::*handler)(CLumAOSM_Message&)) {
        Transition(MakeHandler(object, handler));
    }

private:
    void MakeCurrent(TFunctor* handler);
    void DeliverToCurrent(int32_t signal);
    void PostEntry();

    std::unique_ptr<TFunctor> current_;
    std::unique_ptr<TFunctor> pending_;
    // A handler replaced while it runs is kept alive until its call returns.
    std::unique_ptr<TFunctor> retired_;
    bool entered_ = false;  // the current state has received AO_ENTRY_SIG
    std::atomic<bool> initialised_{false};
    CLumAOSM_Mediator* mediator_;
};
