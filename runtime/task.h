#pragma once

#include <cstdint>

#include "runtime/message.h"
#include "runtime/message_que.h"
#include "runtime/thread.h"

// A thread with a bounded message queue; its Run hands every message to Dispatch.
class CLumAOSM_Task : public CLumAOSM_Thread {
public:
    CLumAOSM_Task() = default;
    // Pending messages are discarded, not handled.
    ~CLumAOSM_Task() override;

    bool Start(const ThreadStartParams* params) override;
    int Run() override;
    // Closes the task: later posts are refused, and the task ends after the message it is
    // handling now. Any thread may call it.
    int Stop() override;
    virtual int Dispatch(CLumAOSM_Message* message);

    // Queues a copy of message; the caller keeps its own. 0, or -1 when closed or full.
    int Post(const CLumAOSM_Message& message, bool urgent = false, const char* tag = "") {
        return Post(message, urgent ? CLumAOSM_Message_Que::Place::Front : CLumAOSM_Message_Que::Place::Back,
                    tag);
    }
    int Post(const CLumAOSM_Message& message, CLumAOSM_Message_Que::Place place, const char* tag);
    int32_t RemoveByTag(const char* tag);
    int32_t Count() const { return queue_.Count(); }
    bool IsClosed() const { return queue_.IsClosed(); }

protected:
    // Takes the next message; -1 at the stop marker.
    int Take(std::unique_ptr<CLumAOSM_Message>* message) { return queue_.Get(message); }

private:
    CLumAOSM_Message_Que queue_;
};

// Synchronous request: posts message (with a reply block of its own) to responder and waits for
// the answer. 0 with *result set; -1 at once when the responder is not running, full, or the
// caller is the responder's own thread. When the responder is stopping, -1 after its thread ended.
int LumAOSM_Request(CLumAOSM_Task& responder, CLumAOSM_Message& message, CLumAOSM_Message_Que::Place place,
                    intptr_t* result);
