#include "runtime/timer_agent.h"

#include <algorithm>
#include <climits>
#include <mutex>

std::atomic<CLumAOSM_TimerAgent*> CLumAOSM_TimerAgent::instance_{nullptr};
std::atomic<CLumAOSM_TimerAgent*> CLumAOSM_TimerAgent::process_{nullptr};

// ---- CLumAOSM_TimerAgent

namespace {

std::mutex g_instanceMutex;

// The ticks on which `remainingMs` more milliseconds are counted (at least the next one).
int64_t TicksFor(int64_t remainingMs) {
    return remainingMs <= 0 ? 1 : (remainingMs + CLumAOSM_Forever::kTickMs - 1) / CLumAOSM_Forever::kTickMs;
}

}  // namespace

CLumAOSM_TimerAgent::CLumAOSM_TimerAgent(Ticks ticks, CLumAOSM_TickClock* clock)
    : ticks_(ticks), clock_(clock) {
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

int CLumAOSM_TimerAgent::TickReached(int64_t tick) {
    CLumAOSM_Message message(AO_TIMEOUT_SIG);
    message.SetParamValue(0, int32_t{CLumAOSM_Forever::kTickMs});
    message.SetParamValue(1, tick);
    return Post(message, false, "");
}

int CLumAOSM_TimerAgent::Run() {
    if (ticks_ == Ticks::Thread) {
        counted_ = 0;
        tickThread_ = std::make_unique<CLumAOSM_Forever>(clock_);
        tickThread_->SetAgent(this);
        const ThreadStartParams params = ThreadStartParams::Named("T_Forever_Timer_Tick");
        tickThread_->Start(&params);
        // Slots armed before a restart count from the new grid.
        PublishDue();
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

void CLumAOSM_TimerAgent::OnTick(int64_t step) {
    for (TimerSlot& slot : slots_) {
        if (!slot.inUse)
            continue;
        const int64_t elapsed = slot.elapsed + step;
        slot.elapsed = static_cast<int32_t>(std::min<int64_t>(elapsed, INT32_MAX));
        if (slot.elapsed < slot.timeout)
            continue;
        if (slot.timer != nullptr)
            slot.timer->Fire(slot.timeout, slot);
        if (!slot.periodic)
            Free(slot);
        slot.elapsed = 0;
    }
}

int64_t CLumAOSM_TimerAgent::TicksToEarliestDue() const {
    int64_t earliest = CLumAOSM_Forever::kNoTick;
    for (const TimerSlot& slot : slots_) {
        if (!slot.inUse)
            continue;
        earliest = std::min(earliest, TicksFor(int64_t{slot.timeout} - slot.elapsed));
    }
    return earliest;
}

void CLumAOSM_TimerAgent::PublishDue() {
    constexpr int64_t kNone = CLumAOSM_Forever::kNoTick;
    int64_t first = kNone;
    int64_t then = kNone;
    auto consider = [&](int64_t ticks) {
        if (ticks < first) {
            then = first;
            first = ticks;
        } else if (ticks > first && ticks < then) {
            then = ticks;
        }
    };
    for (const TimerSlot& slot : slots_) {
        if (!slot.inUse)
            continue;
        const int64_t ticks = TicksFor(int64_t{slot.timeout} - slot.elapsed);
        consider(ticks);
        if (slot.periodic)
            consider(ticks + TicksFor(slot.timeout));
    }
    tickThread_->SetDue(first == kNone ? kNone : counted_ + first, then == kNone ? kNone : counted_ + then);
}

void CLumAOSM_TimerAgent::CatchUp(int64_t tick) {
    while (counted_ < tick) {
        const int64_t due = TicksToEarliestDue();
        if (due == CLumAOSM_Forever::kNoTick) {
            counted_ = tick;
            return;
        }
        // Never past a due slot: each stretch ends on the earliest one's tick.
        const int64_t step = std::min(tick - counted_, due);
        OnTick(step * CLumAOSM_Forever::kTickMs);
        counted_ += step;
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
    if (!tickThread_)
        return Handle(message);
    // Ticks pass unseen while nothing is due: count them before anything else happens, so a
    // timer armed now starts from the tick under way.
    int64_t reached = 0;
    if (message->GetSignal() == AO_TIMEOUT_SIG)
        message->GetParamValue(1, &reached);
    CatchUp(std::max(tickThread_->CurrentTick(), reached));
    const int result = message->GetSignal() == AO_TIMEOUT_SIG ? 0 : Handle(message);
    PublishDue();
    return result;
}

int CLumAOSM_TimerAgent::Handle(CLumAOSM_Message* message) {
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
