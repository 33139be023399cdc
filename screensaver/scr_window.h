#pragma once
// The screen saver in a window of its own: full screen (closing on any input) or a plain
// window for trying it out.

#include <QImage>
#include <QPoint>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <optional>

#include "screensaver/scr_saver.h"

namespace scr {

class CScrWindow : public QWidget {
    Q_OBJECT

public:
    CScrWindow(CScrSaver::Deps deps, bool closeOnInput, QWidget* parent = nullptr);
    ~CScrWindow() override;

    // Shows the window over the whole of screen and keeps it there when the screen's size
    // changes. The geometry is set directly, since without a window manager nobody acts on the
    // full-screen state.
    void CoverScreen(QScreen* screen);

    CScrSaver& saver() { return saver_; }
    // The last picture shown, as stretched onto the window.
    const QImage& shown() const { return shown_; }
    // One timer tick, as the timer runs it.
    void Tick();

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    void Show(const QImage& canvas);

    CScrSaver saver_;
    QTimer timer_;
    QImage shown_;
    bool closeOnInput_;
    std::optional<QPoint> firstMouse_;
    QMetaObject::Connection screenFollow_;
};

}  // namespace scr
