#include "screensaver/scr_saver.h"

#include "screensaver/faces.h"

namespace scr {

CScrSaver::CScrSaver(Deps deps) : deps_(std::move(deps)), schedule_(deps_.clock, deps_.setSyncTime) {}

void CScrSaver::OnCreate() {
    ReadSettings(deps_.iniPath, settings_);
    schedule_.Start();
}

QImage CScrSaver::DrawFace(QSize window) {
    return DrawFace(window, LocalTimeOf(deps_.clock()));
}

QImage CScrSaver::OnTimer(QSize window) {
    QImage canvas = DrawFace(window);
    schedule_.Tick(settings_.bSyncUse, settings_.nSyncDuration);
    return canvas;
}

QImage CScrSaver::DrawFace(QSize window, const LocalTime& t) {
    // A window without area has nothing to draw into.
    if (window.width() <= 0 || window.height() <= 0)
        return {};
    if (const FullLayout* layout = FindFullLayout(window.width(), window.height())) {
        return settings_.bType ? FullDigitalFace(*layout, t, settings_)
                               : FullAnalogFace(*layout, t, settings_);
    }
    // The small faces change once a second, at a new random place.
    if (t.second == lastSmallSecond_)
        return {};
    lastSmallSecond_ = t.second;
    const unsigned r1 = deps_.random();
    const unsigned r2 = deps_.random();
    const Point origin = SmallOrigin(r1, r2, window.width(), window.height());
    return settings_.bType ? SmallDigitalFace(window, origin, t, settings_)
                           : SmallAnalogFace(window, origin, t, settings_);
}

QImage Stretch(const QImage& canvas, QSize window) {
    if (canvas.isNull() || canvas.size() == window)
        return canvas;
    return canvas.scaled(window, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace scr
