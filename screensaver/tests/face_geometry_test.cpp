#include "screensaver/face_geometry.h"

#include <gtest/gtest.h>

namespace scr {
namespace {

TEST(HandGeometry, HourHandAtThreeOClockTruncatesTowardZero) {
    const FullLayout& l = *FindFullLayout(1600, 1200);
    const HandPoints h = HandAt(l.analog.centre, l.analog.hour, HourAngle(3, 0));
    EXPECT_EQ(h.tip, (Point{1149, 599}));
    EXPECT_EQ(h.sideA, (Point{800, 634}));
    EXPECT_EQ(h.tail, (Point{710, 600}));
    EXPECT_EQ(h.sideB, (Point{799, 565}));
}

TEST(HandGeometry, TenPastTenOnTheLargeFace) {
    const FullLayout& l = *FindFullLayout(1600, 1200);
    const HandPoints h = HandAt(l.analog.centre, l.analog.hour, HourAngle(22, 10));
    EXPECT_EQ(h.tip, (Point{512, 400}));
    EXPECT_EQ(h.sideA, (Point{819, 571}));
    EXPECT_EQ(h.tail, (Point{873, 651}));
    EXPECT_EQ(h.sideB, (Point{780, 628}));
    const HandPoints m = HandAt(l.analog.centre, l.analog.minute, MinuteAngle(10));
    EXPECT_EQ(m.tip, (Point{1198, 369}));
    EXPECT_EQ(m.sideA, (Point{815, 625}));
    EXPECT_EQ(m.tail, (Point{696, 660}));
    EXPECT_EQ(m.sideB, (Point{784, 574}));
}

TEST(HandGeometry, SideAOfThe800HourHandUsesItsOwnVerticalRadius) {
    const FullLayout& l = *FindFullLayout(800, 600);
    const HandPoints h = HandAt(l.analog.centre, l.analog.hour, HourAngle(6, 30));
    EXPECT_EQ(h.tip, (Point{353, 473}));
    EXPECT_EQ(h.sideA, (Point{385, 294}));
    EXPECT_EQ(h.tail, (Point{412, 251}));
    EXPECT_EQ(h.sideB, (Point{414, 303}));
}

TEST(HandGeometry, SecondHandAndDialMarks) {
    const auto line = SecondHandAt({800, 600}, 450, 80, SecondAngle(45));
    EXPECT_EQ(line[0], (Point{879, 599}));
    EXPECT_EQ(line[1], (Point{350, 601}));
    EXPECT_EQ(PointAt(800, 600, 550, MarkAngle(0)), (Point{799, 50}));
    EXPECT_EQ(PointAt(800, 600, 550, MarkAngle(30)), (Point{801, 1149}));
    EXPECT_EQ(PointAt(320, 240, 210, MarkAngle(15)), (Point{529, 239}));
}

TEST(Calendar, MonthStartingOnSundayLeavesTheFirstRowEmpty) {
    // September 2024 begins on a Sunday.
    const auto cells = CalendarCells(2024, 9, 30, {100, 200}, 30);
    ASSERT_EQ(cells.size(), 30u);
    EXPECT_EQ(cells[0].at, (Point{100, 200 + 3 * 30}));
    EXPECT_EQ(cells[0].kind, DayKind::Sunday);
    EXPECT_EQ(cells[6].at, (Point{100 + 6 * 30, 290}));
    EXPECT_EQ(cells[6].kind, DayKind::Saturday);
    EXPECT_EQ(cells[7].at, (Point{100, 320}));
    EXPECT_EQ(cells[29].kind, DayKind::Today);
}

TEST(Calendar, MonthStartingMidweekFillsTheFirstRowFromItsColumn) {
    // February 2000 begins on a Tuesday; the 6th is the first Sunday.
    const auto cells = CalendarCells(2000, 2, 3, {0, 0}, 20);
    ASSERT_EQ(cells.size(), 29u);
    EXPECT_EQ(cells[0].at, (Point{40, 40}));
    EXPECT_EQ(cells[2].kind, DayKind::Today);
    EXPECT_EQ(cells[4].kind, DayKind::Saturday);
    EXPECT_EQ(cells[5].at, (Point{0, 60}));
    EXPECT_EQ(cells[28].at, (Point{40, 120}));
}

TEST(Calendar, AnalogCornerAvoidsTheHands) {
    const CalendarLayout& c = FindFullLayout(1600, 1200)->calendar;
    EXPECT_EQ(AnalogCalendarCorner(c, 0, 0), c.bottom);
    EXPECT_EQ(AnalogCalendarCorner(c, 21, 50), c.bottom);
    EXPECT_EQ(AnalogCalendarCorner(c, 15, 15), c.bottom);
    EXPECT_EQ(AnalogCalendarCorner(c, 15, 16), c.left);
    EXPECT_EQ(AnalogCalendarCorner(c, 6, 0), c.left);
    EXPECT_EQ(AnalogCalendarCorner(c, 6, 30), c.left);
    EXPECT_EQ(AnalogCalendarCorner(c, 6, 31), c.right);
    EXPECT_EQ(AnalogCalendarCorner(c, 2, 40), c.right);
}

TEST(Texts, TwelveAndTwentyFourHourTimes) {
    EXPECT_EQ(TimeText(0, 30, 5, false), "00:30:05");
    EXPECT_EQ(HalfDayText(0), "오전");
    EXPECT_EQ(TimeText(12, 0, 0, false), "12:00:00");
    EXPECT_EQ(HalfDayText(12), "오후");
    EXPECT_EQ(TimeText(23, 59, 59, false), "11:59:59");
    EXPECT_EQ(TimeText(22, 5, 10, false), "10:05:10");
    EXPECT_EQ(TimeText(0, 30, 5, true), "00:30:05");
    EXPECT_EQ(TimeText(23, 9, 9, true), "23:09:09");
    EXPECT_EQ(HalfDayText(11), "오전");
}

TEST(Texts, DateLineAndCalendarHeader) {
    EXPECT_EQ(DateLine({2000, 2, 29, 0, 0, 0, 2}), "2000년 2월 29일 화요일");
    EXPECT_EQ(DateLine({2026, 12, 6, 0, 0, 0, 0}), "2026년 12월 6일 일요일");
    EXPECT_EQ(CalendarHeader(2026, 3), "2026년  3월");
}

TEST(FaceChoice, OnlyTheSixKnownSizesGetFullScreenLayouts) {
    for (auto [w, h] :
         {std::pair{640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}, {1600, 1200}}) {
        const FullLayout* l = FindFullLayout(w, h);
        ASSERT_NE(l, nullptr) << w << "x" << h;
        EXPECT_EQ(l->width, w);
    }
    EXPECT_EQ(FindFullLayout(1366, 768), nullptr);
    EXPECT_EQ(FindFullLayout(1920, 1080), nullptr);
    EXPECT_EQ(FindFullLayout(480, 640), nullptr);
}

TEST(SmallOrigin, StaysInsideLargeWindowsAndHandlesSmallOnes) {
    EXPECT_EQ(SmallOrigin(1000, 1000, 1366, 768), (Point{1000 % 1166, 1000 % 568}));
    // Exactly 200 pixels would divide by zero: it uses 0.
    EXPECT_EQ(SmallOrigin(12345, 777, 200, 200), (Point{0, 0}));
    // Smaller than 200: the absolute value of the remainder.
    EXPECT_EQ(SmallOrigin(77, 35, 150, 180), (Point{77 % 50, 35 % 20}));
    EXPECT_EQ(SmallOrigin(4000000000u, 7, 0, 0), (Point{static_cast<int>(4000000000u % 200), 7}));
}

}  // namespace
}  // namespace scr
