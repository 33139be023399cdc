#pragma once
// The alarm pop-up: a small picture window that slides up in the bottom-right corner, stays for
// the display time, slides down and deletes itself. A click opens the alarm's full text.

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "shell/popup_geometry.h"
#include "windowkit/accessible_text.h"

class ILauncher;

inline constexpr char kAlarmFileName[] = "알람.txt";

class CTaskBarMsgWnd : public QWidget, public IShownText {
    Q_OBJECT

public:
    // `launcher` opens the alarm file on a click; it must outlive the pop-up.
    CTaskBarMsgWnd(const QString& text, int width, int height, int displayMs, int stepMs,
                   const QRect& textRect, QColor background, ILauncher& launcher);
    ~CTaskBarMsgWnd() override;

    void SetDetailText(const QString& text) { detail_ = text; }
    // Starts the slide on the primary screen's work area. The window deletes itself at the end.
    void PopMsg();

    const QString& Text() const { return text_; }
    // A notification, said as one line.
    QString ShownText() const override { return OneLine(text_); }
    QAccessible::Role ShownRole() const override { return QAccessible::Notification; }
    bool Hovering() const { return hover_; }
    const PopupSlide* Slide() const { return slide_.get(); }

    // Writes "./알람.txt" (UTF-8) with the detail text and opens it; what a click does.
    bool OpenDetail();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Escape and Return close it early.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnStep();
    void SetHover(bool hover);

    QString detail_;
    int width_;
    int height_;
    int displayMs_;
    int stepMs_;
    QString text_;
    QRect textRect_;
    QFont font_;
    QFont underlined_;
    bool hover_ = false;
    QPixmap picture_;
    ILauncher& launcher_;
    std::unique_ptr<PopupSlide> slide_;
    QTimer stepTimer_;
    QTimer stayTimer_;
};
