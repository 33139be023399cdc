#pragma once
// Pure layout maths of the clock faces and the calendar: no painting, no Qt.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace scr {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Broken-down local time as the faces use it. month is 1-12, weekday 0 (Sunday)-6.
struct LocalTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 6;
};

// Colours as 0xRRGGBB.
namespace colour {
constexpr std::uint32_t kBackground = 0x000000;
constexpr std::uint32_t kDate = 0xCCCCFF;
constexpr std::uint32_t kTime = 0xFFFF33;
constexpr std::uint32_t kCaption = 0x6533FF;
constexpr std::uint32_t kMarkOuter = 0x7BFF9C;
constexpr std::uint32_t kMarkInner = 0x397B4A;
constexpr std::uint32_t kHandFirst = 0x003900;
constexpr std::uint32_t kHandSecond = 0x007B00;
constexpr std::uint32_t kOutline = 0xFFFFFF;
constexpr std::uint32_t kPin = 0x000000;
constexpr std::uint32_t kCentreDot = 0x00FF00;
constexpr std::uint32_t kSunday = 0xFF0000;
constexpr std::uint32_t kSaturday = 0x4CA0F6;
constexpr std::uint32_t kWeekday = 0xFFFFFF;
constexpr std::uint32_t kToday = 0xFFFF33;
}  // namespace colour

constexpr double kPi = 3.14;
constexpr double kTwelve = 1.57;
constexpr double kHourStep = 0.5233333333333333;
constexpr double kHourPerMinute = 0.008722222222222221;
constexpr double kMinuteStep = 0.10466666666666667;

// (cx - r cos a, cy - r sin a), each coordinate truncated toward zero.
Point PointAt(int cx, int cy, int radius, double angle);
Point PointAt(Point centre, int radius, double angle);

double HourAngle(int hour, int minute);
double MinuteAngle(int minute);
double SecondAngle(int second);

// Radii of a hand. sideAy is the vertical radius of side A, which differs from side on one
// layout.
struct HandSpec {
    int tip = 0;
    int side = 0;
    int tail = 0;
    int sideAy = 0;
};

struct HandPoints {
    Point tip, sideA, tail, sideB;
};

HandPoints HandAt(Point centre, const HandSpec& spec, double base);
// The second hand runs from its tail (first) to its tip (second).
std::array<Point, 2> SecondHandAt(Point centre, int tip, int tail, double s);

struct TextPos {
    int height = 0;
    int x = 0;
    int y = 0;
};

struct AnalogLayout {
    int dial = 0;
    int markSmall = 0;
    int markLarge = 0;
    HandSpec hour, minute;
    int secondTip = 0;
    int secondTail = 0;
    Point centre;
    int pin = 0;
    Point banner;
};

struct DigitalLayout {
    TextPos date, halfDay;
    int timeHeight = 0;
    int timeX24 = 0;
    int timeX12 = 0;
    int timeY = 0;
    TextPos caption;
};

struct CalendarLayout {
    int fontHeight = 0;
    int step = 0;
    Point digital, bottom, left, right;
    const char* weekdays = "";
};

struct FullLayout {
    int width = 0;
    int height = 0;
    AnalogLayout analog;
    DigitalLayout digital;
    CalendarLayout calendar;
};

// The full-screen layout for exactly this canvas size, or null: then the small faces are used.
const FullLayout* FindFullLayout(int width, int height);
const std::array<FullLayout, 6>& FullLayouts();

constexpr int kMarkInset = 3;
constexpr int kMarkCount = 61;
double MarkAngle(int i);

// Texts in UTF-8.
std::string DateLine(const LocalTime& t);
std::string HalfDayText(int hour);
std::string TimeText(int hour, int minute, int second, bool mode24);
std::string CalendarHeader(int year, int month);
inline constexpr const char* kCaption = "Horologia";

enum class DayKind { Sunday, Saturday, Plain, Today };
struct CalendarCell {
    int day = 0;
    Point at;
    DayKind kind = DayKind::Plain;
};
// Day numbers of the month placed from the calendar's corner (x, y).
std::vector<CalendarCell> CalendarCells(int year, int month, int today, Point corner, int step);
Point AnalogCalendarCorner(const CalendarLayout& layout, int hour, int minute);

// Top-left of the small faces from two non-negative random numbers. Sizes of exactly 200 use 0.
Point SmallOrigin(unsigned r1, unsigned r2, int width, int height);

// Small faces' fixed geometry, relative to the random origin.
namespace small {
constexpr int kDateHeight = 18;
constexpr Point kDialCentre{120, 125};
constexpr int kDialRadius = 80;
constexpr Point kHandCentre{113, 118};
constexpr HandSpec kHour{50, 6, 10, 6};
constexpr HandSpec kMinute{60, 5, 20, 5};
constexpr int kSecondTip = 65;
constexpr int kSecondTail = 20;
constexpr int kPin = 5;
constexpr Point kAnalogBanner{-5, 205};
constexpr int kTimeHeight = 30;
constexpr Point kHalfDay{5, 30};
constexpr Point kTime24{45, 30};
constexpr Point kTime12{75, 30};
constexpr Point kDigitalBanner{-5, 64};
}  // namespace small

}  // namespace scr
