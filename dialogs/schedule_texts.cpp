#include "dialogs/schedule_texts.h"

#include <cstdio>

namespace {

// The average character width of "굴림" 9 at 96 dpi, for which the column widths are given.
constexpr int kDesignBaseX = 6;
constexpr int kDesignColumns[3] = {52, 113, 46};

}  // namespace

QString ScheduleTitle(const CLumDate& day) {
    char text[64];
    std::snprintf(text, sizeof text, "%d년 %2d월 %2d일 일정표", day.nYear, day.nMonth, day.nDay);
    return QString::fromUtf8(text);
}

QString ScheduleTimeText(int hour, int minute, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", hour, minute, second);
    return QString::fromLatin1(text).replace(QLatin1Char(' '), QLatin1Char('0'));
}

QString RepeatKindText(int repeat) {
    switch (repeat) {
        case kRepeatOnce:
            return QStringLiteral("당일");
        case kRepeatDaily:
            return QStringLiteral("매일");
        case kRepeatWeekly:
            return QStringLiteral("매주");
        case kRepeatMonthly:
            return QStringLiteral("매달");
        default:
            return {};
    }
}

QString HourEntry(int hour) {
    return QStringLiteral("%1시").arg(hour, 2, 10, QLatin1Char('0'));
}

QString MinuteEntry(int minute) {
    return QStringLiteral("%1분").arg(minute, 2, 10, QLatin1Char('0'));
}

std::optional<int> ParseClockField(const QString& text, const QString& unit, int max) {
    QString rest = text.trimmed();
    if (rest.endsWith(unit))
        rest = rest.chopped(unit.size()).trimmed();
    if (rest.isEmpty() || rest.size() > 2)
        return std::nullopt;
    int value = 0;
    for (QChar c : rest) {
        // Only ASCII digits: QChar::isDigit would take other scripts' digits too.
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

std::array<int, 3> ScheduleColumnWidths(DialogBaseUnits units) {
    std::array<int, 3> widths{};
    const int base = units.x > 0 ? units.x : kDesignBaseX;
    for (int i = 0; i < 3; ++i)
        widths[i] = (kDesignColumns[i] * base + kDesignBaseX / 2) / kDesignBaseX;
    return widths;
}
