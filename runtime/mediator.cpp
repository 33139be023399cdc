#include "runtime/mediator.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "runtime/trace.h"

std::atomic<CLumAOSM_Mediator*> CLumAOSM_Mediator::instance_{nullptr};
std::atomic<CLumAOSM_Mediator*> CLumAOSM_Mediator::process_{nullptr};

namespace {

std::mutex g_instanceMutex;

// Mediators not yet destroyed: an observer outliving its mediator must not reach for it. Never
// destroyed themselves, so observers destroyed during the program's exit may still ask.
struct LiveMediators {
    std::mutex mutex;
    std::unordered_set<const CLumAOSM_Mediator*> set;
};

LiveMediators& Live() {
    static auto* live = new LiveMediators;
    return *live;
}

// Requests overtake waiting publications but keep their own order, so an unsubscribe-all never
// takes effect before a subscription issued ahead of it (which would leave a dangling observer).
constexpr auto kRequestPlace = CLumAOSM_Message_Que::Place::Ahead;

CLumAOSM_Observer* ObserverParam(const CLumAOSM_Message& message) {
    void* data = nullptr;
    message.GetParam(0, &data, nullptr, nullptr);
    return static_cast<CLumAOSM_Observer*>(data);
}

// A request names its observer (parameter 0) and carries a copy of the observer's name
// (parameter 2), taken on the requester's thread: the mediator's thread never reads a name that
// a constructor may still be setting.
CLumAOSM_Message ObserverRequest(int32_t signal, CLumAOSM_Observer* observer) {
    CLumAOSM_Message request(signal);
    request.SetParam(0, observer, 0, true);
    const char* name = observer->GetName();
    request.SetParam(2, name, static_cast<int32_t>(std::strlen(name) + 1), false);
    return request;
}

const char* NameParam(const CLumAOSM_Message& message) {
    void* data = nullptr;
    int32_t length = 0;
    if (!message.GetParam(2, &data, &length, nullptr) || data == nullptr || length < 1 ||
        static_cast<const char*>(data)[length - 1] != '\0')
        return "";
    return static_cast<const char*>(data);
}

}  // namespace

CLumAOSM_Mediator::CLumAOSM_Mediator() {
    std::lock_guard lock(Live().mutex);
    Live().set.insert(this);
}

CLumAOSM_Mediator::~CLumAOSM_Mediator() {
    {
        std::lock_guard lock(Live().mutex);
        Live().set.erase(this);
    }
    StopAndWait();
    std::lock_guard lock(g_instanceMutex);
    if (instance_.load() == this)
        instance_.store(nullptr);
}

CLumAOSM_Mediator* CLumAOSM_Mediator::Instance() {
    std::lock_guard lock(g_instanceMutex);
    if (instance_.load() == nullptr)
        instance_.store(new CLumAOSM_Mediator);
    return instance_.load();
}

bool CLumAOSM_Mediator::Start(const ThreadStartParams*) {
    return CLumAOSM_Task::Start(nullptr);
}

int CLumAOSM_Mediator::Subscribe(CLumAOSM_Observer* observer, int32_t signal) {
    if (observer == nullptr)
        return 0;
    CLumAOSM_Message request = ObserverRequest(AO_SUBSCRIBER_SIG, observer);
    request.SetParamValue(1, signal);
    const int posted = Post(request, kRequestPlace, "");
    if (posted == 0)
        observer->listedWith_.store(this);
    if (posted == 0)
        LumAOSM_Trace("CLumAOSM_Mediator:: IN   AO_SUBSCRIBER_SIG TASK_NAME [ %s ] \n", observer->GetName());
    return posted;
}

int CLumAOSM_Mediator::UnsubscribeAll(CLumAOSM_Observer* observer) {
    if (observer == nullptr)
        return 0;
    observer->Deactivate();
    if (IsOwnThread())
        return -1;
    CLumAOSM_Message request = ObserverRequest(AO_UNSUBSCRIBER_ALLSIG_SIG, observer);
    LumAOSM_Trace("CLumAOSM_Mediator:: IN  AO_UNSUBSCRIBER_ALLSIG_SIG TASK_NAME [ %s ] \n",
                  observer->GetName());
    const int result = LumAOSM_Request(*this, request, kRequestPlace, nullptr);
    if (result == 0) {
        CLumAOSM_Mediator* self = this;
        observer->listedWith_.compare_exchange_strong(self, nullptr);
    }
    return result;
}

void CLumAOSM_Mediator::Forget(CLumAOSM_Observer* observer) {
    if (observer == nullptr)
        return;
    observer->Deactivate();
    CLumAOSM_Mediator* mediator = observer->listedWith_.exchange(nullptr);
    if (mediator == nullptr)
        return;
    ReplyBlock reply;
    {
        // Held while posting only: a mediator being destroyed leaves the set first, and its stop
        // then answers (abandons) a request already queued, so the wait below always ends.
        std::lock_guard lock(Live().mutex);
        if (!Live().set.contains(mediator))
            return;
        CLumAOSM_Message request = ObserverRequest(AO_UNSUBSCRIBER_ALLSIG_SIG, observer);
        // Not waited for on the mediator's own thread, nor while it is not running: the request
        // is then handled before any later publication is routed.
        const bool wait = !mediator->IsOwnThread() && mediator->IsRunning();
        if (wait)
            request.SetReply(&reply);
        if (mediator->Post(request, kRequestPlace, "") != 0 || !wait)
            return;
    }
    reply.WaitForAnswer();
}

int CLumAOSM_Mediator::Unsubscribe(CLumAOSM_Observer* observer, int32_t signal) {
    if (observer == nullptr)
        return 0;
    if (IsOwnThread())
        return -1;
    CLumAOSM_Message request = ObserverRequest(AO_UNSUBSCRIBER_SIG, observer);
    request.SetParamValue(1, signal);
    return LumAOSM_Request(*this, request, kRequestPlace, nullptr);
}

void CLumAOSM_Mediator::Publish(const CLumAOSM_Message& message) {
    const int32_t signal = message.GetSignal();
    if (signal >= 0 && signal < AO_USER_SIG)
        LumAOSM_Trace("CLumAOSM_Mediator:: IN  Signal Num [%d] Name [ %s ]\n", signal, SignalName(signal));
    Post(message, false, "");
}

CLumAOSM_Mediator::SubscriptionEntry* CLumAOSM_Mediator::Find(int32_t signal) {
    auto it = std::find_if(table_.begin(), table_.end(),
                           [signal](const SubscriptionEntry& entry) { return entry.signal == signal; });
    return it == table_.end() ? nullptr : &*it;
}

int CLumAOSM_Mediator::Dispatch(CLumAOSM_Message* message) {
    CLumAOSM_Observer* observer = ObserverParam(*message);
    int32_t signal = 0;
    switch (message->GetSignal()) {
        case AO_SUBSCRIBER_SIG: {
            if (observer == nullptr || !message->GetParamValue(1, &signal))
                return 0;
            LumAOSM_Trace("CLumAOSM_Mediator:: OUT  AO_SUBSCRIBER_SIG TASK_NAME [ %s ] SIG_NAME [ %s ] \n",
                          NameParam(*message), SignalName(AO_SUBSCRIBER_SIG));
            if (SubscriptionEntry* entry = Find(signal)) {
                auto& list = entry->subscribers;
                if (std::find(list.begin(), list.end(), observer) == list.end())
                    list.push_back(observer);
            } else {
                table_.push_back(SubscriptionEntry{signal, {observer}});
            }
            return 0;
        }
        case AO_UNSUBSCRIBER_SIG: {
            if (observer == nullptr) {
                LumAOSM_Reply(*message, 0);  // nothing to remove, but never leave a requester waiting
                return 0;
            }
            LumAOSM_Trace("CLumAOSM_Mediator:: OUT  AO_UNSUBSCRIBER_SIG TASK_NAME [ %s ] SIG_NAME [ %s ] \n",
                          NameParam(*message), SignalName(AO_UNSUBSCRIBER_SIG));
            if (message->GetParamValue(1, &signal)) {
                if (SubscriptionEntry* entry = Find(signal)) {
                    auto& list = entry->subscribers;
                    auto it = std::find(list.begin(), list.end(), observer);
                    if (it != list.end())
                        list.erase(it);
                }
            }
            LumAOSM_Reply(*message, 0);
            return 0;
        }
        case AO_UNSUBSCRIBER_ALLSIG_SIG: {
            if (observer == nullptr) {
                LumAOSM_Reply(*message, 0);
                return 0;
            }
            LumAOSM_Trace("CLumAOSM_Mediator:: OUT  AO_UNSUBSCRIBER_ALLSIG_SIG TASK_NAME [ %s ] \n",
                          NameParam(*message));
            for (SubscriptionEntry& entry : table_) {
                auto it = std::find(entry.subscribers.begin(), entry.subscribers.end(), observer);
                if (it != entry.subscribers.end())
                    entry.subscribers.erase(it);
            }
            LumAOSM_Reply(*message, 0);
            return 0;
        }
        default:
            Route(*message);
            return 0;
    }
}

void CLumAOSM_Mediator::Route(const CLumAOSM_Message& message) {
    const int32_t signal = message.GetSignal();
    if (signal >= 0 && signal < AO_USER_SIG)
        LumAOSM_Trace("CLumAOSM_Mediator:: Out Signal Num [%d] Name [ %s ]\n", signal, SignalName(signal));
    SubscriptionEntry* entry = Find(signal);
    if (entry == nullptr)
        return;
    for (CLumAOSM_Observer* observer : entry->subscribers) {
        if (observer->IsActive())
            observer->Receive(&message, "");
    }
}
