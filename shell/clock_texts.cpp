#include "shell/clock_texts.h"

QColor ColorFromRef(int32_t colorRef) {
    const auto v = static_cast<uint32_t>(colorRef);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

QString WeekdayName(int dayOfWeek) {
    // Made once: the clocks ask for a name every second.
    static const QString kNames[7] = {QStringLiteral("일"), QStringLiteral("월"), QStringLiteral("화"),
                                      QStringLiteral("수"), QStringLiteral("목"), QStringLiteral("금"),
                                      QStringLiteral("토")};
    if (dayOfWeek < 0 || dayOfWeek > 6)
        return {};
    return kNames[dayOfWeek];
}

int Hour12(int hour) {
    const int h = hour % 12;
    return h == 0 ? 12 : h;
}

namespace {

// At least `width` digits, zeros in front; written in place, as the clocks ask every second.
void AppendPadded(QString& s, int v, int width) {
    if (v < 0) {
        s += QString::number(v).rightJustified(width, u'0');
        return;
    }
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (int i = n; i < width; ++i)
        s += u'0';
    while (n > 0)
        s += QChar(digits[--n]);
}

QString TimeText(const calendar::CivilTime& t, bool hour24) {
    QString s;
    s.reserve(8);
    AppendPadded(s, hour24 ? t.hour : Hour12(t.hour), 2);
    s += u':';
    AppendPadded(s, t.minute, 2);
    s += u':';
    AppendPadded(s, t.second, 2);
    return s;
}

}  // namespace

ClockFaceTexts MainClockTexts(int64_t koreanSecond, bool hour24) {
    const calendar::CivilTime t = calendar::CivilFromUnix(koreanSecond);
    ClockFaceTexts texts;
    texts.time = TimeText(t, hour24);
    if (!hour24)
        texts.marker = t.hour >= 12 ? QStringLiteral("PM") : QStringLiteral("AM");
    QString& date = texts.date;  // "%04d년 %02d월 %02d일 %s요일"
    date.reserve(18);
    AppendPadded(date, t.year, 4);
    date += QStringLiteral("년 ");
    AppendPadded(date, t.month, 2);
    date += QStringLiteral("월 ");
    AppendPadded(date, t.day, 2);
    date += QStringLiteral("일 ");
    date += WeekdayName(t.dayOfWeek);
    date += QStringLiteral("요일");
    return texts;
}

SlimTexts SlimClockTexts(const calendar::CivilTime& t, bool hour24) {
    SlimTexts texts;
    texts.time = TimeText(t, hour24);
    QString& date = texts.date;
    date.reserve(16);
    AppendPadded(date, t.year, 4);
    date += u'/';
    AppendPadded(date, t.month, 2);
    date += u'/';
    AppendPadded(date, t.day, 2);
    date += u' ';
    date += WeekdayName(t.dayOfWeek);
    if (hour24)
        date += QStringLiteral("요일");
    else
        texts.marker = t.hour >= 12 ? QStringLiteral("오후") : QStringLiteral("오전");
    return texts;
}

FlashStep NextFlashStep(int counter) {
    if (counter > 10)
        return {0, true, true};
    const int next = counter + 1;
    return {next, false, next % 2 == 1};
}

QString RegionDisplayName(const QString& tableName) {
    return QString(tableName).replace(u'_', u' ');
}
