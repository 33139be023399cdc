// Cost of LumClient's clock windows: a new second on the main clock face and on the
// clock-only window at scale 0.5, beside a whole redraw of each (a change of colour), medians
// of 200, and how often the clock-only window repaints while it shows the running clock for
// three seconds (once a second is the goal: no repaint without a change).

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/timing.h"
#include "platform/clock.h"
#include "platform/font_alias.h"
#include "shell/lumwnd_clock.h"
#include "shell/tikodlg_timeslim.h"
#include "treestore/conf_schema.h"
#include "windowkit/shell_context.h"

namespace {

constexpr int kRuns = 200;

class NoFrame final : public IMainFrame {
public:
    void RunCommand(int, QWidget*) override {}
    void ShowContextMenu(CTikoDlg_TimeSlim*, const QPoint&) override {}
    void PostClose() override {}
    void ShowScheduleDialog() override {}
    void WriteScheduleReport() override {}
    void SetWorldClockTransparency(bool) override {}
    void ShowClockOnly(bool) override {}
    bool OpenWebPage(const QString&) override { return false; }
    bool HasNotificationArea() const override { return true; }
};

class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Wall-clock median; `once` gets the run's number.
double MedianMs(const std::function<void(int)>& once) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const double start = Ms(CLOCK_MONOTONIC);
        once(i);
        ms.push_back(Ms(CLOCK_MONOTONIC) - start);
    }
    return MedianOf(std::move(ms));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const std::string aliases = platform::FindFontAliases(TIKO3_FONT_ALIAS_DIR); !aliases.empty())
        platform::LoadFontAliases(aliases);
    QApplication app(argc, argv);
    std::unique_ptr<Class_TIKOCONF_TOP> conf = CTIKOConfList_Mgr().BuildDefaultTree();
    conf->Env()->b24Hour.store(0);
    platform::SystemClock clock;
    const ShellContext context{conf.get(), nullptr, nullptr, &clock};
    NoFrame frame;

    CLumWnd_Clock face(context);
    face.resize(180, 49);
    const int64_t base = face.time();
    const double faceMs = MedianMs([&](int i) {
        face.SetTime(base + i);
        if (face.Render().isNull())
            std::abort();
    });
    // Two clock colours in turn: every render is a whole one.
    const auto recolour = [&](int i) { conf->Env()->crClockText.store(i % 2 == 0 ? 0x00FF00 : 0x00FE00); };
    const double faceWholeMs = MedianMs([&](int i) {
        recolour(i);
        if (face.Render().isNull())
            std::abort();
    });
    recolour(0);

    CTikoDlg_TimeSlim slim(context, frame);
    slim.SetScale(0.5f);
    PaintCounter counter;
    slim.installEventFilter(&counter);
    slim.show();
    while (counter.paints == 0)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    int64_t second = base;
    slim.SetTimeSource([&second] { return calendar::CivilFromUnix(second); });
    // A new second: the window reads it, draws the digits that changed and repaints them.
    const double slimMs = MedianMs([&](int) {
        ++second;
        slim.Refresh();
    });
    const double slimWholeMs = MedianMs([&](int i) {
        recolour(i);
        slim.repaint();
    });
    recolour(0);
    slim.hide();
    slim.SetTimeSource([&clock] { return platform::KoreanStandardTime(clock); });

    counter.paints = 0;
    slim.show();
    // The first paint belongs to the showing, not to the running clock.
    while (counter.paints == 0)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    counter.paints = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 3000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double perSecond = counter.paints * 1000.0 / static_cast<double>(elapsed.elapsed());

    std::printf("LumClient clock windows, median of %d repaints: a new second / the whole window\n", kRuns);
    std::printf("  main clock face 180x49            %8.3f ms / %8.3f ms\n", faceMs, faceWholeMs);
    std::printf("  clock-only window 380x76 (0.5)    %8.3f ms / %8.3f ms\n", slimMs, slimWholeMs);
    std::printf("  clock-only window repaints after showing  %5.2f per second over %.1f s (goal: 1)\n",
                perSecond, static_cast<double>(elapsed.elapsed()) / 1000.0);
    return 0;
}
