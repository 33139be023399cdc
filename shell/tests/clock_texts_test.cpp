#include <gtest/gtest.h>

#include "calendar/civil_time.h"
#include "shell/clock_texts.h"
#include "windowkit/window_layout.h"

namespace {

int64_t KoreanSecondOf(int year, int month, int day, int hour, int minute, int second) {
    return calendar::UnixFromCivil(calendar::MakeCivilTime(year, month, day, hour, minute, second));
}

TEST(ClockTexts, MainFaceTwelveAndTwentyFourHours) {
    struct Case {
        int64_t second;
        bool hour24;
        const char* time;
        const char* marker;
    };
    const Case cases[] = {
        {KoreanSecondOf(2003, 1, 5, 13, 5, 5), false, "01:05:05", "PM"},
        {KoreanSecondOf(2003, 1, 5, 0, 0, 0), false, "12:00:00", "AM"},
        {KoreanSecondOf(2003, 1, 5, 12, 0, 1), false, "12:00:01", "PM"},
        {KoreanSecondOf(2003, 1, 5, 11, 59, 59), false, "11:59:59", "AM"},
        {KoreanSecondOf(2003, 1, 5, 13, 5, 5), true, "13:05:05", ""},
        {KoreanSecondOf(2003, 1, 5, 0, 0, 0), true, "00:00:00", ""},
    };
    for (const Case& c : cases) {
        const ClockFaceTexts t = MainClockTexts(c.second, c.hour24);
        EXPECT_EQ(t.time.toStdString(), c.time);
        EXPECT_EQ(t.marker.toStdString(), c.marker);
    }
    EXPECT_EQ(MainClockTexts(KoreanSecondOf(2003, 1, 5, 13, 5, 5), false).date.toStdString(),
              "2003년 01월 05일 일요일");
}

TEST(ClockTexts, ClockOnlyLine) {
    const calendar::CivilTime t = calendar::CivilFromUnix(KoreanSecondOf(2002, 5, 20, 15, 4, 5));
    const SlimTexts twelve = SlimClockTexts(t, false);
    EXPECT_EQ(twelve.date.toStdString(), "2002/05/20 월");
    EXPECT_EQ(twelve.marker.toStdString(), "오후");
    EXPECT_EQ(twelve.time.toStdString(), "03:04:05");
    const SlimTexts full = SlimClockTexts(t, true);
    EXPECT_EQ(full.date.toStdString(), "2002/05/20 월요일");
    EXPECT_TRUE(full.marker.isEmpty());
    EXPECT_EQ(full.time.toStdString(), "15:04:05");
    EXPECT_EQ(SlimClockTexts(calendar::CivilFromUnix(KoreanSecondOf(2002, 5, 20, 0, 4, 5)), false)
                  .marker.toStdString(),
              "오전");
}

TEST(ClockTexts, FlashShowsOnOddStepsAndStopsOnTheTwelfth) {
    int counter = 0;
    for (int tick = 1; tick <= 11; ++tick) {
        const FlashStep step = NextFlashStep(counter);
        counter = step.counter;
        EXPECT_FALSE(step.stop) << tick;
        EXPECT_EQ(step.showMessage, tick % 2 == 1) << tick;
    }
    const FlashStep last = NextFlashStep(counter);
    EXPECT_TRUE(last.stop);
    EXPECT_EQ(last.counter, 0);
}

TEST(ClockTexts, ColourReferencesAreBlueGreenRed) {
    EXPECT_EQ(ColorFromRef(0x00FFFF), QColor(255, 255, 0));  // yellow
    EXPECT_EQ(ColorFromRef(0x808080), QColor(128, 128, 128));
    EXPECT_EQ(ColorFromRef(0x0000FF), QColor(255, 0, 0));
}

TEST(WindowLayout, DialogUnitsFollowTheFontMetrics) {
    // 26 letters of 12 pixels average: (312 / 26 + 1) / 2 = 6.
    const DialogBaseUnits units = BaseUnitsFromMetrics(312, 12);
    EXPECT_EQ(units, (DialogBaseUnits{6, 12}));
    EXPECT_EQ(DluToPixels(main_dialog::kSize, units), QSize(245, 132));
    EXPECT_EQ(DluToPixels(main_dialog::kClockFace, units), QRect(11, 29, 180, 49));
    // Edges map, not sizes: neighbouring buttons stay flush.
    const QRect world = DluToPixels(main_dialog::kWorldTime, units);
    const QRect settings = DluToPixels(main_dialog::kSettings, units);
    EXPECT_EQ(world.x() + world.width(), settings.x());
    EXPECT_EQ(DluToPixels(QSize(95, 19), DialogBaseUnits{8, 16}), kSlimBaseSize);
}

TEST(WindowLayout, ClockPositionsAtTheStandardResolution) {
    const ClockFaceLayout twelve = MainClockLayout(false, 96);
    EXPECT_EQ(twelve.time, QPoint(55, 15));
    EXPECT_EQ(twelve.marker, QPoint(30, 30));
    EXPECT_EQ(twelve.date, QPoint(35, 4));
    EXPECT_EQ(twelve.timePixels, 32);
    EXPECT_EQ(twelve.smallPixels, 13);
    EXPECT_EQ(MainClockLayout(true, 96).time, QPoint(40, 15));
    EXPECT_EQ(MainClockLayout(true, 144).time, QPoint(60, 23));

    EXPECT_EQ(SlimClockLayout(false, true).label, QPoint(10, 4));
    EXPECT_EQ(SlimClockLayout(true, true).label, QPoint(15, 4));
    EXPECT_EQ(SlimClockLayout(true, true).bar, QRect(10, 4, 4, 12));
    EXPECT_TRUE(SlimClockLayout(true, false).bar.isEmpty());
}

TEST(WindowLayout, ClockOnlySizeFollowsTheScale) {
    EXPECT_EQ(SlimWindowSize(190, 38, 1.0f), QSize(190, 38));
    EXPECT_EQ(SlimWindowSize(190, 38, 0.5f), QSize(380, 76));
    EXPECT_EQ(SlimWindowSize(190, 38, 0.3f), QSize(633, 126));
    // A damaged fScale in the file must not make a zero or endless window.
    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), 1e-9f})
        EXPECT_EQ(SlimWindowSize(190, 38, bad), QSize(190, 38)) << bad;
}

}  // namespace
