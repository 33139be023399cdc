#include "runtime/active_object.h"

#include "runtime/trace.h"

CLumAOSM_ActiveObject::CLumAOSM_ActiveObject(CLumAOSM_Mediator* mediator) : mediator_(mediator) {
    SetName("CLumAOSM_ActiveObject");
    if (mediator_ != nullptr) {
        mediator_->Subscribe(this, AO_All2All_KillAll_SIG);
        mediator_->Subscribe(this, AO_All2All_SuspendAll_SIG);
        mediator_->Subscribe(this, AO_All2All_ResumeAll_SIG);
    }
    CLumAOSM_Message none;
    CLumAOSM_ActiveObject::Initial(none);
}

CLumAOSM_ActiveObject::~CLumAOSM_ActiveObject() {
    // Destroyed without Stop: its entries must still leave the table before its parts go.
    CLumAOSM_Mediator::Forget(this);
    if (!IsOwnThread() && IsRunning()) {
        CLumAOSM_Task::Stop();
        WaitUntilStopped();
    }
}

CLumAOSM_Message CLumAOSM_ActiveObject::Initial(CLumAOSM_Message&) {
    MakeCurrent(MakeHandler<CLumAOSM_ActiveObject>(this, &CLumAOSM_ActiveObject::Initial));
    return Handled();
}

void CLumAOSM_ActiveObject::MakeCurrent(TFunctor* handler) {
    // Only the handler that was current when the call began can be running.
    if (!retired_)
        retired_ = std::move(current_);
    current_.reset(handler);
    entered_ = false;
}

void CLumAOSM_ActiveObject::PostEntry() {
    Post(CLumAOSM_Message(AO_ENTRY_SIG), true, "");
}

void CLumAOSM_ActiveObject::DeliverToCurrent(int32_t signal) {
    CLumAOSM_Message message(signal);
    if (current_)
        current_->Call(message);
}

void CLumAOSM_ActiveObject::InitialTransition(TFunctor* handler) {
    MakeCurrent(handler);
    PostEntry();
}

void CLumAOSM_ActiveObject::Transition(TFunctor* handler) {
    DeliverToCurrent(AO_EXIT_SIG);
    pending_.reset(handler);
}

int CLumAOSM_ActiveObject::Run() {
    PostEntry();
    std::unique_ptr<CLumAOSM_Message> message;
    for (;;) {
        if (Take(&message) != 0) {
            // A state that never got its entry is not left either.
            if (entered_)
                DeliverToCurrent(AO_EXIT_SIG);
            return 0;
        }
        Dispatch(message.get());
        message.reset();
        retired_.reset();
        initialised_.store(true);  // the first message taken always goes to Initial
        if (pending_ && pending_ != current_) {
            current_ = std::move(pending_);
            entered_ = false;
            PostEntry();
        }
    }
}

int CLumAOSM_ActiveObject::Stop() {
    if (mediator_ != nullptr)
        mediator_->UnsubscribeAll(this);
    return CLumAOSM_Task::Stop();
}

int CLumAOSM_ActiveObject::Dispatch(CLumAOSM_Message* message) {
    if (message->GetSignal() == AO_ENTRY_SIG)
        entered_ = true;
    if (current_)
        current_->Call(*message);
    return 0;
}

int CLumAOSM_ActiveObject::Receive(const CLumAOSM_Message* message, const char* tag) {
    if (message == nullptr)
        return -1;
    return Post(*message, false, tag);
}

CLumAOSM_Message CLumAOSM_ActiveObject::DefaultHandler(CLumAOSM_Message& message) {
    const int32_t signal = message.GetSignal();
    switch (signal) {
        case AO_All2All_KillAll_SIG:
            Stop();
            return Handled();
        case AO_All2All_SuspendAll_SIG:
        case AO_All2All_ResumeAll_SIG:
            return NotHandled();
        default:
            if (signal >= 0 && signal < AO_USER_SIG)
                LumAOSM_Trace("CLumAOSM_ActiveObject::[%s] Not caught Signal Num [%d] Name [%s]\n", GetName(),
                              signal, SignalName(signal));
            return NotHandled();
    }
}
