#include "timeservices/sche_mgr.h"

#include "platform/cp949.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

constexpr char kName[] = "Tiko_ScheMgr";

// The line heads of the eight leads, in flag order.
constexpr const char* kLeadLabels[8] = {"[지금]", "[1분후]", "[5분후]", "[10분후]",
                                        "[15분후]", "[30분후]", "[45분후]", "[1시간후]"};

}  // namespace

bool CollectAlarms(const Class_TIKOSCHEDULE_TOP* book, const platform::Clock& clock, int64_t minute,
                   std::string& text)
{
    if (book == nullptr)
        return false;
    const platform::CivilTime day = clock.ToLocal(minute);
    bool any = false;
    book->ForEachItem([&](const Class_TIKOSCHEDULE& item) {
        any = true;
        const platform::CivilTime when = clock.ToLocal(item.tWhen.load());
        platform::CivilTime candidate = day;
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
            text += platform::Cp949ToUtf8Lossy(item.strMemo.Get());
            text += "\r\n";
            break;
        }
    });
    return any;
}

CTiko_ScheMgr::CTiko_ScheMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CLumAOSM_ActiveObject(mediator), services_(services)
{
    SetName(kName);
}

CTiko_ScheMgr::~CTiko_ScheMgr()
{
    StopAndWait();
}

CLumAOSM_Message CTiko_ScheMgr::Initial(CLumAOSM_Message&)
{
    if (CLumAOSM_Mediator* mediator = Mediator()) {
        mediator->Subscribe(this, AO_ALARM_ON_SIG);
        mediator->Subscribe(this, AO_ALARM_OFF_SIG);
    }
    const Class_TIKOCONF_ALARM* alarm = services_.conf != nullptr ? services_.conf->Alarm() : nullptr;
    if (alarm != nullptr && alarm->bAlarm.load() == 1)
        InitialTransition(this, &CTiko_ScheMgr::Watching);
    else
        InitialTransition(this, &CTiko_ScheMgr::Idle);
    return Handled();
}

CLumAOSM_Message CTiko_ScheMgr::Idle(CLumAOSM_Message& message)
{
    switch (message.GetSignal()) {
    case AO_ENTRY_SIG:
    case AO_EXIT_SIG:
        ReportState(services_, kName, message.GetSignal());
        return Handled();
    case AO_ALARM_ON_SIG:
        Transition(this, &CTiko_ScheMgr::Watching);
        return Handled();
    default:
        return DefaultHandler(message);
    }
}

CLumAOSM_Message CTiko_ScheMgr::Watching(CLumAOSM_Message& message)
{
    switch (message.GetSignal()) {
    case AO_ENTRY_SIG:
        ReportState(services_, kName, AO_ENTRY_SIG);
        // The minute in which watching begins is never examined.
        currentMinute_ = MinuteOf(services_.clock->NowUtc().seconds);
        timer_.StartTimer(this, 0, kCheckMs, 0, kName);
        return Handled();
    case AO_EXIT_SIG:
        ReportState(services_, kName, AO_EXIT_SIG);
        timer_.StopTimer(this, 0, kName);
        return Handled();
    case AO_TIMEOUT_SIG:
        MinuteCheck();
        timer_.StartTimer(this, 0, kCheckMs, 0, kName);
        return Handled();
    case AO_ALARM_OFF_SIG:
        Transition(this, &CTiko_ScheMgr::Idle);
        return Handled();
    default:
        return DefaultHandler(message);
    }
}

int64_t CTiko_ScheMgr::MinuteOf(int64_t seconds) const
{
    platform::CivilTime local = services_.clock->ToLocal(seconds);
    local.second = 0;
    local.millisecond = 0;
    return services_.clock->FromLocal(local);
}

void CTiko_ScheMgr::MinuteCheck()
{
    const int64_t now = services_.clock->NowUtc().seconds;
    if (services_.clock->ToLocal(now).minute == services_.clock->ToLocal(currentMinute_).minute)
        return;
    currentMinute_ = MinuteOf(now);
    std::string text;
    CollectAlarms(services_.schedule, *services_.clock, currentMinute_, text);
    if (text.empty())
        return;
    if (CLumAOSM_Mediator* mediator = Mediator()) {
        auto* texts = new CTiko_AlarmTexts{text, text};
        CLumAOSM_Message notify(AO_ALARM_NOTIFY_SIG);
        notify.SetParam(0, texts, static_cast<int32_t>(sizeof *texts), true);
        mediator->Publish(notify);
    }
    const Class_TIKOCONF_ALARM* alarm = services_.conf != nullptr ? services_.conf->Alarm() : nullptr;
    if (alarm != nullptr && alarm->bAlarm.load() == 1)
        SoundAlarm();
}

void CTiko_ScheMgr::SoundAlarm()
{
    if (services_.sound == nullptr)
        return;
    const Class_TIKOCONF_ALARM* alarm = services_.conf->Alarm();
    // The path is copied out under the text's own lock; nothing is held while the sound plays.
    std::string path = SoundPath(services_, kBuiltinSoundFile);
    if (alarm->bBuiltinSound.load() != 1) {
        // The store keeps the path in cp949; the file system names files in UTF-8.
        const std::string stored = alarm->strSoundFile.Get();
        path = platform::Cp949ToUtf8(stored).value_or(stored);
    }
    if (!services_.sound->PlayWav(path))
        services_.sound->Beep(kBeepHz, kBeepMs);
}
