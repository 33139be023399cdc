// Windows on any screen and scale, and the alarm pop-up as a reader hears it.

#include <gtest/gtest.h>

#include <QAccessible>

#include "shell/launcher.h"
#include "shell/taskbarmsgwnd.h"
#include "windowkit/accessible_text.h"
#include "windowkit/tests/fake_main_frame.h"
#include "windowkit/window_layout.h"

namespace {

TEST(WindowFitTest, AWindowIsMovedInOnlyAsFarAsItTakes) {
    const QRect area(0, 0, 640, 480);  // 1280 x 960 at scale 2
    const QSize size(300, 200);
    // Where it fits, the place asked for stands.
    EXPECT_EQ(PlaceInside(area, QPoint(100, 50), size), QPoint(100, 50));
    // Off the right and the bottom edge: moved in just to them.
    EXPECT_EQ(PlaceInside(area, QPoint(500, 400), size), QPoint(340, 280));
    // Off the left and the top (a panel above, or a stored place on another screen).
    EXPECT_EQ(PlaceInside(QRect(0, 30, 640, 450), QPoint(-80, 0), size), QPoint(0, 30));
    // Larger than the area: its top-left corner, with the title bar and the buttons near it, stays inside.
    EXPECT_EQ(PlaceInside(area, QPoint(200, 300), QSize(700, 600)), QPoint(0, 0));
    // A second screen to the right.
    EXPECT_EQ(PlaceInside(QRect(1280, 0, 1024, 768), QPoint(2200, 700), size), QPoint(2004, 568));
}

TEST(WindowFitTest, ClockDigitsGrowWithTheFace) {
    EXPECT_EQ(MainFaceDpi(kMainFaceAt96), 96.0);
    // At 144 dpi the dialog font's height grows by less than half: the face, not the dpi, decides.
    EXPECT_NEAR(MainFaceDpi(QSize(270, 70)), 96.0 * 70 / 49, 1e-9);
    const ClockFaceLayout grown = MainClockLayout(true, MainFaceDpi(QSize(270, 70)));
    // Place and size of the digits in proportion to the face, as at 96 dpi (15 and 32 of 49).
    EXPECT_NEAR(grown.time.y(), 15.0 * 70 / 49, 1.0);
    EXPECT_NEAR(grown.timePixels, 32.0 * 70 / 49, 1.0);
}

TEST(WindowFitTest, DialogsFollowALargerDesktopFont) {
    EXPECT_EQ(DialogPointSize(0), 9.0);
    EXPECT_EQ(DialogPointSize(8), 9.0);
    EXPECT_EQ(DialogPointSize(12), 12.0);
}

class SilentLauncher : public ILauncher {
public:
    bool Open(const QString&) override { return true; }
    bool OpenUrl(const QString&) override { return true; }
};

TEST(WindowFitTest, AlarmPopUpIsANotificationSaidOnOneLine) {
    shell_test::App();
    SilentLauncher launcher;
    auto* popup = new CTaskBarMsgWnd(QString::fromUtf8("회의\n10시 30분"), 200, 100, 15000, 10,
                                     QRect(10, 10, 180, 80), Qt::white, launcher);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(popup);
    EXPECT_EQ(accessible->role(), QAccessible::Notification);
    EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8("회의 10시 30분"));
    EXPECT_EQ(accessible->text(QAccessible::Description), QString::fromUtf8("알람"));
    delete popup;
}

}  // namespace
