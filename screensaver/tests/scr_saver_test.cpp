#include "screensaver/scr_saver.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "qt_app.h"
#include "tests/support/temp_dir.h"

namespace scr {
namespace {

struct Harness {
    std::time_t now = 1'765'000'000;
    int syncCalls = 0;
    unsigned next = 1;
    TempDir dir{"scr_saver"};
    std::string ini;
    explicit Harness(const std::string& iniText) {
        ini = (dir / "TIKO3SCR.INI").string();
        WriteFile(ini, iniText);
    }
    CScrSaver::Deps Deps() {
        return {[this] { return now; }, [this] { return ++syncCalls, 0; }, [this] { return next += 7919; },
                ini};
    }
};

TEST(ScrSaver, TimerDrawsEveryTickAndSynchronisesOnlyWhenDue) {
    test::App();
    Harness h("[TIKO3SCR]\nbSyncUse=1\nnSyncDuration=2\n");
    CScrSaver saver(h.Deps());
    saver.OnCreate();
    EXPECT_EQ(saver.settings().nSyncDuration, 2);
    for (int tick = 0; tick < 10; ++tick)
        EXPECT_FALSE(saver.OnTimer({640, 480}).isNull());
    EXPECT_EQ(h.syncCalls, 0);
    h.now += 2;
    saver.OnTimer({640, 480});
    EXPECT_EQ(h.syncCalls, 1);
}

TEST(ScrSaver, SmallFacesChangeOnceASecondAtARandomPlace) {
    test::App();
    Harness h("[TIKO3SCR]\nbType=0\n");
    CScrSaver saver(h.Deps());
    saver.OnCreate();
    const LocalTime t{2026, 12, 8, 9, 0, 0, 2};
    const QImage first = saver.DrawFace({1366, 768}, t);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(1366, 768));
    EXPECT_TRUE(saver.DrawFace({1366, 768}, t).isNull());
    LocalTime later = t;
    later.second = 1;
    const QImage second = saver.DrawFace({1366, 768}, later);
    ASSERT_FALSE(second.isNull());
    EXPECT_NE(first, second);
}

TEST(ScrSaver, TinyAndEmptyWindowsDoNotFail) {
    test::App();
    Harness h("[TIKO3SCR]\nbType=1\n");
    CScrSaver saver(h.Deps());
    saver.OnCreate();
    EXPECT_TRUE(saver.DrawFace({0, 0}, {}).isNull());
    EXPECT_TRUE(saver.DrawFace({0, 300}, {}).isNull());
    LocalTime t;
    for (QSize s : {QSize(150, 100), QSize(200, 200), QSize(1, 1)}) {
        t.second = (t.second + 1) % 60;
        EXPECT_EQ(saver.DrawFace(s, t).size(), s);
    }
}

TEST(ScrSaver, StretchCopiesOntoTheWindowWithoutSmoothing) {
    QImage canvas(2, 1, QImage::Format_RGB32);
    canvas.setPixel(0, 0, 0xff0000);
    canvas.setPixel(1, 0, 0x0000ff);
    const QImage shown = Stretch(canvas, {4, 2});
    ASSERT_EQ(shown.size(), QSize(4, 2));
    EXPECT_EQ(shown.pixel(1, 1) & 0xffffff, 0xff0000u);
    EXPECT_EQ(shown.pixel(2, 0) & 0xffffff, 0x0000ffu);
}

}  // namespace
}  // namespace scr
