#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

#include "runtime/message.h"

// One queued message, or a stop marker (no message).
struct QueueEntry {
    // Large enough for every timer key.
    static constexpr size_t kTagSize = 128;

    std::unique_ptr<CLumAOSM_Message> message;
    bool stopMarker = false;
    bool ahead = false;  // put with Place::Ahead
    char tag[kTagSize] = {};
};

// Bounded multi-producer, single-consumer queue. Urgent entries and stop markers go to the front,
// so the newest of them is taken first.
class CLumAOSM_Message_Que {
public:
    enum class Place {
        Back,
        Front,  // urgent: before every pending entry, so the newest urgent entry is taken first
        Ahead,  // before every pending entry except earlier Ahead ones: urgent, yet in order of issue
    };

    // Posts are accepted while the queue holds this many entries or fewer, so it can hold one more.
    static constexpr int32_t kAcceptLimit = 1000;

    CLumAOSM_Message_Que() = default;
    CLumAOSM_Message_Que(const CLumAOSM_Message_Que&) = delete;
    CLumAOSM_Message_Que& operator=(const CLumAOSM_Message_Que&) = delete;
    virtual ~CLumAOSM_Message_Que();

    // 0 when queued (the queue owns the message now); -1 when full or closed (the caller keeps it).
    int Put(std::unique_ptr<CLumAOSM_Message>& message, bool urgent, const char* tag) {
        return Put(message, urgent ? Place::Front : Place::Back, tag);
    }
    int Put(std::unique_ptr<CLumAOSM_Message>& message, Place place, const char* tag);
    int PutStopMarker();
    // 0 with a message (now the caller's); -1 when a stop marker was taken (message is null).
    // Blocks while the queue is empty.
    int Get(std::unique_ptr<CLumAOSM_Message>* message);
    int32_t Count() const;
    int32_t Clear();
    int32_t RemoveByTag(const char* tag);

    // Refuses every later Put and puts a stop marker at the front, in one step. Requests that
    // were waiting are answered as abandoned: they are behind the marker and would never be handled.
    void Close();
    void Open();
    bool IsClosed() const;

private:
    template <class Pred>
    int32_t RemoveIf(Pred pred);

    mutable std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::list<QueueEntry> entries_;
    bool closed_ = false;
    // Puts that have queued their entry but not yet notified: the destructor waits for them.
    std::atomic<int> notifying_{0};
};
