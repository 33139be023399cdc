// Picture tests: each full-screen face rendered for fixed times, checked at points that the
// layout fixes. The PNGs are kept in the build tree for a person to look at.

#include "screensaver/faces.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QRect>

#include <set>

#include "qt_app.h"

namespace scr {
namespace {

QColor C(std::uint32_t rgb) {
    return QColor::fromRgb(rgb);
}

void Save(const QImage& img, const std::string& name) {
    QDir().mkpath(SCR_ARTEFACT_DIR);
    img.save(QString::fromStdString(std::string(SCR_ARTEFACT_DIR) + "/" + name + ".png"));
}

int CountColour(const QImage& img, QRect r, std::uint32_t rgb) {
    r = r.intersected(img.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (img.pixel(x, y) & 0xffffff) == rgb;
    return n;
}

// Text drawn with its cell at (x, y): some pixels inside the line, none in the band just
// left of it.
void ExpectTextAt(const QImage& img, int x, int y, int height, int width, std::uint32_t rgb,
                  const char* what) {
    EXPECT_GT(CountColour(img, QRect(x, y, width, height), rgb), 20) << what;
    EXPECT_EQ(CountColour(img, QRect(x - 40, y, 40, height), rgb), 0) << what << " starts too far left";
    EXPECT_EQ(CountColour(img, QRect(x, y - 30, width, 30), rgb), 0) << what << " starts too high";
}

CalendarCell Cell(const FullLayout& l, const LocalTime& t, Point corner, int day) {
    return CalendarCells(t.year, t.month, t.day, corner, l.calendar.step)[static_cast<std::size_t>(day - 1)];
}

void ExpectPalette(const QImage& img, std::set<std::uint32_t> allowed) {
    for (const QImage& banner : {Banner()})
        for (int y = 0; y < banner.height(); ++y)
            for (int x = 0; x < banner.width(); ++x)
                allowed.insert(banner.pixel(x, y) & 0xffffff);
    std::set<std::uint32_t> stray;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!allowed.count(img.pixel(x, y) & 0xffffff))
                stray.insert(img.pixel(x, y) & 0xffffff);
    EXPECT_TRUE(stray.empty()) << stray.size() << " colours outside the palette: the drawing is smoothed";
}

class FullFaces : public ::testing::TestWithParam<std::pair<int, int>> {
protected:
    void SetUp() override { test::App(); }
    const FullLayout& layout() const { return *FindFullLayout(GetParam().first, GetParam().second); }
    std::string name(const char* face) const {
        return std::string(face) + "_" + std::to_string(GetParam().first) + "x" +
               std::to_string(GetParam().second);
    }
};

TEST_P(FullFaces, AnalogShowsDialHandsCentreAndCalendar) {
    const FullLayout& l = layout();
    const AnalogLayout& a = l.analog;
    // The second hand points up and left, away from the calendar.
    const LocalTime t{2026, 12, 8, 22, 10, 50, 2};
    const QImage img = FullAnalogFace(l, t, {0, 1, 1, 1000, 0});
    Save(img, name("analog"));
    ASSERT_EQ(img.size(), QSize(l.width, l.height));

    const Point twelve = PointAt(a.centre, a.dial, MarkAngle(0));
    EXPECT_EQ(img.pixelColor(twelve.x, twelve.y), C(colour::kMarkInner));
    EXPECT_EQ(img.pixelColor(twelve.x, twelve.y - a.markLarge + 1), C(colour::kMarkOuter));
    EXPECT_EQ(img.pixelColor(twelve.x, twelve.y - a.markLarge - 2), C(colour::kBackground));
    const Point one = PointAt(a.centre, a.dial, MarkAngle(1));
    EXPECT_EQ(img.pixelColor(one.x, one.y), C(colour::kMarkInner));
    EXPECT_EQ(img.pixelColor(a.centre.x, a.centre.y), C(colour::kCentreDot));
    EXPECT_EQ(img.pixelColor(a.centre.x + a.pin - 3, a.centre.y), C(colour::kPin));

    // The hour hand at 10:10 points up and left: its first half lies between the centre and
    // its tip, and its tip carries the white outline.
    const HandPoints h = HandAt(a.centre, a.hour, HourAngle(t.hour, t.minute));
    EXPECT_EQ(img.pixelColor(h.tip.x, h.tip.y), C(colour::kOutline));
    EXPECT_GT(CountColour(img, QRect(QPoint(h.tip.x, h.tip.y), QPoint(a.centre.x, a.centre.y)),
                          colour::kHandFirst) +
                  CountColour(img, QRect(QPoint(h.tip.x, h.tip.y), QPoint(a.centre.x, a.centre.y)),
                              colour::kHandSecond),
              100);

    // 22:10 puts the calendar at the bottom; its header is white on the analog face.
    const Point corner = l.calendar.bottom;
    ExpectTextAt(img, corner.x, corner.y, l.calendar.fontHeight, 200, colour::kOutline, "calendar header");
    const CalendarCell today = Cell(l, t, corner, t.day);
    EXPECT_GT(CountColour(img, QRect(today.at.x, today.at.y, l.calendar.step, l.calendar.fontHeight),
                          colour::kToday),
              3);
    const CalendarCell sunday = Cell(l, t, corner, 6);
    EXPECT_GT(CountColour(img, QRect(sunday.at.x, sunday.at.y, l.calendar.step, l.calendar.fontHeight),
                          colour::kSunday),
              3);

    ExpectPalette(img, {colour::kBackground, colour::kMarkOuter, colour::kMarkInner, colour::kHandFirst,
                        colour::kHandSecond, colour::kOutline, colour::kCentreDot, colour::kSunday,
                        colour::kSaturday, colour::kToday});
}

TEST_P(FullFaces, AnalogSecondZeroShowsTheDialOnly) {
    const FullLayout& l = layout();
    const QImage img = FullAnalogFace(l, {2026, 12, 8, 10, 10, 0, 2}, {0, 1, 1, 1000, 0});
    Save(img, name("analog_second0"));
    const Point twelve = PointAt(l.analog.centre, l.analog.dial, MarkAngle(0));
    EXPECT_EQ(img.pixelColor(twelve.x, twelve.y), C(colour::kMarkInner));
    EXPECT_EQ(img.pixelColor(l.analog.centre.x, l.analog.centre.y), C(colour::kBackground));
    for (auto rgb :
         {colour::kHandFirst, colour::kHandSecond, colour::kOutline, colour::kToday, colour::kCentreDot})
        EXPECT_EQ(CountColour(img, img.rect(), rgb), 0) << std::hex << rgb;
}

TEST_P(FullFaces, DigitalTwelveHourShowsEveryLineWhereTheLayoutPutsIt) {
    const FullLayout& l = layout();
    const DigitalLayout& d = l.digital;
    const LocalTime t{2026, 12, 8, 0, 30, 5, 2};
    const QImage img = FullDigitalFace(l, t, {1, 1, 1, 1000, 0});
    Save(img, name("digital12"));
    ExpectTextAt(img, d.date.x, d.date.y, d.date.height, l.width - d.date.x, colour::kDate, "date line");
    ExpectTextAt(img, d.halfDay.x, d.halfDay.y, d.halfDay.height, d.timeX12 - d.halfDay.x, colour::kTime,
                 "오전");
    EXPECT_GT(CountColour(img, QRect(d.timeX12, d.timeY, l.width - d.timeX12, d.timeHeight), colour::kTime),
              200);
    ExpectTextAt(img, d.caption.x, d.caption.y, d.caption.height, l.width / 2, colour::kCaption, "caption");
    // The calendar header takes the caption's colour on the digital face.
    const Point corner = l.calendar.digital;
    EXPECT_GT(CountColour(img, QRect(corner.x, corner.y, l.width - corner.x, l.calendar.fontHeight),
                          colour::kCaption),
              5);
    const CalendarCell today = Cell(l, t, corner, t.day);
    EXPECT_GT(CountColour(img, QRect(today.at.x, today.at.y, l.calendar.step, l.calendar.fontHeight),
                          colour::kToday),
              3);
    ExpectPalette(img, {colour::kBackground, colour::kDate, colour::kTime, colour::kCaption, colour::kSunday,
                        colour::kSaturday, colour::kWeekday, colour::kToday});
}

TEST_P(FullFaces, DigitalTwentyFourHourDropsTheHalfDayAndMovesTheTime) {
    const FullLayout& l = layout();
    const DigitalLayout& d = l.digital;
    const QImage img = FullDigitalFace(l, {2026, 12, 8, 12, 0, 0, 2}, {1, 0, 0, 0, 1});
    Save(img, name("digital24"));
    EXPECT_EQ(CountColour(img, QRect(0, d.timeY, d.timeX24, d.timeHeight), colour::kTime), 0);
    ExpectTextAt(img, d.timeX24, d.timeY, d.timeHeight, l.width - d.timeX24, colour::kTime, "time");
    EXPECT_EQ(CountColour(img, QRect(l.calendar.digital.x, l.calendar.digital.y, 200, 200), colour::kCaption),
              0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FullFaces, ::testing::Values(std::pair{1600, 1200}, std::pair{640, 480}),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" +
                                    std::to_string(info.param.second);
                         });

TEST(SmallFaces, AnalogDrawsHandsInSecondZeroAndDigitalItsTime) {
    test::App();
    const QSize size(1366, 768);
    const Point o{300, 200};
    const QImage analog = SmallAnalogFace(size, o, {2026, 12, 8, 9, 0, 0, 2}, {});
    Save(analog, "small_analog_1366x768");
    EXPECT_EQ(analog.size(), size);
    EXPECT_GT(CountColour(analog, analog.rect(), colour::kHandFirst), 10);
    EXPECT_EQ(analog.pixelColor(o.x + small::kHandCentre.x, o.y + small::kHandCentre.y), C(colour::kPin));
    ExpectTextAt(analog, o.x, o.y, small::kDateHeight, 300, colour::kDate, "small date line");

    const QImage digital = SmallDigitalFace(size, o, {2026, 12, 8, 13, 5, 9, 2}, {1, 0, 0, 0, 0});
    Save(digital, "small_digital_1366x768");
    ExpectTextAt(digital, o.x + small::kHalfDay.x, o.y + small::kHalfDay.y, small::kTimeHeight, 60,
                 colour::kTime, "small 오후");
    EXPECT_GT(
        CountColour(digital, QRect(o.x + small::kTime12.x, o.y + small::kTime12.y, 200, 30), colour::kTime),
        50);
}

TEST(Fonts, KoreanFaceReachesAnInstalledFont) {
    test::App();
    const QFontInfo gulim(QFont(QStringLiteral("굴림")));
    EXPECT_TRUE(gulim.family().startsWith(QStringLiteral("NanumGothic")) ||
                gulim.family() == QStringLiteral("UnDotum"))
        << gulim.family().toStdString();
    const QFontInfo arial(QFont(QStringLiteral("Arial")));
    EXPECT_EQ(arial.family(), QStringLiteral("Liberation Sans"));
}

}  // namespace
}  // namespace scr
