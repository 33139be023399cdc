#pragma once
// The world time dialog's clock face: the selected region's time, green on black. It blinks for
// its first 18 paints after it is made, one every 50 ms, then repaints at each new second.

#include <QFont>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "calendar/civil_time.h"
#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"

namespace world {
class WorldStore;
}

// "%H:%M:%S", or "%I:%M:%S" with "AM"/"PM", and the date "%y-%m-%d".
struct WorldFaceTexts {
    QString time;
    QString marker;  // empty in 24-hour mode
    QString date;
};
WorldFaceTexts WorldClockTexts(const calendar::CivilTime& t, bool hour24);

// Whether a paint with this blink counter draws (three drawn, three blank, ...; always from 0).
constexpr bool WorldFaceDrawn(int blink) {
    return blink % 6 < 3;
}

class CLumWnd_WorldClock : public QWidget, public IShownText {
    Q_OBJECT

public:
    // The selected region's date and time as shown, for screen readers.
    QString ShownText() const override { return shownText_; }

    static constexpr int kPeriodMs = 50;
    static constexpr int kBlinkPaints = 18;

    CLumWnd_WorldClock(const ShellContext& context, world::WorldStore& store, QWidget* parent = nullptr);

    // The selected region's clock now (Korean time while none is selected); repaints when the
    // texts changed or the blink is on.
    void Tick();
    // While shown: 50 ms on during the blink, then single shots just past each second.
    const QTimer& timer() const { return timer_; }
    const calendar::CivilTime& shownTime() const { return time_; }
    WorldFaceTexts texts() const;
    int blink() const { return blink_; }
    // Draws the next paint into the kept image (stepping the blink counter) and returns it.
    const QImage& Render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Hour24() const;
    void ArmTimer();

    ShellContext context_;
    world::WorldStore& store_;
    calendar::CivilTime time_;
    QString shownText_;
    QString announcedMinute_;  // the shown text without its seconds when last announced
    QTimer timer_;             // runs while the face is shown
    int blink_ = kBlinkPaints;
    QImage image_;
    QFont timeFont_;
    QFont dateFont_;
    QFont markerFont_;
    int fontDpi_ = 0;
};
