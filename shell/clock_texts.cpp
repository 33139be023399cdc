#include "shell/clock_texts.h"

QColor ColorFromRef(int32_t colorRef) {
    const auto v = static_cast<uint32_t>(colorRef);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

QString WeekdayName(int dayOfWeek) {
    static const char* const kNames[7] = {"일", "월", "화", "수", "목", "금", "토"};
    if (dayOfWeek < 0 || dayOfWeek > 6)
        return {};
    return QString::fromUtf8(kNames[dayOfWeek]);
}

int Hour12(int hour) {
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

namespace {

QString Two(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

QString TimeText(const platform::CivilTime& t, bool hour24) {
    const int hour = hour24 ? t.hour : Hour12(t.hour);
    return Two(hour) + u':' + Two(t.minute) + u':' + Two(t.second);
}

QString Year(int year) {
    return QString::number(year).rightJustified(4, u'0');
}

}  // namespace

ClockFaceTexts MainClockTexts(int64_t koreanSecond, bool hour24) {
    const platform::CivilTime t = platform::CivilFromUnix(koreanSecond);
    ClockFaceTexts texts;
    texts.time = TimeText(t, hour24);
    if (!hour24)
        texts.marker = t.hour >= 12 ? QStringLiteral("PM") : QStringLiteral("AM");
    texts.date = QString::fromUtf8("%1년 %2월 %3일 %4요일")
                     .arg(Year(t.year), Two(t.month), Two(t.day), WeekdayName(t.dayOfWeek));
    return texts;
}

SlimTexts SlimClockTexts(const platform::CivilTime& t, bool hour24) {
    SlimTexts texts;
    texts.time = TimeText(t, hour24);
    texts.date = Year(t.year) + u'/' + Two(t.month) + u'/' + Two(t.day) + u' ' + WeekdayName(t.dayOfWeek);
    if (hour24)
        texts.date += QString::fromUtf8("요일");
    else
        texts.marker = QString::fromUtf8(t.hour >= 12 ? "오후" : "오전");
    return texts;
}

FlashStep NextFlashStep(int counter) {
    if (counter > 10)
        return {0, true, true};
    const int next = counter + 1;
    return {next, false, next % 2 == 1};
}
