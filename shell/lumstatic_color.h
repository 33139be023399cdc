#pragma once
// The main dialog's message line: a static text with its own text and background colours,
// recoloured from the environment settings when the runtime bridge says they changed.

#include <QColor>
#include <QLabel>
#include <cstdint>

#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"

class CLumStatic_Color : public QLabel, public IShownText {
    Q_OBJECT

public:
    // Follows the bridge's colour changes when the context has one.
    explicit CLumStatic_Color(const ShellContext& context, QWidget* parent = nullptr);

    // A new message: shown, and told to a screen reader. A flash blanks the text on the screen
    // only; the reader keeps the message.
    void ShowMessage(const QString& text);
    QString ShownText() const override { return OneLine(message_); }

    // COLORREF values; -1 is the system's button-text (button-face) colour.
    void SetTextColor(int32_t colorRef);
    void SetBkColor(int32_t colorRef);
    QColor textColor() const { return text_; }
    QColor bkColor() const { return back_; }

    // Takes the colours of the environment node (crMsgBack and crMsgText).
    void ApplyConfiguredColors();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ShellContext context_;
    QColor text_;
    QColor back_;
    QString message_;
};
