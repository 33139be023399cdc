#include "screensaver/x_driver.h"

#include <QCoreApplication>

namespace scr {

CScrXDriver::CScrXDriver(CScrSaver::Deps deps, std::unique_ptr<XTarget> target)
    : saver_(std::move(deps)), target_(std::move(target)) {
    saver_.OnCreate();
    timer_.setSingleShot(true);
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &CScrXDriver::Tick);
    timer_.start();
}

CScrXDriver::~CScrXDriver() {
    timer_.stop();
}

void CScrXDriver::Tick() {
    timer_.stop();
    int w = 0, h = 0;
    // The window is read again each tick, so a resize is followed and a vanished window ends us.
    if (!target_->Size(w, h)) {
        QCoreApplication::exit(0);
        return;
    }
    const QImage canvas = saver_.OnTimer({w, h});
    if (!canvas.isNull()) {
        const QImage shown = Stretch(canvas, {w, h}).convertToFormat(QImage::Format_RGB32);
        target_->Put(reinterpret_cast<const std::uint32_t*>(shown.constBits()), shown.width(), shown.height(),
                     static_cast<int>(shown.bytesPerLine()));
    }
    timer_.start();
}

}  // namespace scr
