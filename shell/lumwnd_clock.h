#pragma once
// The main dialog's clock face: Korean standard time and the date, drawn into a kept
// off-screen image; a new second from the runtime bridge draws and repaints only the digits it
// changes.

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <cstdint>

#include "shell/clock_texts.h"
#include "shell/face_canvas.h"
#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"

class CLumWnd_Clock : public QWidget, public IShownText {
    Q_OBJECT

public:
    // Shows the clock's current second until the first tick; takes the bridge's seconds while
    // shown.
    explicit CLumWnd_Clock(const ShellContext& context, QWidget* parent = nullptr);
    ~CLumWnd_Clock() override;

    // GUI thread. koreanSecond is UTC seconds + 32,400.
    void SetTime(int64_t koreanSecond);
    int64_t time() const { return time_; }
    // The texts the face shows now (settings read as the painter reads them), worked out once
    // for each second and layout.
    const ClockFaceTexts& texts() const;
    // Brings the kept image up to the face's time and settings and returns it.
    const QImage& Render();
    // Date and time as shown, for screen readers.
    QString ShownText() const override;
    // The part the last new second painted again while shown.
    const QRect& lastRepaint() const { return lastRepaint_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Mouse presses, moves and releases are left to the parent, which drags the window.

private:
    bool Hour24() const;
    // A screen reader hears of a new minute, not of every second.
    void AnnounceMinute();
    // Draws what changed since the kept image was drawn (all of it when the look changed);
    // returns that part.
    QRegion DrawFace();

    ShellContext context_;
    int64_t time_ = 0;
    FaceCanvas canvas_;
    bool canvasHour24_ = true;  // the layout the kept image was drawn with
    double canvasDpi_ = 0;
    QRect lastRepaint_;
    int64_t announcedMinute_ = 0;
    mutable ClockFaceTexts texts_;
    mutable int64_t textsTime_ = -1;  // the second and layout texts_ were worked out for
    mutable bool textsHour24_ = true;
};
