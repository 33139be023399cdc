#pragma once
// How the dialogs tell the user something or ask OK/Cancel. Tests put in their own asker that
// records the texts and answers at once.

#include <QString>

class QWidget;

class IMessageAsker {
public:
    virtual ~IMessageAsker() = default;
    // A message box with an OK button; returns when it is read.
    virtual void Tell(QWidget* parent, const QString& text) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
};

// Real message boxes titled "TIKo3".
class CMessageBoxAsker final : public IMessageAsker {
public:
    void Tell(QWidget* parent, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& text) override;
};

// The program's asker (message boxes), for callers that are given none.
IMessageAsker& DefaultMessageAsker();
