#include "timeservices/sche_mgr.h"

#include "encoding/cp949.h"
#include "treestore/schedule_schema.h"

namespace {

// The line heads of the eight leads, in flag order.
constexpr const char* kLeadLabels[8] = {"[지금]",   "[1분후]",  "[5분후]",  "[10분후]",
                                        "[15분후]", "[30분후]", "[45분후]", "[1시간후]"};

}  // namespace

void PutAlarmTexts(CLumAOSM_Message& message, const std::string& text) {
    message.SetParam(0, text.data(), static_cast<int32_t>(text.size()), false);
    message.SetParam(1, text.data(), static_cast<int32_t>(text.size()), false);
}

bool GetAlarmTexts(const CLumAOSM_Message& message, CTiko_AlarmTexts* texts) {
    std::string got[2];
    for (int i = 0; i < 2; ++i) {
        void* data = nullptr;
        int32_t length = 0;
        bool borrowed = false;
        if (!message.GetParam(i, &data, &length, &borrowed) || data == nullptr || borrowed || length <= 0)
            return false;
        got[i].assign(static_cast<const char*>(data), static_cast<size_t>(length));
    }
    texts->first = std::move(got[0]);
    texts->second = std::move(got[1]);
    return true;
}

bool CollectAlarms(const Class_TIKOSCHEDULE_TOP* book, const platform::Clock& clock, int64_t minute,
                   std::string& text) {
    if (book == nullptr)
        return false;
    const calendar::CivilTime day = clock.ToLocal(minute);
    bool any = false;
    book->ForEachItem([&](const Class_TIKOSCHEDULE& item) {
        any = true;
        const calendar::CivilTime when = clock.ToLocal(item.tWhen.load());
        calendar::CivilTime candidate = day;
        candidate.hour = when.hour;
        candidate.minute = when.minute;
        candidate.second = 0;
        candidate.millisecond = 0;
        const int64_t due = clock.FromLocal(candidate);
        for (int lead = 0; lead < 8; ++lead) {
            if (!item.AlarmFlag(lead).load())
                continue;
            if (minute + int64_t{Class_TIKOSCHEDULE::kAlarmLeadMinutes[lead]} * 60 != due)
                continue;
            text += kLeadLabels[lead];
            text += encoding::Cp949ToUtf8Lossy(item.strMemo.Get());
            text += "\r\n";
            break;
        }
    });
    return any;
}

CTiko_ScheMgr::CTiko_ScheMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CTiko_Manager(mediator, services, "Tiko_ScheMgr") {}

CTiko_ScheMgr::~CTiko_ScheMgr() {
    StopAndWait();
}

CLumAOSM_Message CTiko_ScheMgr::Initial(CLumAOSM_Message&) {
    SubscribeTo({AO_ALARM_ON_SIG, AO_ALARM_OFF_SIG});
    const Class_TIKOCONF_ALARM* alarm = Setting(&Class_TIKOCONF_TOP::Alarm);
    if (alarm != nullptr && alarm->bAlarm.load() == 1)
        InitialTransition(this, &CTiko_ScheMgr::Watching);
    else
        InitialTransition(this, &CTiko_ScheMgr::Idle);
    return Handled();
}

CLumAOSM_Message CTiko_ScheMgr::Idle(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
        case AO_EXIT_SIG:
            Report(message);
            return Handled();
        case AO_ALARM_ON_SIG:
            Transition(this, &CTiko_ScheMgr::Watching);
            return Handled();
        case AO_TIMEOUT_SIG:  // the clock was set: nothing waits on it here
            return Handled();
        default:
            return DefaultHandler(message);
    }
}

CLumAOSM_Message CTiko_ScheMgr::Watching(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
            // The minute in which watching begins is never examined.
            currentMinute_ = MinuteOf(NowSeconds());
            ArmMinuteCheck();
            Report(message);
            return Handled();
        case AO_EXIT_SIG:
            Disarm();
            Report(message);
            return Handled();
        case AO_TIMEOUT_SIG:
            ClockWasSet(message);
            MinuteCheck();
            ArmMinuteCheck();
            return Handled();
        case AO_ALARM_OFF_SIG:
            Transition(this, &CTiko_ScheMgr::Idle);
            return Handled();
        default:
            return DefaultHandler(message);
    }
}

int64_t CTiko_ScheMgr::MinuteOf(int64_t seconds) const {
    calendar::CivilTime local = services_.clock->ToLocal(seconds);
    local.second = 0;
    local.millisecond = 0;
    return services_.clock->FromLocal(local);
}

void CTiko_ScheMgr::ArmMinuteCheck() {
    // The next local minute; an alarm sound may have taken part of this one.
    ArmCheck(MinuteOf(NowSeconds()) + 60, kMinuteMs + kPastSecondMs, kCheckMs);
}

void CTiko_ScheMgr::MinuteCheck() {
    const int64_t now = MinuteOf(NowSeconds());
    constexpr int64_t kWindow = kCatchUpMinutes * 60;
    int64_t first = currentMinute_ + 60;
    if (now <= currentMinute_) {
        // A step back within the window: those minutes were examined already.
        if (now == currentMinute_ || currentMinute_ - now <= kWindow)
            return;
        first = now;
    } else if (now - currentMinute_ > kWindow) {
        first = now;
    }
    currentMinute_ = now;
    // The minutes a jump passed come together: one text, one sound.
    std::string text;
    for (int64_t minute = first; minute <= now; minute += 60)
        CollectAlarms(services_.schedule, *services_.clock, minute, text);
    if (text.empty())
        return;
    CLumAOSM_Message notify(AO_ALARM_NOTIFY_SIG);
    PutAlarmTexts(notify, text);
    Publish(notify);
    const Class_TIKOCONF_ALARM* alarm = Setting(&Class_TIKOCONF_TOP::Alarm);
    if (alarm != nullptr && alarm->bAlarm.load() == 1)
        SoundAlarm();
}

void CTiko_ScheMgr::SoundAlarm() {
    const Class_TIKOCONF_ALARM* alarm = Setting(&Class_TIKOCONF_TOP::Alarm);
    // The path is copied out under the text's own lock; nothing is held while the sound plays.
    std::string path = SoundPath(services_, kBuiltinSoundFile);
    if (alarm->bBuiltinSound.load() != 1) {
        // The store keeps the path in cp949; the file system names files in UTF-8.
        const std::string stored = alarm->strSoundFile.Get();
        path = encoding::Cp949ToUtf8(stored).value_or(stored);
    }
    PlayOrBeep(path);
}
