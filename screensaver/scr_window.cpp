#include "screensaver/scr_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace scr {

// Pointer jitter below this many pixels does not end the screen saver.
constexpr int kMoveThreshold = 5;

CScrWindow::CScrWindow(CScrSaver::Deps deps, bool closeOnInput, QWidget* parent)
    : QWidget(parent), saver_(std::move(deps)), closeOnInput_(closeOnInput) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(closeOnInput);
    if (closeOnInput) {
        setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setCursor(Qt::BlankCursor);
    }
    setWindowTitle(QStringLiteral("TIKO3SCR"));
    saver_.OnCreate();
    timer_.setSingleShot(true);
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &CScrWindow::Tick);
    timer_.start();
}

CScrWindow::~CScrWindow() {
    timer_.stop();
}

void CScrWindow::CoverScreen(QScreen* screen) {
    if (screen == nullptr)
        return;
    disconnect(screenFollow_);
    setScreen(screen);
    setGeometry(screen->geometry());
    showFullScreen();
    // A window manager may have moved it meanwhile; without one this is what places it.
    setGeometry(screen->geometry());
    screenFollow_ =
        connect(screen, &QScreen::geometryChanged, this, [this](const QRect& area) { setGeometry(area); });
}

void CScrWindow::Tick() {
    timer_.stop();
    Show(saver_.OnTimer(size()));
    timer_.start();
}

void CScrWindow::Show(const QImage& canvas) {
    if (canvas.isNull())
        return;
    shown_ = Stretch(canvas, size());
    update();
}

void CScrWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (shown_.size() != size()) {
        // Resized or not yet drawn: draw the face now, as a paint does.
        const QImage canvas = saver_.DrawFace(size());
        if (!canvas.isNull())
            shown_ = Stretch(canvas, size());
    }
    if (shown_.size() == size())
        p.drawImage(0, 0, shown_);
    else
        p.fillRect(rect(), Qt::black);
}

void CScrWindow::keyPressEvent(QKeyEvent* e) {
    if (closeOnInput_)
        close();
    else
        QWidget::keyPressEvent(e);
}

void CScrWindow::mousePressEvent(QMouseEvent* e) {
    if (closeOnInput_)
        close();
    else
        QWidget::mousePressEvent(e);
}

void CScrWindow::mouseMoveEvent(QMouseEvent* e) {
    if (!closeOnInput_)
        return QWidget::mouseMoveEvent(e);
    const QPoint at = e->position().toPoint();
    if (!firstMouse_) {
        firstMouse_ = at;
        return;
    }
    if ((at - *firstMouse_).manhattanLength() > kMoveThreshold)
        close();
}

}  // namespace scr
