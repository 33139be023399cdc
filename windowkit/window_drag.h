#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

// Moves a frameless window with the left mouse button. The window manager moves it where it can
// (QWindow::startSystemMove, Wayland included); then no move or release reaches the window, and
// the drag ends with the window's next move event. Otherwise the window follows the mouse itself.
class WindowDrag {
public:
    // A window calls these from its own mouse handlers; each returns true when it took the event.
    bool Press(QWidget& window, QMouseEvent* event);
    bool Move(QWidget& window, QMouseEvent* event);
    // True when a drag the window follows itself ended with this release.
    bool Release(QMouseEvent* event);
    // From the window's moveEvent: true when the window manager's move, started by a press, has
    // moved it (the move a drag ends with).
    bool MovedBySystem();

private:
    bool following_ = false;   // the window follows the mouse itself
    bool systemMove_ = false;  // the window manager moves it
    QPoint windowStart_;
    QPoint mouseStart_;
};
