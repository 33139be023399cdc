#include "runtime/task.h"

CLumAOSM_Task::~CLumAOSM_Task() {
    StopAndWait();
    queue_.Clear();
}

bool CLumAOSM_Task::Start(const ThreadStartParams* params) {
    if (IsRunning())
        return false;
    queue_.Open();
    return CLumAOSM_Thread::Start(params);
}

int CLumAOSM_Task::Run() {
    std::unique_ptr<CLumAOSM_Message> message;
    while (Take(&message) == 0) {
        Dispatch(message.get());
        message.reset();
    }
    return 0;
}

int CLumAOSM_Task::Stop() {
    queue_.Close();
    return 0;
}

int CLumAOSM_Task::Dispatch(CLumAOSM_Message*) {
    return 0;
}

int CLumAOSM_Task::Post(const CLumAOSM_Message& message, CLumAOSM_Message_Que::Place place, const char* tag) {
    auto copy = std::make_unique<CLumAOSM_Message>(message);
    return queue_.Put(copy, place, tag);
}

int32_t CLumAOSM_Task::RemoveByTag(const char* tag) {
    return queue_.RemoveByTag(tag);
}

int LumAOSM_Request(CLumAOSM_Task& responder, CLumAOSM_Message& message, CLumAOSM_Message_Que::Place place,
                    intptr_t* result) {
    if (responder.IsOwnThread())
        return -1;  // it would wait for itself
    if (!responder.IsRunning())
        return -1;  // nobody would ever answer
    ReplyBlock reply;
    message.SetReply(&reply);
    const int posted = responder.Post(message, place, "");
    message.SetReply(nullptr);
    const bool answered = posted == 0 && reply.WaitForAnswer();
    if (!answered) {
        // A stopping responder may still be busy on our behalf (delivering to us, say) with the
        // message it is handling; let it finish, so the caller can tear down what it shares.
        if (responder.IsClosed())
            responder.WaitUntilStopped();
        return -1;
    }
    if (result != nullptr)
        *result = reply.Result();
    return 0;
}
