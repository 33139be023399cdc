#pragma once
// A borderless clock window: a region label over the date and the time. With region index -1
// it is the Korean clock-only window; world clocks are further instances with their region.

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <functional>

#include "platform/clock.h"
#include "runtime/observer.h"
#include "shell/clock_texts.h"
#include "shell/shell_context.h"

class CTikoDlg_TimeSlim : public QDialog, public CLumAOSM_Observer {
    Q_OBJECT

public:
    // What the window shows; the default is Korean standard time from the context's clock.
    using TimeSource = std::function<platform::CivilTime()>;

    // Sized to the base picture (190 x 38), not scaled until SetScale; subscribes to signal 48
    // and takes the see-through flag from bWorldClockTransparent.
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
    const platform::CivilTime& shownTime() const { return time_; }
    SlimTexts texts() const;
    QString labelText() const;
    // The picture at the base size, as the window stretches it.
    QImage Picture() const;

    // Armed while shown, due at the clock's next second boundary.
    const QTimer& secondTimer() const { return secondTimer_; }

    // Keeps the window above others when bTopMost is 1.
    void ApplyTopMost();
    bool shown() const { return isVisible(); }

    // Mediator thread: 48 re-reads fScale on the GUI thread.
    int Receive(const CLumAOSM_Message* message, const char* tag) override;

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
    void ArmSecondTimer();
    void ApplyScaleFromSettings();
    bool Hour24() const;
    bool WhiteBackground() const;
    void UpdateAccessibleText();

    ShellContext context_;
    IMainFrame& frame_;
    int regionIndex_;
    QString name_;
    bool menuTarget_ = false;
    float scale_ = 1.0f;
    bool keyWhite_ = false;
    TimeSource source_;
    platform::CivilTime time_;
    QString shownText_;
    QTimer secondTimer_;  // single shot at the start of each second while shown
    QImage image_;

    bool dragging_ = false;
    QPoint dragWindowStart_;
    QPoint dragMouseStart_;
};
