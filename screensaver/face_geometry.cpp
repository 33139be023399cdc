#include "screensaver/face_geometry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "calendar/civil_time.h"

namespace scr {

Point PointAt(int cx, int cy, int radius, double angle) {
    // The casts truncate toward zero, as the faces always have.
    return {static_cast<int>(cx - radius * std::cos(angle)), static_cast<int>(cy - radius * std::sin(angle))};
}

Point PointAt(Point centre, int radius, double angle) {
    return PointAt(centre.x, centre.y, radius, angle);
}

double HourAngle(int hour, int minute) {
    return (hour % 12) * kHourStep + minute * kHourPerMinute;
}
double MinuteAngle(int minute) {
    return minute * kMinuteStep;
}
double SecondAngle(int second) {
    return second * kMinuteStep;
}
double MarkAngle(int i) {
    return i * kMinuteStep + kTwelve;
}

HandPoints HandAt(Point c, const HandSpec& spec, double b) {
    HandPoints h;
    h.tip = PointAt(c, spec.tip, b + kTwelve);
    const double a = b + kPi;
    h.sideA = {static_cast<int>(c.x - spec.side * std::cos(a)),
               static_cast<int>(c.y - spec.sideAy * std::sin(a))};
    h.tail = PointAt(c, spec.tail, b + 4.71);
    h.sideB = PointAt(c, spec.side, b + 6.28);
    return h;
}

std::array<Point, 2> SecondHandAt(Point c, int tip, int tail, double s) {
    return {PointAt(c, tail, s + 4.71), PointAt(c, tip, s + kTwelve)};
}

namespace {

constexpr const char* kWeekdays1600 = "일 월 화  수  목 금 토";
constexpr const char* kWeekdaysWide = "일    월   화   수   목    금   토";
constexpr const char* kWeekdays800 = "일    월   화   수    목    금   토";
constexpr const char* kWeekdays640 = "일  월  화  수  목  금  토";

const std::array<FullLayout, 6> kLayouts = {{
    {1600,
     1200,
     {550, 20, 30, {350, 35, 90, 35}, {460, 30, 120, 30}, 450, 80, {800, 600}, 15, {680, 300}},
     {{90, 370, 250}, {90, 290, 590}, 210, 400, 490, 490, {80, 420, 930}},
     {20, 30, {1320, 920}, {700, 800}, {500, 700}, {900, 700}, kWeekdays1600}},
    {1280,
     1024,
     {470, 15, 25, {260, 25, 80, 25}, {390, 20, 100, 20}, 380, 50, {640, 512}, 15, {520, 212}},
     {{70, 250, 200}, {70, 170, 500}, 180, 260, 310, 420, {70, 300, 800}},
     {14, 30, {1000, 744}, {530, 630}, {320, 530}, {760, 560}, kWeekdaysWide}},
    {1152,
     864,
     {380, 13, 20, {220, 20, 80, 20}, {340, 20, 80, 20}, 340, 50, {576, 432}, 15, {456, 232}},
     {{60, 250, 150}, {50, 210, 440}, 140, 280, 330, 370, {50, 330, 700}},
     {14, 30, {902, 614}, {476, 532}, {376, 532}, {646, 502}, kWeekdaysWide}},
    {1024,
     768,
     {350, 13, 20, {200, 20, 60, 20}, {310, 20, 60, 20}, 310, 50, {512, 384}, 15, {392, 184}},
     {{60, 230, 140}, {50, 170, 410}, 140, 260, 290, 340, {50, 290, 640}},
     {12, 25, {824, 568}, {412, 484}, {292, 434}, {562, 434}, kWeekdaysWide}},
    {800,
     600,
     {270, 10, 15, {180, 15, 50, 20}, {250, 15, 50, 15}, 250, 50, {400, 300}, 15, {280, 150}},
     {{40, 180, 130}, {50, 150, 310}, 100, 200, 260, 270, {40, 220, 460}},
     {10, 20, {650, 450}, {300, 350}, {200, 330}, {450, 330}, kWeekdays800}},
    {640,
     480,
     {210, 7, 12, {150, 10, 35, 10}, {190, 10, 35, 10}, 190, 40, {320, 240}, 10, {200, 140}},
     {{30, 180, 120}, {40, 130, 250}, 80, 170, 210, 220, {30, 200, 390}},
     {9, 15, {520, 360}, {220, 290}, {220, 270}, {370, 270}, kWeekdays640}},
}};

const char* const kDateFormats[7] = {
    "%d년 %d월 %d일 일요일", "%d년 %d월 %d일 월요일", "%d년 %d월 %d일 화요일", "%d년 %d월 %d일 수요일",
    "%d년 %d월 %d일 목요일", "%d년 %d월 %d일 금요일", "%d년 %d월 %d일 토요일",
};

std::string Format(const char* fmt, int a, int b = 0, int c = 0) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

// "%d" from 10 up, "0%d" below: the two-digit parts of the time text.
std::string TwoDigits(int v, const char* tail) {
    return (v > 9 ? std::to_string(v) : "0" + std::to_string(v)) + tail;
}

}  // namespace

const std::array<FullLayout, 6>& FullLayouts() {
    return kLayouts;
}

const FullLayout* FindFullLayout(int width, int height) {
    for (const auto& l : kLayouts)
        if (l.width == width && l.height == height)
            return &l;
    return nullptr;
}

std::string DateLine(const LocalTime& t) {
    const int wd = (t.weekday % 7 + 7) % 7;
    return Format(kDateFormats[wd], t.year, t.month, t.day);
}

std::string HalfDayText(int hour) {
    return hour < 12 ? "오전" : "오후";
}

std::string TimeText(int hour, int minute, int second, bool mode24) {
    std::string text;
    if (mode24) {
        text = TwoDigits(hour, ":");
    } else if (hour == 12) {
        text = "12:";
    } else {
        text = TwoDigits(hour % 12, ":");
    }
    return text + TwoDigits(minute, ":") + TwoDigits(second, "");
}

std::string CalendarHeader(int year, int month) {
    return Format("%4d년 %2d월", year, month);
}

std::vector<CalendarCell> CalendarCells(int year, int month, int today, Point corner, int step) {
    std::vector<CalendarCell> cells;
    const int w = calendar::DayOfWeek(year, month, 1);
    const int length = calendar::DaysInMonth(year, month);
    int row = corner.y + 2 * step;
    for (int d = 1; d <= length; ++d) {
        const int c = (w + d - 1) % 7;
        if (c == 0)
            row += step;
        DayKind kind = c == 0 ? DayKind::Sunday : c == 6 ? DayKind::Saturday : DayKind::Plain;
        if (d == today)
            kind = DayKind::Today;
        cells.push_back({d, {corner.x + c * step, row}, kind});
    }
    return cells;
}

Point AnalogCalendarCorner(const CalendarLayout& layout, int hour, int minute) {
    const int h = hour % 12;
    const int m = minute;
    if ((h <= 3 || h >= 9) && (m <= 15 || m >= 45))
        return layout.bottom;
    return m <= 30 ? layout.left : layout.right;
}

Point SmallOrigin(unsigned r1, unsigned r2, int width, int height) {
    auto pick = [](unsigned r, int extent) {
        const int span = extent - 200;
        if (span == 0)
            return 0;
        // The remainder of a non-negative number keeps its sign, so this is already the
        // absolute value that a window under 200 pixels needs.
        return static_cast<int>(r % static_cast<unsigned>(std::abs(span)));
    };
    return {pick(r1, width), pick(r2, height)};
}

}  // namespace scr
