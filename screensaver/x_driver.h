#pragma once
// Drives the screen saver in a foreign X window (-window-id, -root, $XSCREENSAVER_WINDOW).

#include <QObject>
#include <QTimer>

#include <memory>

#include "screensaver/scr_saver.h"
#include "screensaver/x_target.h"

namespace scr {

class CScrXDriver : public QObject {
    Q_OBJECT

public:
    CScrXDriver(CScrSaver::Deps deps, std::unique_ptr<XTarget> target);
    ~CScrXDriver() override;

private:
    void Tick();

    CScrSaver saver_;
    std::unique_ptr<XTarget> target_;
    QTimer timer_;
};

}  // namespace scr
