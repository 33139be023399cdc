#pragma once
// Time-to-text maths of the clock windows and the message line's flash; no painting here.

#include <QColor>
#include <QString>
#include <cstdint>

#include "calendar/civil_time.h"

// A COLORREF (0x00BBGGRR) as a colour.
QColor ColorFromRef(int32_t colorRef);

// "일" .. "토" for weekday numbers 0 (Sunday) to 6; anything else gives an empty name.
QString WeekdayName(int dayOfWeek);

// 0 and 12 read 12, 13 reads 1.
int Hour12(int hour);

// The main clock face: "%H:%M:%S" or "%I:%M:%S" with "AM"/"PM", and "%04d년 %02d월 %02d일 %s요일".
struct ClockFaceTexts {
    QString time;
    QString marker;  // empty in 24-hour mode
    QString date;
};
// koreanSecond is UTC seconds + 32,400, broken down as UTC so that no time zone enters.
ClockFaceTexts MainClockTexts(int64_t koreanSecond, bool hour24);

// The clock-only window's second line.
struct SlimTexts {
    QString date;    // "%04d/%02d/%02d %s요일" (24-hour) or "%04d/%02d/%02d %s" (12-hour)
    QString marker;  // "오전"/"오후" in 12-hour mode, else empty
    QString time;
};
SlimTexts SlimClockTexts(const calendar::CivilTime& t, bool hour24);

// One tick of the message line's flash after a synchronisation. From a counter above 10 the
// flash stops (counter back to 0, the message stays); otherwise the counter steps on and the
// message shows on odd steps and is blank on even ones.
struct FlashStep {
    int counter = 0;
    bool stop = false;
    bool showMessage = true;
};
FlashStep NextFlashStep(int counter);

// A region's name as people read it: the world table joins words with "_" ("워싱턴_D.C."),
// shown and spoken with spaces. The table's own names stay as they are.
QString RegionDisplayName(const QString& tableName);
