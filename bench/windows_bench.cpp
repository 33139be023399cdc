// Cost of LumClient's clock windows: one repaint of the main clock face (a new second), one
// repaint of the clock-only window at scale 0.5 (median of 200 each), and how often the
// clock-only window repaints while it shows the running clock for three seconds (once a
// second is the goal: no repaint without a change).

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/font_alias.h"
#include "shell/lumwnd_clock.h"
#include "shell/shell_context.h"
#include "shell/tikodlg_timeslim.h"
#include "treestore/conf_schema.h"

namespace {

constexpr int kRuns = 200;

class NoFrame final : public IMainFrame {
public:
    void RunCommand(int, QWidget*) override {}
    void ShowContextMenu(CTikoDlg_TimeSlim*, const QPoint&) override {}
    void PostClose() override {}
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

double MedianMs(const std::function<void(int)>& once) {
    std::vector<double> ms;
    ms.reserve(kRuns);
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        once(i);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(ms.begin(), ms.begin() + kRuns / 2, ms.end());
    return ms[kRuns / 2];
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

    CTikoDlg_TimeSlim slim(context, frame);
    slim.SetScale(0.5f);
    const double slimMs = MedianMs([&](int) {
        if (slim.grab().isNull())
            std::abort();
    });

    PaintCounter counter;
    slim.installEventFilter(&counter);
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

    std::printf("LumClient clock windows, median of %d repaints\n", kRuns);
    std::printf("  main clock face 180x49            %8.3f ms\n", faceMs);
    std::printf("  clock-only window 380x76 (0.5)    %8.3f ms\n", slimMs);
    std::printf("  clock-only window repaints after showing  %5.2f per second over %.1f s (goal: 1)\n",
                perSecond, static_cast<double>(elapsed.elapsed()) / 1000.0);
    return 0;
}
