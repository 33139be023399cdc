#pragma once
// Texts and layout of the schedule dialog: pure functions, tested apart from the widgets.

#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

#include "treestore/schedule_schema.h"
#include "windowkit/window_layout.h"

// "%d년 %2d월 %2d일 일정표"
QString ScheduleTitle(const CLumDate& day);
// "%2d:%2d:%2d" with every blank replaced by "0" (09:05:00).
QString ScheduleTimeText(int hour, int minute, int second);
// "당일", "매일", "매주", "매달"; empty for any other kind.
QString RepeatKindText(int repeat);
// The combo entries "07시" and "07분".
QString HourEntry(int hour);
QString MinuteEntry(int minute);

// What a person typed into the hour (unit "시", 0-23) or minute (unit "분", 0-59) combo: one or
// two digits, optionally followed by the unit, blanks around allowed ("7", "07", "07시",
// " 7 시"). Nothing for text that names no value in range.
std::optional<int> ParseClockField(const QString& text, const QString& unit, int max);

// Dialog resource 131 in dialog units ("굴림" 9).
namespace schedule_dialog {
inline constexpr QSize kSize{340, 218};
inline constexpr QRect kCalendar{7, 7, 150, 112};  // 1025
inline constexpr QRect kTimeGroup{7, 123, 150, 30};
inline constexpr QRect kHour{15, 135, 64, 12};      // 1029
inline constexpr QRect kMinute{86, 135, 64, 12};    // 1030
inline constexpr QRect kAdd{7, 159, 48, 15};        // 1031
inline constexpr QRect kChange{58, 159, 48, 15};    // 1043
inline constexpr QRect kDelete{109, 159, 48, 15};   // 1037
inline constexpr QRect kDeleteAll{7, 196, 60, 15};  // 1071
inline constexpr QRect kTitle{165, 7, 168, 10};     // 1040
inline constexpr QRect kList{165, 19, 168, 100};    // 1036
inline constexpr QRect kMemoLabel{165, 124, 60, 9};
inline constexpr QRect kMemo{165, 134, 168, 13};  // 1034
inline constexpr QRect kAlarmGroup{165, 150, 168, 42};
// 1057-1060, then 1061-1064 and 1068, 1065-1067: four to a row.
inline constexpr int kAlarmColumns[4] = {172, 212, 252, 292};
inline constexpr int kAlarmColumnWidth = 40;
inline constexpr int kRepeatRow = 160;
inline constexpr int kAlarmRows[2] = {170, 180};
inline constexpr int kAlarmRowHeight = 10;
inline constexpr QRect kClose{283, 196, 50, 15};  // 1038
}  // namespace schedule_dialog

// Widths of the list's three columns ("일시", "일정메모", "알람": 52, 113 and 46 pixels with the
// dialog font at 96 dpi), grown with the font's average character width.
std::array<int, 3> ScheduleColumnWidths(DialogBaseUnits units);
