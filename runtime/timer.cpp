#include "runtime/timer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "runtime/timer_agent.h"

namespace {

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
