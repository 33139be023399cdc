#include "runtime/tick_thread.h"

#include <algorithm>

#include "runtime/timer_agent.h"

// ---- CLumAOSM_Forever

namespace {

int64_t FloorMod(int64_t value, int64_t modulus) {
    const int64_t r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// Within this the grid counts as on its phase; a set clock moves it by more.
constexpr int64_t kAlignToleranceNs = 1'000'000;

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
