#pragma once
// What screen readers are told. A widget that paints its own contents implements IShownText, and
// its accessible name is then what it shows (its caption becomes the description); combo boxes
// are named by their accessible name rather than by their current entry; a check box may be
// exposed as a radio button when it is one of a pair.

#include <QAccessible>
#include <QLabel>
#include <QString>
#include <functional>

class QAbstractButton;
class QObject;
class QWidget;

// Lines joined with single spaces, as one spoken line.
QString OneLine(const QString& text);

class IShownText {
public:
    // The text the widget shows now, one line (no raw line breaks).
    virtual QString ShownText() const = 0;
    virtual QAccessible::Role ShownRole() const { return QAccessible::StaticText; }

protected:
    ~IShownText() = default;
};

// A label whose text is what a reader must hear (a result, an information text); its accessible
// name is the caption, said when it is empty.
class ShownTextLabel : public QLabel, public IShownText {
public:
    explicit ShownTextLabel(QWidget* parent = nullptr);
    // Shows `text` and tells a screen reader when it changed.
    void SetShownText(const QString& text);
    QString ShownText() const override { return OneLine(text()); }
};

// The accessible interfaces above, for every widget made afterwards (GUI thread; idempotent).
void InstallAccessibleInterfaces();

// Drops an interface made for `widget` before its class was whole (an event raised inside a base
// constructor), so the next query gets the one above. Call at the end of its constructor.
void RenewAccessibleInterface(QWidget* widget);

// Tells a screen reader that `widget`'s shown text changed.
void AnnounceShownText(QWidget* widget);

// Exposes a check box that works as one of a pair as a radio button.
void ExposeAsRadioButton(QAbstractButton* box);

// Every AnnounceShownText goes to `hook` too (tests, where no accessibility bridge is active);
// an empty hook removes it.
void SetAnnounceHookForTests(std::function<void(QObject*)> hook);
