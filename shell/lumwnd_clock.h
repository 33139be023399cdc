#pragma once
// The main dialog's clock face: Korean standard time and the date, drawn into a kept
// off-screen image and repainted when signal 46 brings a new second.

#include <QFont>
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "runtime/observer.h"
#include "shell/clock_texts.h"
#include "shell/shell_context.h"

class CLumWnd_Clock : public QWidget, public CLumAOSM_Observer {
    Q_OBJECT

public:
    // Shows the clock's current second until the first tick; subscribes to signal 46.
    explicit CLumWnd_Clock(const ShellContext& context, QWidget* parent = nullptr);
    ~CLumWnd_Clock() override;

    // Mediator thread: copies the tick's second and hands it to the GUI thread.
    int Receive(const CLumAOSM_Message* message, const char* tag) override;

    // GUI thread. koreanSecond is UTC seconds + 32,400.
    void SetTime(int64_t koreanSecond);
    int64_t time() const { return time_; }
    // The texts the face shows now (settings read as the painter reads them).
    ClockFaceTexts texts() const;
    // Draws the face into the kept image and returns it.
    const QImage& Render();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Mouse presses, moves and releases are left to the parent, which drags the window.

private:
    bool Hour24() const;
    void UpdateAccessibleText();

    ShellContext context_;
    int64_t time_ = 0;
    QImage image_;
    QFont timeFont_;
    QFont smallFont_;
    int fontPixels_ = 0;  // the time font's pixel height the fonts were made for
};
