#include "runtime/message_que.h"

#include <cstring>
#include <thread>

namespace {

void CopyTag(char (&to)[QueueEntry::kTagSize], const char* tag) {
    if (tag == nullptr)
        tag = "";
    std::strncpy(to, tag, QueueEntry::kTagSize - 1);
    to[QueueEntry::kTagSize - 1] = '\0';
}

// A discarded request must still release the thread that waits for its answer.
void Discard(QueueEntry& entry) {
    if (entry.message && entry.message->GetReply() != nullptr)
        entry.message->GetReply()->Abandon();
    entry.message.reset();
}

}  // namespace

CLumAOSM_Message_Que::~CLumAOSM_Message_Que() {
    // A consumer may have taken a Put's entry, ended and had us destroyed before that Put notified.
    while (notifying_.load(std::memory_order_acquire) != 0)
        std::this_thread::yield();
    Clear();
}

int CLumAOSM_Message_Que::Put(std::unique_ptr<CLumAOSM_Message>& message, Place place, const char* tag) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || static_cast<int32_t>(entries_.size()) > kAcceptLimit)
            return -1;
        auto where = entries_.end();
        if (place == Place::Front) {
            where = entries_.begin();
        } else if (place == Place::Ahead) {
            where = entries_.begin();
            while (where != entries_.end() && (where->ahead || where->stopMarker))
                ++where;
        }
        auto entry = entries_.emplace(where);
        entry->message = std::move(message);
        entry->ahead = place == Place::Ahead;
        CopyTag(entry->tag, tag);
        notifying_.fetch_add(1, std::memory_order_relaxed);
    }
    // Outside the lock, so the consumer does not wake into a held mutex (a wake-up more each time);
    // the destructor waits until this is done.
    notEmpty_.notify_one();
    notifying_.fetch_sub(1, std::memory_order_release);
    return 0;
}

int CLumAOSM_Message_Que::PutStopMarker() {
    {
        std::lock_guard lock(mutex_);
        entries_.emplace_front().stopMarker = true;
        notEmpty_.notify_one();
    }
    return 0;
}

int CLumAOSM_Message_Que::Get(std::unique_ptr<CLumAOSM_Message>* message) {
    std::unique_lock lock(mutex_);
    notEmpty_.wait(lock, [this] { return !entries_.empty(); });
    QueueEntry& front = entries_.front();
    const bool stop = front.stopMarker;
    *message = std::move(front.message);
    entries_.pop_front();
    return stop ? -1 : 0;
}

int32_t CLumAOSM_Message_Que::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int32_t>(entries_.size());
}

template <class Pred>
int32_t CLumAOSM_Message_Que::RemoveIf(Pred pred) {
    std::list<QueueEntry> removed;
    {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end();) {
            auto next = std::next(it);
            if (pred(*it))
                removed.splice(removed.end(), entries_, it);
            it = next;
        }
    }
    // Messages are destroyed outside the lock.
    for (QueueEntry& entry : removed)
        Discard(entry);
    return static_cast<int32_t>(removed.size());
}

int32_t CLumAOSM_Message_Que::Clear() {
    return RemoveIf([](const QueueEntry&) { return true; });
}

int32_t CLumAOSM_Message_Que::RemoveByTag(const char* tag) {
    if (tag == nullptr)
        tag = "";
    return RemoveIf([tag](const QueueEntry& entry) {
        return !entry.stopMarker && std::strncmp(entry.tag, tag, QueueEntry::kTagSize) == 0;
    });
}

void CLumAOSM_Message_Que::Close() {
    std::list<QueueEntry> abandoned;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        for (auto it = entries_.begin(); it != entries_.end();) {
            auto next = std::next(it);
            if (it->message && it->message->GetReply() != nullptr)
                abandoned.splice(abandoned.end(), entries_, it);
            it = next;
        }
        entries_.emplace_front().stopMarker = true;
        notEmpty_.notify_one();
    }
    for (QueueEntry& entry : abandoned)
        Discard(entry);
}

void CLumAOSM_Message_Que::Open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    // A marker left by a stop before this start would end the new run at once.
    entries_.remove_if([](const QueueEntry& entry) { return entry.stopMarker; });
}

bool CLumAOSM_Message_Que::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}
