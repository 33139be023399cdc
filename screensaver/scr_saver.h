#pragma once
// All state of one running screen saver: its settings, the synchronisation timing, the small
// faces' memory and their random source. The windows own one and drive it from their timer.

#include <QImage>
#include <QSize>

#include <ctime>
#include <functional>
#include <string>

#include "screensaver/face_geometry.h"
#include "screensaver/settings.h"
#include "screensaver/sync_schedule.h"

namespace scr {

inline constexpr int kTimerPeriodMs = 100;

class CScrSaver {
public:
    struct Deps {
        std::function<std::time_t()> clock;  // whole seconds since the epoch
        std::function<int()> setSyncTime;    // the outside library's call
        std::function<unsigned()> random;    // non-negative random numbers
        std::string iniPath;
    };
    explicit CScrSaver(Deps deps);

    // Window creation: read the settings and count the start as the last synchronisation.
    void OnCreate();
    // One 100 ms tick: draw the face, then synchronise when due. The canvas is null when
    // nothing was drawn (small faces within the same second, or an empty window).
    QImage OnTimer(QSize window);
    // The face for this window size and local time, as the paint handler draws it.
    QImage DrawFace(QSize window, const LocalTime& t);
    // The same at the saver's clock's current time.
    QImage DrawFace(QSize window);

    ScrSettings& settings() { return settings_; }
    const SyncSchedule& schedule() const { return schedule_; }

private:
    Deps deps_;
    ScrSettings settings_;
    SyncSchedule schedule_;
    int lastSmallSecond_ = -1;
};

// The canvas stretched onto a window of the given size in one copy, without smoothing.
QImage Stretch(const QImage& canvas, QSize window);

}  // namespace scr
