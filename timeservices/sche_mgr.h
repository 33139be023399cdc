#pragma once

#include <cstdint>
#include <string>

#include "timeservices/manager_base.h"

// The pair of texts of AO_ALARM_NOTIFY_SIG, both holding the alarm text (UTF-8). The message
// carries them as owned copies in parameters 0 and 1, so every receiver gets a pair of its own
// and a publication that nobody receives leaves nothing behind.
struct CTiko_AlarmTexts {
    std::string first;
    std::string second;
};

void PutAlarmTexts(CLumAOSM_Message& message, const std::string& text);
// False when the message does not carry the two texts.
bool GetAlarmTexts(const CLumAOSM_Message& message, CTiko_AlarmTexts* texts);

// Appends to `text` the lines of the items due at `minute` (a local minute start, seconds since
// 1970): each item's time of day on the date of `minute`, against its leads in flag order, at
// most one line per item. False only when the book is missing or empty.
bool CollectAlarms(const Class_TIKOSCHEDULE_TOP* book, const platform::Clock& clock, int64_t minute,
                   std::string& text);

// Watches the schedule book: in the watching state, once per new minute, publishes the alarm
// lines of the minute (signal 51) and sounds the alarm while bAlarm is 1. On a watched clock it
// looks just after each minute begins, else twice a second. Every whole minute after the last
// one examined is examined, so a minute that a jump of the clock passed (a resume, a setting
// nobody announced) is raised once, late, when the jump was at most kCatchUpMinutes; after a
// longer jump only the minute now is. A minute is never examined twice, even when the clock
// steps back a little.
class CTiko_ScheMgr : public CTiko_Manager {
public:
    static constexpr int32_t kCheckMs = 500;
    static constexpr int64_t kMinuteMs = 60'000;
    static constexpr char kBuiltinSoundFile[] = "emile.wav";
    // Later than this an alarm has lost its point, and a night's suspend must not pour out
    // every alarm of the night at once.
    static constexpr int64_t kCatchUpMinutes = 5;

    CTiko_ScheMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services);
    ~CTiko_ScheMgr() override;

    CLumAOSM_Message Initial(CLumAOSM_Message& message) override;

private:
    CLumAOSM_Message Idle(CLumAOSM_Message& message);
    CLumAOSM_Message Watching(CLumAOSM_Message& message);

    void MinuteCheck();
    void ArmMinuteCheck();
    void SoundAlarm();
    // The start of the local minute that `seconds` lies in.
    int64_t MinuteOf(int64_t seconds) const;

    // The latest minute examined (or the one watching began in), UTC seconds.
    int64_t currentMinute_ = 0;
};
