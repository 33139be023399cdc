#include "windowkit/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

bool WindowDrag::Press(QWidget& window, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return false;
    event->accept();
    following_ = false;
    systemMove_ = window.windowHandle() != nullptr && window.windowHandle()->startSystemMove();
    if (!systemMove_) {
        following_ = true;
        windowStart_ = window.pos();
        mouseStart_ = event->globalPosition().toPoint();
    }
    return true;
}

bool WindowDrag::Move(QWidget& window, QMouseEvent* event) {
    if (!following_)
        return false;
    window.move(windowStart_ + (event->globalPosition().toPoint() - mouseStart_));
    event->accept();
    return true;
}

bool WindowDrag::Release(QMouseEvent* event) {
    if (!following_ || event->button() != Qt::LeftButton)
        return false;
    following_ = false;
    event->accept();
    return true;
}

bool WindowDrag::MovedBySystem() {
    return systemMove_;
}
