#pragma once
// The main dialog: a running clock of Korean time, the last compare or synchronisation result,
// the two request buttons and the row of window buttons. Dragged by its whole client area.

#include <QDialog>
#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>

#include "windowkit/shell_context.h"
#include "windowkit/window_drag.h"
#include "windowkit/window_layout.h"

class QFrame;
class QLabel;

class QPushButton;
class CLumStatic_Color;
class CLumWnd_Clock;

class CTikoDlg_Main : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFlashPeriodMs = 100;

    // Builds the controls of dialog resource 129 and follows the bridge's compare and
    // synchronisation results.
    CTikoDlg_Main(const ShellContext& context, IMainFrame& frame, QWidget* parent = nullptr);

    // A result arrived (synchronise: it may flash); an unreadable one only ends the wait.
    void ShowResult(const QString& text, bool synchronised, bool readable = true);
    // One tick of the flash timer.
    void FlashTick();
    // Keeps the window above others when bTopMost is 1 (position and size unchanged).
    void ApplyTopMost();

    bool shown() const { return isVisible(); }
    bool flashing() const { return flashTimer_.isActive(); }
    // The box that explains why the person's own 동기 could not set the clock, while it is open.
    QMessageBox* causeBox() const { return causeBox_; }
    int flashCounter() const { return flashCounter_; }
    DialogBaseUnits baseUnits() const { return units_; }

    CLumWnd_Clock* clock() const { return clock_; }
    CLumStatic_Color* messageLine() const { return message_; }
    QPushButton* worldTimeButton() const { return worldTime_; }
    QPushButton* settingsButton() const { return settings_; }
    QPushButton* helpButton() const { return help_; }
    QPushButton* hideButton() const { return hide_; }
    QPushButton* compareButton() const { return compare_; }
    QPushButton* syncButton() const { return sync_; }
    QLabel* logo() const { return logo_; }

    void setVisible(bool visible) override;
    // Escape: hidden, or minimised where there is no tray to bring it back.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The tray menu's commands, also from the Menu key and Shift+F10.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The dialog's place, into the configuration, when a drag has moved it.
    void RememberPosition();
    QPushButton* MakeButton(const char* caption, const QRect& dlu);
    void EnableRequests(bool enabled);
    void OnCompare();
    void OnSync();
    void OnHide();
    bool TopMostWanted() const;

    ShellContext context_;
    IMainFrame& frame_;
    int32_t msgBack_;
    int32_t msgText_;
    DialogBaseUnits units_;

    CLumWnd_Clock* clock_ = nullptr;
    CLumStatic_Color* message_ = nullptr;
    QPushButton* worldTime_ = nullptr;
    QPushButton* settings_ = nullptr;
    QPushButton* help_ = nullptr;
    QPushButton* hide_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* sync_ = nullptr;
    QFrame* clockFrame_ = nullptr;
    QLabel* logo_ = nullptr;

    QString lastSyncMessage_;
    QPointer<QMessageBox> causeBox_;
    QTimer flashTimer_;
    int flashCounter_ = 0;

    WindowDrag drag_;
    bool reshowing_ = false;  // a flag change re-shows the window; that is not a new showing
};
