#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>
#include <ctime>

#include "shell/lumwnd_clock.h"
#include "shell/tikodlg_main.h"
#include "shell/tikodlg_timeslim.h"
#include "tests/support/fake_clock.h"
#include "treestore/conf_schema.h"
#include "windowkit/tests/fake_main_frame.h"
#include "windowkit/window_layout.h"

namespace {

using shell_test::WaitOnGui;

// 2002-05-20 15:04:05 in Korea (a Monday).
constexpr int64_t kMonday1504Utc = 1'021'874'645;

class ClockWindowsTest : public ::testing::Test {
protected:
    ClockWindowsTest() : conf(CTIKOConfList_Mgr().BuildDefaultTree()), clock({kMonday1504Utc, 0}) {
        shell_test::App();
        context = ShellContext{conf.get(), nullptr, &bridge, &clock};
    }

    std::unique_ptr<Class_TIKOCONF_TOP> conf;
    platform::FakeClock clock;
    shell_test::RecordingBridge bridge;
    ShellContext context;
    shell_test::FakeMainFrame frame;
};

// Sets TZ for one scope and puts the old value back.
class ScopedTz {
public:
    explicit ScopedTz(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTz() {
        if (old_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", old_.c_str(), 1);
        tzset();
    }

private:
    std::string old_;
};

TEST_F(ClockWindowsTest, FaceTakesEachTickAndDrawsIt) {
    CLumWnd_Clock face(context);
    face.resize(180, 49);
    face.show();
    EXPECT_EQ(face.time(), kMonday1504Utc + 32400);
    const QImage before = face.Render().copy();

    // Hidden, the ticks leave the GUI thread alone; shown again, the face has the latest.
    face.hide();
    bridge.Tick(kMonday1504Utc + 32400 + 7);
    bridge.Tick(kMonday1504Utc + 32400 + 8);
    QCoreApplication::processEvents();
    EXPECT_EQ(face.time(), kMonday1504Utc + 32400);
    face.show();
    EXPECT_EQ(face.time(), kMonday1504Utc + 32400 + 8);

    bridge.Tick(kMonday1504Utc + 32400 + 1);
    ASSERT_TRUE(WaitOnGui([&] { return face.time() == kMonday1504Utc + 32400 + 1; }));
    EXPECT_EQ(face.texts().time, QStringLiteral("15:04:06"));
    EXPECT_NE(face.Render(), before);
    EXPECT_TRUE(face.ShownText().contains(QStringLiteral("15:04:06")));
    // The background is crClockBack (black) where no text is.
    EXPECT_EQ(face.Render().pixelColor(face.width() - 1, face.height() - 1), QColor(0, 0, 0));
}

TEST_F(ClockWindowsTest, EveryClockShowsKoreanTimeWhateverTheTimeZone) {
    // Beside the daylight-saving changes of New York and Chatham.
    const int64_t instants[] = {1'772'926'205, 1'772'937'005, 1'775'309'405, 1'775'313'005};
    conf->Env()->b24Hour.store(0);
    for (int64_t instant : instants) {
        clock.Set({instant, 0});
        std::vector<QImage> faces;
        std::vector<QString> slims;
        for (const char* zone : {"UTC", "Asia/Seoul", "America/New_York", "Pacific/Chatham"}) {
            ScopedTz tz(zone);
            CLumWnd_Clock face(context);
            face.resize(180, 49);
            faces.push_back(face.Render().copy());
            CTikoDlg_TimeSlim slim(context, frame);
            slims.push_back(slim.ShownText());
        }
        for (size_t i = 1; i < faces.size(); ++i) {
            EXPECT_EQ(faces[i], faces[0]) << instant << " zone " << i;
            EXPECT_EQ(slims[i], slims[0]) << instant << " zone " << i;
        }
        const calendar::CivilTime korea = calendar::CivilFromUnix(instant + 32400);
        EXPECT_TRUE(slims[0].contains(
            QString::asprintf("%02d:%02d:%02d", Hour12(korea.hour), korea.minute, korea.second)))
            << slims[0].toStdString();
    }
}

TEST_F(ClockWindowsTest, ClockOnlyWindowTextsAndScale) {
    conf->Env()->b24Hour.store(0);
    CTikoDlg_TimeSlim slim(context, frame);
    EXPECT_EQ(slim.labelText(), QString::fromUtf8("대한민국"));
    EXPECT_EQ(slim.ShownText(), QString::fromUtf8("대한민국 2002/05/20 월 오후 03:04:05"));
    slim.SetScale(conf->WorldClocks()->fScale.load());
    EXPECT_EQ(slim.size(), QSize(190, 38));

    // A scale change takes the new scale from the world-clocks node; the left and top stay.
    slim.move(40, 50);
    conf->WorldClocks()->fScale.store(0.5f);
    emit bridge.clockScaleChanged();
    ASSERT_EQ(slim.size(), QSize(380, 76));
    EXPECT_EQ(slim.pos(), QPoint(40, 50));
    EXPECT_FLOAT_EQ(slim.scale(), 0.5f);
    // The picture is drawn at the base size and stretched: twice as large.
    const QImage picture = slim.Picture();
    EXPECT_EQ(picture.size(), kSlimBaseSize);
    const QImage window = slim.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(window.size(), QSize(380, 76));
    for (QPoint p : {QPoint(12, 22), QPoint(130, 25), QPoint(5, 5), QPoint(150, 30)})
        EXPECT_EQ(window.pixel(p * 2), picture.convertToFormat(QImage::Format_ARGB32).pixel(p))
            << p.x() << "," << p.y();
}

TEST_F(ClockWindowsTest, SeeThroughKeepsOnlyTheTexts) {
    conf->Env()->bWorldClockTransparent.store(1);
    CTikoDlg_TimeSlim korea(context, frame);
    CTikoDlg_TimeSlim region(context, frame, 3, QStringLiteral("London"));
    ASSERT_TRUE(korea.seeThrough());
    const QImage picture = korea.Picture();
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(picture.pixel(x, y));
            EXPECT_TRUE(alpha == 0 || alpha == 255);
            opaque += alpha == 255;
        }
    EXPECT_GT(opaque, 50);                                      // the texts stay
    EXPECT_LT(opaque, picture.width() * picture.height() / 3);  // the background is gone
    // A region window keeps a bar of the text colour as its handle, and its label moves right.
    for (QPoint p : {QPoint(10, 4), QPoint(13, 15)})
        EXPECT_EQ(region.Picture().pixelColor(p), QColor(0, 255, 0));
    EXPECT_EQ(qAlpha(korea.Picture().pixel(2, 2)), 0);

    // With the setting on but this window not keyed, no white block: its own colours stay.
    korea.SetTransparency(false);
    EXPECT_EQ(korea.Picture().pixelColor(1, 1), QColor(0, 0, 0));
}

TEST_F(ClockWindowsTest, ContextMenuAndDragReachTheFrameAndTheWindow) {
    CTikoDlg_TimeSlim slim(context, frame, 2, QStringLiteral("Paris"));
    slim.move(100, 100);
    slim.show();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 105));
    QApplication::sendEvent(&slim, &menu);
    ASSERT_EQ(frame.menus.size(), 1u);
    EXPECT_EQ(frame.menus[0].target, &slim);
    EXPECT_EQ(frame.menus[0].at, QPoint(105, 105));

    const QPointF global = slim.mapToGlobal(QPointF(60, 20));
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, slim.mapFromGlobal(at), at, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&slim, &event);
    };
    const QPoint start = slim.pos();
    send(QEvent::MouseButtonPress, global, Qt::LeftButton);
    send(QEvent::MouseMove, global + QPointF(-30, 12), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, global + QPointF(-30, 12), Qt::NoButton);
    EXPECT_EQ(slim.pos(), start + QPoint(-30, 12));
}

TEST_F(ClockWindowsTest, ClockOnlyWindowWakesAtTheNextSecondOnlyWhileShown) {
    clock.Set({kMonday1504Utc, 900'000'000});
    CTikoDlg_TimeSlim slim(context, frame);
    EXPECT_FALSE(slim.secondTimer().isActive());
    slim.show();
    ASSERT_TRUE(slim.secondTimer().isActive());
    EXPECT_TRUE(slim.secondTimer().isSingleShot());
    EXPECT_GE(slim.secondTimer().interval(), 100);
    EXPECT_LE(slim.secondTimer().interval(), 110);
    clock.Set({kMonday1504Utc + 1, 0});
    ASSERT_TRUE(WaitOnGui([&] { return slim.texts().time == QStringLiteral("15:04:06"); }));
    slim.hide();
    EXPECT_FALSE(slim.secondTimer().isActive());
}

// The bridge's tick refreshes every shown clock window at once; here no clock arms the
// stand-in single shot, so only the tick can bring the new second.
TEST_F(ClockWindowsTest, TheKoreanTickRefreshesTheShownClockWindows) {
    ShellContext tickOnly = context;
    tickOnly.clock = nullptr;
    calendar::CivilTime now = calendar::CivilFromUnix(kMonday1504Utc + 32400);
    std::vector<std::unique_ptr<CTikoDlg_TimeSlim>> windows;
    for (int region : {-1, 3}) {
        windows.push_back(
            std::make_unique<CTikoDlg_TimeSlim>(tickOnly, frame, region, QStringLiteral("London")));
        windows.back()->SetTimeSource([&now] { return now; });
        windows.back()->show();
    }
    EXPECT_FALSE(windows[0]->secondTimer().isActive());
    now = calendar::CivilFromUnix(kMonday1504Utc + 32400 + 1);
    bridge.Tick(kMonday1504Utc + 32400 + 1);
    for (const auto& window : windows)
        EXPECT_TRUE(WaitOnGui([&] { return window->texts().time == QStringLiteral("15:04:06"); }));
}

// A face as plain drawText calls paint it: in order, opaque on the ground colour.
struct PlainText {
    QPoint at;
    QString text;
    QFont font;
};
QImage PlainFace(QSize size, QImage::Format format, const QColor& back, const QColor& ink,
                 const std::vector<PlainText>& texts) {
    QImage image(size, format);
    image.fill(back);
    QPainter painter(&image);
    painter.setPen(ink);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(back);
    for (const PlainText& t : texts) {
        painter.setFont(t.font);
        painter.drawText(QRect(t.at, size), Qt::AlignLeft | Qt::AlignTop, t.text);
    }
    return image;
}

// A new second paints only what it changes. Whatever the mode, a window brought forward second
// by second (and across a clock set back) shows exactly what a window made at that second
// shows, and every pixel that differs from the second before lies in the part repainted.
TEST_F(ClockWindowsTest, PartialRepaintPaintsWhatAWholePaintDoes) {
    struct Case {
        const char* name;
        bool hour24;
        int region;  // -1: the main face and the clock-only window
        bool seeThrough;
        float scale;
    };
    const Case cases[] = {
        {"24-hour", true, -1, false, 1.0f},
        {"12-hour", false, -1, false, 1.0f},
        {"region see-through", false, 7, true, 1.0f},
        {"region scaled", true, 7, false, 0.5f},
        {"region scaled see-through", false, 7, true, 0.7f},
    };
    // Korean seconds: a minute and an hour turning, noon, a new year, then the clock set back.
    const int64_t kst = 32400;
    const int64_t noon = 1'041'393'600 + 11 * 3600 + 59 * 60 + 58 - kst;  // 2003-01-01 11:59:58
    std::vector<int64_t> seconds;
    for (int64_t start : {kMonday1504Utc + 53, noon, noon - 12 * 3600 - 2})
        for (int i = 0; i < 4; ++i)
            seconds.push_back(start + i);
    seconds.push_back(kMonday1504Utc);

    const auto differing = [](const QImage& a, const QImage& b) {
        QRegion region;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    region |= QRect(x, y, 1, 1);
        return region;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        conf->Env()->b24Hour.store(c.hour24 ? 1 : 0);
        conf->Env()->bWorldClockTransparent.store(c.seeThrough ? 1 : 0);
        const auto slimAt = [&](CTikoDlg_TimeSlim& slim) {
            slim.SetScale(c.scale);
            slim.show();
        };
        clock.Set({seconds[0], 0});
        CLumWnd_Clock face(context);
        face.resize(180, 49);
        face.show();
        CTikoDlg_TimeSlim slim(context, frame, c.region, QStringLiteral("Paris"));
        slimAt(slim);
        QImage faceBefore = face.Render().copy();
        QImage slimBefore = slim.grab().toImage();
        int64_t previous = seconds[0];
        for (int64_t second : seconds) {
            SCOPED_TRACE(second);
            clock.Set({second, 0});
            face.SetTime(second + kst);
            slim.Refresh();
            CLumWnd_Clock wholeFace(context);
            wholeFace.resize(face.size());
            const QImage faceNow = wholeFace.Render();
            EXPECT_EQ(face.Render(), faceNow);
            const ClockFaceLayout layout = MainClockLayout(c.hour24, MainFaceDpi(face.size()));
            QFont big(QStringLiteral("Arial"));
            big.setPixelSize(layout.timePixels);
            QFont small(QString::fromUtf8("굴림"));
            small.setPixelSize(layout.smallPixels);
            const ClockFaceTexts t = face.texts();
            EXPECT_EQ(faceNow, PlainFace(face.size(), QImage::Format_RGB32, Qt::black, Qt::green,
                                         {{layout.time, t.time, big},
                                          {layout.marker, t.marker, small},
                                          {layout.date, t.date, MainDateFont(small, layout, face.width())}}));
            EXPECT_EQ(differing(faceBefore, faceNow) - face.lastRepaint(), QRegion());
            CTikoDlg_TimeSlim wholeSlim(context, frame, c.region, QStringLiteral("Paris"));
            slimAt(wholeSlim);
            const QImage slimNow = wholeSlim.grab().toImage();
            EXPECT_EQ(slim.grab().toImage(), slimNow);
            if (c.region == -1) {
                QFont font(QString::fromUtf8("굴림"));
                font.setPixelSize(kSlimFontPixels);
                const SlimLayout sl = SlimClockLayout(false, false);
                const SlimTexts st = slim.texts();
                EXPECT_EQ(slim.Picture(),
                          PlainFace(kSlimBaseSize, QImage::Format_ARGB32_Premultiplied, Qt::black, Qt::green,
                                    {{sl.label, slim.labelText(), font},
                                     {sl.date, st.date, font},
                                     {sl.marker, st.marker, font},
                                     {sl.time, st.time, font}}));
            }
            EXPECT_EQ(differing(slimBefore, slimNow) - slim.lastRepaint(), QRegion());
            if (second == previous + 1 && second % 10 != 0) {  // one digit: a small part, not the face
                EXPECT_LT(face.lastRepaint().width(), face.width() / 3);
                EXPECT_LT(slim.lastRepaint().width(), slim.width() / 3);
            }
            faceBefore = faceNow;
            slimBefore = slimNow;
            previous = second;
        }
    }
}

// Renders the windows for a person to look at, and checks that no text leaves its window.
TEST_F(ClockWindowsTest, NothingIsClipped) {
    conf->Env()->b24Hour.store(0);
    CTikoDlg_Main dlg(context, frame);
    dlg.ShowResult(QString::fromUtf8("사용자 PC가 0.250 초 늦습니다."), false);
    const QRect face = dlg.clock()->rect();
    const ClockFaceLayout layout = MainClockLayout(false, MainFaceDpi(face.size()));
    const ClockFaceTexts texts = dlg.clock()->texts();
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(layout.timePixels);
    QFont small(QString::fromUtf8("굴림"));
    small.setPixelSize(layout.smallPixels);
    const auto inside = [&](const QFont& font, QPoint at, const QString& s) {
        const QFontMetrics m(font);
        return face.contains(QRect(at, QSize(m.horizontalAdvance(s), m.ascent())));
    };
    EXPECT_TRUE(inside(big, layout.time, texts.time));
    EXPECT_TRUE(inside(small, layout.marker, texts.marker));
    EXPECT_TRUE(inside(MainDateFont(small, layout, face.width()), layout.date, texts.date));
    for (QWidget* child : dlg.findChildren<QWidget*>())
        EXPECT_TRUE(dlg.rect().contains(child->geometry())) << child->metaObject()->className();

    CTikoDlg_TimeSlim slim(context, frame);
    QFont slimFont(QString::fromUtf8("굴림"));
    slimFont.setPixelSize(kSlimFontPixels);
    const QFontMetrics m(slimFont);
    const SlimLayout sl = SlimClockLayout(false, false);
    EXPECT_LE(sl.time.x() + m.horizontalAdvance(slim.texts().time), kSlimBaseSize.width());
    EXPECT_LE(sl.date.x() + m.horizontalAdvance(slim.texts().date), sl.marker.x());

    QDir().mkpath(SHELL_ARTEFACT_DIR);
    const QString dpiTag = QString::number(dlg.clock()->logicalDpiY());
    dlg.grab().save(QStringLiteral(SHELL_ARTEFACT_DIR "/main_dialog_%1dpi.png").arg(dpiTag));
    slim.SetScale(0.5f);
    slim.grab().save(QStringLiteral(SHELL_ARTEFACT_DIR "/clock_only_%1dpi.png").arg(dpiTag));
    conf->Env()->bWorldClockTransparent.store(1);
    CTikoDlg_TimeSlim region(context, frame, 7, QStringLiteral("Paris"));
    region.Picture().save(QStringLiteral(SHELL_ARTEFACT_DIR "/world_clock_see_through.png"));
}

}  // namespace
