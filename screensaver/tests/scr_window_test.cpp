#include "screensaver/scr_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include "qt_app.h"

namespace scr {
namespace {

CScrSaver::Deps Deps(int* syncCalls) {
    return {[] { return std::time_t{1'765'000'000}; }, [syncCalls] { return ++*syncCalls, 0; },
            [] { return 12345u; }, "/nonexistent/TIKO3SCR.INI"};
}

TEST(ScrWindow, TickShowsTheFaceStretchedToTheWindow) {
    test::App();
    int calls = 0;
    CScrWindow w(Deps(&calls), false);
    w.resize(800, 600);
    w.Tick();
    ASSERT_EQ(w.shown().size(), QSize(800, 600));
    EXPECT_EQ(w.shown().pixel(399, 30) & 0xffffff, 0x397B4Au);  // the 800 x 600 12 o'clock mark
    EXPECT_EQ(calls, 0);                                        // the default interval has not passed
}

TEST(ScrWindow, FullScreenClosesOnKeyClickOrRealMovementOnly) {
    test::App();
    int calls = 0;
    auto mouseMove = [](QWidget& w, QPointF at) {
        QMouseEvent e(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    };
    {
        CScrWindow w(Deps(&calls), true);
        w.show();
        mouseMove(w, {100, 100});
        mouseMove(w, {102, 101});  // jitter
        EXPECT_TRUE(w.isVisible());
        mouseMove(w, {140, 100});
        EXPECT_FALSE(w.isVisible());
    }
    {
        CScrWindow w(Deps(&calls), true);
        w.show();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(&w, &key);
        EXPECT_FALSE(w.isVisible());
    }
    {
        CScrWindow w(Deps(&calls), true);
        w.show();
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &click);
        EXPECT_FALSE(w.isVisible());
    }
    {
        // A window of its own for trying the saver out stays on input.
        CScrWindow w(Deps(&calls), false);
        w.show();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(&w, &key);
        EXPECT_TRUE(w.isVisible());
    }
}

}  // namespace
}  // namespace scr
