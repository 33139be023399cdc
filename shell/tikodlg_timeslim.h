#pragma once
// A borderless clock window: a region label over the date and the time. With region index -1
// it is the Korean clock-only window; world clocks are further instances with their region.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>

class QTimer;
#include <functional>
#include <memory>

#include "calendar/civil_time.h"
#include "platform/clock.h"
#include "shell/clock_texts.h"
#include "shell/face_canvas.h"
#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"
#include "windowkit/window_drag.h"

class CTikoDlg_TimeSlim : public QDialog, public IShownText {
    Q_OBJECT

public:
    // What the window shows; the default is Korean standard time from the context's clock.
    using TimeSource = std::function<calendar::CivilTime()>;

    // Sized to the base picture (190 x 38), not scaled until SetScale; follows the bridge's scale
    // changes and takes the see-through flag from bWorldClockTransparent.
    CTikoDlg_TimeSlim(const ShellContext& context, IMainFrame& frame, int regionIndex = -1, QString name = {},
                      QWidget* parent = nullptr);
    ~CTikoDlg_TimeSlim() override;

    int regionIndex() const { return regionIndex_; }
    const QString& name() const { return name_; }
    bool menuTarget() const { return menuTarget_; }
    void SetMenuTarget(bool target) { menuTarget_ = target; }

    // The window becomes nWidth / scale by nHeight / scale of the world-clocks node; its left
    // and top stay.
    void SetScale(float scale);
    float scale() const { return scale_; }

    // Keys white out where the window system can show through a window.
    void SetTransparency(bool on);
    bool seeThrough() const { return keyWhite_; }
    // Whether this window system composites translucent windows (decided once).
    static bool TranslucencySupported();

    void SetTimeSource(TimeSource source);
    // Reads the time now and repaints when the texts changed.
    void Refresh();
    const calendar::CivilTime& shownTime() const { return time_; }
    // Worked out once for each shown time and layout.
    const SlimTexts& texts() const;
    QString labelText() const;
    // Place, date and time as shown, one line, for screen readers.
    QString ShownText() const override { return OneLine(shownText_); }
    QAccessible::Role ShownRole() const override { return QAccessible::Window; }
    // The picture at the base size, as the window stretches it (drawn whole).
    QImage Picture() const;
    // The window's part that the last new second painted again.
    const QRect& lastRepaint() const { return lastRepaint_; }

    // The clock windows' shared single shot: armed while any of them is shown, due just past
    // the clock's next second in case no tick from the bridge comes first.
    const QTimer& secondTimer() const;

    // Keeps the window above others when bTopMost is 1.
    void ApplyTopMost();
    bool shown() const { return isVisible(); }

    void setVisible(bool visible) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class SecondTicker;
    void ApplyScaleFromSettings();
    bool Hour24() const;
    bool WhiteBackground() const;
    void UpdateAccessibleText();
    // Brings `canvas` up to what the window shows (whole when its look changed, else the texts
    // that changed) and returns the part drawn, at the base size. `keyed` is whether the
    // canvas was drawn keyed.
    QRegion DrawFace(FaceCanvas& canvas, bool& keyed) const;
    // The picture stretched to the window's size (only the window's part `only`, if given).
    void StretchFace(const QRect* only = nullptr);
    // Where a part of the base picture lands in the window, with a pixel round it.
    QRect WindowRect(const QRect& base) const;

    ShellContext context_;
    IMainFrame& frame_;
    int regionIndex_;
    QString name_;
    bool menuTarget_ = false;
    float scale_ = 1.0f;
    bool keyWhite_ = false;
    TimeSource source_;
    calendar::CivilTime time_;
    QString shownText_;
    QString announcedMinute_;
    std::shared_ptr<SecondTicker> ticker_;  // shared by the windows of one back end
    FaceCanvas canvas_;                     // the picture at the base size as last drawn
    bool canvasKeyed_ = false;
    QImage image_;  // the picture stretched to the window when its size differs
    QRect lastRepaint_;
    mutable SlimTexts texts_;
    mutable calendar::CivilTime textsTime_;  // what texts_ were worked out for
    mutable int textsHour24_ = -1;

    WindowDrag drag_;
};
