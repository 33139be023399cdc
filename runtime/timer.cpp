#include "runtime/timer.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
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
    return Start(target, eventId, timeoutMs, userValue, text, false);
}

bool CLumAOSM_Timer::StartPeriodicTimer(CLumAOSM_Observer* target, int32_t eventId, int32_t periodMs,
                                        int32_t userValue, const char* text) {
    return Start(target, eventId, periodMs, userValue, text, true);
}

bool CLumAOSM_Timer::Start(CLumAOSM_Observer* target, int32_t eventId, int32_t timeoutMs, int32_t userValue,
                           const char* text, bool periodic) {
    CLumAOSM_TimerAgent* agent = CLumAOSM_TimerAgent::Process();
    if (agent == nullptr)
        return false;
    TimerSlot request = KeyedRequest(this, target, eventId, text);
    request.timeout = timeoutMs < kMinimumTimeout ? kMinimumTimeout : timeoutMs;
    request.periodic = periodic ? 1 : 0;
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

// ---- CLumAOSM_SteadyTickClock

int64_t CLumAOSM_SteadyTickClock::Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t CLumAOSM_SteadyTickClock::RealOffset() {
    const int64_t real = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    return real - Now();
}

// The futex word is the atomic itself.
static_assert(std::atomic<uint32_t>::is_always_lock_free &&
              sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));

void CLumAOSM_SteadyTickClock::SleepUntil(int64_t deadline) {
    for (;;) {
        const uint32_t wakes = wakes_.load(std::memory_order_acquire);
        if (wakes != seen_) {
            seen_ = wakes;
            return;
        }
        timespec until{};
        const timespec* timeout = nullptr;
        if (deadline != kForever) {
            if (Now() >= deadline)
                return;
            until.tv_sec = static_cast<time_t>(deadline / 1'000'000'000);
            until.tv_nsec = static_cast<long>(deadline % 1'000'000'000);
            timeout = &until;
        }
        // FUTEX_WAIT_BITSET takes an absolute CLOCK_MONOTONIC time, the steady clock's; a Wake
        // that came first makes it return at once.
        syscall(SYS_futex, &wakes_, FUTEX_WAIT_BITSET_PRIVATE, wakes, timeout, nullptr,
                FUTEX_BITSET_MATCH_ANY);
    }
}

void CLumAOSM_SteadyTickClock::Wake() {
    wakes_.fetch_add(1, std::memory_order_release);
    // The tick thread that owns this clock ends only after every caller is done with it.
    syscall(SYS_futex, &wakes_, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

// ---- CLumAOSM_Forever

namespace {

int64_t FloorMod(int64_t value, int64_t modulus) {
    const int64_t r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// Within this the grid counts as on its phase; a set clock moves it by more.
constexpr int64_t kAlignToleranceNs = 1'000'000;

// The ticks on which `remainingMs` more milliseconds are counted (at least the next one).
int64_t TicksFor(int64_t remainingMs) {
    return remainingMs <= 0 ? 1 : (remainingMs + CLumAOSM_Forever::kTickMs - 1) / CLumAOSM_Forever::kTickMs;
}

}  // namespace

CLumAOSM_Forever::CLumAOSM_Forever(CLumAOSM_TickClock* clock)
    : ownClock_(clock == nullptr ? std::make_unique<CLumAOSM_SteadyTickClock>() : nullptr),
      clock_(clock != nullptr ? clock : ownClock_.get()) {}

CLumAOSM_Forever::~CLumAOSM_Forever() {
    StopAndWait();
}

bool CLumAOSM_Forever::Start(const ThreadStartParams* params) {
    if (IsRunning())
        return false;
    const int64_t now = clock_->Now();
    epoch_.store(now - FloorMod(now + clock_->RealOffset() - kGridPhaseNs, kTickNs));
    stopFlag_.store(false);
    if (CLumAOSM_Thread::Start(params))
        return true;
    stopFlag_.store(true);
    return false;
}

int64_t CLumAOSM_Forever::CurrentTick() const {
    const int64_t since = clock_->Now() - epoch_.load();
    return since > 0 ? since / kTickNs : 0;
}

void CLumAOSM_Forever::SetDue(int64_t tick, int64_t then) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        due_ = tick;
        then_ = then;
        // A later due tick waits for the sleep under way to end; nothing due at all ends it, so
        // a stopped timer leaves no wake-up behind.
        wake = tick < sleepingFor_ || (tick == kNoTick && sleepingFor_ != kNoTick);
    }
    if (wake)
        clock_->Wake();
}

void CLumAOSM_Forever::Align() {
    const int64_t epoch = epoch_.load();
    int64_t shift = FloorMod(kGridPhaseNs - clock_->RealOffset() - epoch, kTickNs);
    if (shift > kTickNs / 2)
        shift -= kTickNs;
    if (shift > kAlignToleranceNs || shift < -kAlignToleranceNs)
        epoch_.store(epoch + shift);
}

int CLumAOSM_Forever::Run() {
    int64_t handedOver = -1;  // the latest tick told to the agent
    while (!stopFlag_.load()) {
        Align();
        int64_t reached = kNoTick;
        int64_t deadline = CLumAOSM_TickClock::kForever;
        {
            std::lock_guard lock(mutex_);
            // Until the agent has counted the tick told, the one after it is next.
            int64_t target = due_ > handedOver ? due_ : then_;
            if (target <= handedOver)
                target = kNoTick;
            if (target != kNoTick) {
                if (clock_->Now() >= TickTime(target))
                    reached = target;
                else
                    deadline = TickTime(target);
            }
            sleepingFor_ = reached == kNoTick ? target : kNoTick;
        }
        if (reached != kNoTick) {
            CLumAOSM_TimerAgent* agent = agent_.load();
            if (agent == nullptr || agent->TickReached(reached) == 0) {
                handedOver = reached;
                continue;
            }
            // A full queue: tell it again on the next tick.
            deadline = TickTime(CurrentTick() + 1);
        }
        clock_->SleepUntil(deadline);
    }
    return 1;
}

int CLumAOSM_Forever::Stop() {
    agent_.store(nullptr);
    stopFlag_.store(true);
    clock_->Wake();
    return 1;
}

// ---- CLumAOSM_TimerAgent

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
