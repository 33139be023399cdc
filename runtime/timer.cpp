#include "runtime/timer.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>

std::atomic<CLumAOSM_TimerAgent*> CLumAOSM_TimerAgent::instance_{nullptr};
std::atomic<CLumAOSM_TimerAgent*> CLumAOSM_TimerAgent::process_{nullptr};

namespace {

std::mutex g_instanceMutex;

template <size_t N>
void CopyText(char (&to)[N], const char* text, size_t maxLength) {
    const size_t limit = maxLength < N - 1 ? maxLength : N - 1;
    std::strncpy(to, text != nullptr ? text : "", limit);
    to[limit] = '\0';
}

TimerSlot KeyedRequest(const CLumAOSM_TimerBase* timer, CLumAOSM_Observer* target, int32_t eventId,
                       const char* text) {
    TimerSlot request;
    CopyText(request.key, TimerKey(timer, target, eventId, text).c_str(), TimerSlot::kKeySize - 1);
    return request;
}

}  // namespace

std::string TimerKey(const CLumAOSM_TimerBase* timer, const CLumAOSM_Observer* target, int32_t eventId,
                     const char* text) {
    char shortText[CLumAOSM_Timer::kMaxTextLength + 1];
    CopyText(shortText, text, CLumAOSM_Timer::kMaxTextLength);
    char key[TimerSlot::kKeySize];
    std::snprintf(key, sizeof key, "TB%08" PRIXPTR "_TO%08" PRIXPTR "_TUE%08X_EN%s",
                  reinterpret_cast<uintptr_t>(timer), reinterpret_cast<uintptr_t>(target),
                  static_cast<unsigned>(eventId), shortText);
    return key;
}

// ---- CLumAOSM_Timer

int CLumAOSM_Timer::Fire(int32_t, const TimerSlot& slot) {
    TimeoutInfo info;
    info.eventId = slot.eventId;
    info.userValue = slot.userValue;
    std::memcpy(info.text, slot.text, sizeof info.text);
    CLumAOSM_Message timeout(AO_TIMEOUT_SIG);
    timeout.SetParamValue(0, info);
    if (slot.target != nullptr)
        slot.target->Receive(&timeout, slot.key);
    return 0;
}

bool CLumAOSM_Timer::StartTimer(CLumAOSM_Observer* target, int32_t eventId, int32_t timeoutMs,
                                int32_t userValue, const char* text) {
    CLumAOSM_TimerAgent* agent = CLumAOSM_TimerAgent::Process();
    if (agent == nullptr)
        return false;
    TimerSlot request = KeyedRequest(this, target, eventId, text);
    request.timeout = timeoutMs < kMinimumTimeout ? kMinimumTimeout : timeoutMs;
    request.periodic = 0;
    request.timer = this;
    request.target = target;
    request.eventId = eventId;
    request.userValue = userValue;
    CopyText(request.text, text, kMaxTextLength);

    CLumAOSM_Message message(AO_TIMERAGENT_START_TIMER_SIG);
    message.SetParamValue(0, request);
    intptr_t index = -1;
    if (LumAOSM_Request(*agent, message, CLumAOSM_Message_Que::Place::Back, &index) != 0)
        return false;
    return index != -1;
}

bool CLumAOSM_Timer::StopTimer(CLumAOSM_Observer* target, int32_t eventId, const char* text) {
    CLumAOSM_TimerAgent* agent = CLumAOSM_TimerAgent::Process();
    if (agent == nullptr)
        return false;
    const TimerSlot request = KeyedRequest(this, target, eventId, text);
    CLumAOSM_Message message(AO_TIMERAGENT_STOP_TIMER_SIG);
    message.SetParamValue(0, request);
    if (LumAOSM_Request(*agent, message, CLumAOSM_Message_Que::Place::Back, nullptr) != 0)
        return false;
    // The slot is free now, so nothing of this key can be queued after the purge.
    if (auto* task = dynamic_cast<CLumAOSM_Task*>(target))
        task->RemoveByTag(request.key);
    return true;
}

// ---- CLumAOSM_Forever

CLumAOSM_Forever::~CLumAOSM_Forever() {
    StopAndWait();
}

bool CLumAOSM_Forever::Start(const ThreadStartParams* params) {
    {
        std::lock_guard lock(mutex_);
        stopFlag_ = false;
    }
    if (CLumAOSM_Thread::Start(params))
        return true;
    std::lock_guard lock(mutex_);
    stopFlag_ = true;
    return false;
}

int CLumAOSM_Forever::Run() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(kTickMs);
    auto next = Clock::now() + period;
    std::unique_lock lock(mutex_);
    while (!stopFlag_) {
        lock.unlock();
        if (CLumAOSM_TimerAgent* agent = agent_.load())
            agent->Tick(kTickMs);
        lock.lock();
        // Keep a steady cadence; after a long stall start afresh rather than burst.
        if (wake_.wait_until(lock, next, [this] { return stopFlag_; }))
            break;
        next += period;
        const auto now = Clock::now();
        if (now > next + 5 * period)
            next = now + period;
    }
    return 1;
}

int CLumAOSM_Forever::Stop() {
    agent_.store(nullptr);
    std::lock_guard lock(mutex_);
    stopFlag_ = true;
    wake_.notify_all();
    return 1;
}

// ---- CLumAOSM_TimerAgent

CLumAOSM_TimerAgent::CLumAOSM_TimerAgent(Ticks ticks) : ticks_(ticks) {
    for (int i = 0; i < kSlotCount; ++i)
        slots_[i].index = i;
}

CLumAOSM_TimerAgent::~CLumAOSM_TimerAgent() {
    StopAndWait();
    std::lock_guard lock(g_instanceMutex);
    if (instance_.load() == this)
        instance_.store(nullptr);
}

CLumAOSM_TimerAgent* CLumAOSM_TimerAgent::Instance() {
    std::lock_guard lock(g_instanceMutex);
    if (instance_.load() == nullptr)
        instance_.store(new CLumAOSM_TimerAgent);
    return instance_.load();
}

int CLumAOSM_TimerAgent::Tick(int32_t stepMs) {
    CLumAOSM_Message tick(AO_TIMEOUT_SIG);
    tick.SetParamValue(0, stepMs);
    return Post(tick, false, "");
}

int CLumAOSM_TimerAgent::Run() {
    if (ticks_ == Ticks::Thread) {
        tickThread_ = std::make_unique<CLumAOSM_Forever>();
        tickThread_->SetAgent(this);
        const ThreadStartParams params = ThreadStartParams::Named("T_Forever_Timer_Tick");
        tickThread_->Start(&params);
    }
    CLumAOSM_Task::Run();
    if (tickThread_) {
        tickThread_->SetAgent(nullptr);
        tickThread_->Stop();
        tickThread_->WaitUntilStopped();
        tickThread_.reset();
    }
    return 0;
}

void CLumAOSM_TimerAgent::Free(TimerSlot& slot) {
    const int32_t index = slot.index;
    slot = TimerSlot{};
    slot.index = index;
}

void CLumAOSM_TimerAgent::OnTick(int32_t step) {
    for (TimerSlot& slot : slots_) {
        if (!slot.inUse)
            continue;
        slot.elapsed += step;
        if (slot.elapsed < slot.timeout)
            continue;
        if (slot.timer != nullptr)
            slot.timer->Fire(slot.timeout, slot);
        if (!slot.periodic)
            Free(slot);
        slot.elapsed = 0;
    }
}

intptr_t CLumAOSM_TimerAgent::OnStart(const TimerSlot& request) {
    TimerSlot* freeSlot = nullptr;
    for (TimerSlot& slot : slots_) {
        if (slot.inUse && std::strcmp(slot.key, request.key) == 0)
            return -1;
        if (!slot.inUse && freeSlot == nullptr)
            freeSlot = &slot;
    }
    if (freeSlot == nullptr)
        return -1;
    const int32_t index = freeSlot->index;
    *freeSlot = request;
    freeSlot->inUse = 1;
    freeSlot->index = index;
    freeSlot->elapsed = 0;
    return index;
}

void CLumAOSM_TimerAgent::OnStop(const TimerSlot& request) {
    for (TimerSlot& slot : slots_) {
        if (slot.inUse && std::strcmp(slot.key, request.key) == 0) {
            Free(slot);
            return;
        }
    }
}

int CLumAOSM_TimerAgent::Dispatch(CLumAOSM_Message* message) {
    switch (message->GetSignal()) {
        case AO_TIMEOUT_SIG: {
            int32_t step = 0;
            if (message->GetParamValue(0, &step))
                OnTick(step);
            return 0;
        }
        case AO_TIMERAGENT_START_TIMER_SIG: {
            TimerSlot request;
            const bool valid = message->GetParamValue(0, &request);
            request.key[sizeof request.key - 1] = '\0';
            request.text[sizeof request.text - 1] = '\0';
            const intptr_t answer = valid ? OnStart(request) : -1;
            LumAOSM_Reply(*message, answer);
            return 0;
        }
        case AO_TIMERAGENT_STOP_TIMER_SIG: {
            TimerSlot request;
            if (message->GetParamValue(0, &request)) {
                request.key[sizeof request.key - 1] = '\0';
                OnStop(request);
            }
            LumAOSM_Reply(*message, 0);
            return 0;
        }
        default:
            return 0;
    }
}
