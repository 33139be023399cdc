#pragma once
// What the four pages of the settings sheet share: one size, the dialog font, and controls
// placed in dialog units, laid out again whenever the font changes.

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

// Every page has the same size, so the sheet does not jump between tabs.
inline constexpr QSize kSetupPageSize{250, 150};

class CSetupPage : public QWidget {
    Q_OBJECT

public:
    // `caption` is the page's tab label (its window title).
    explicit CSetupPage(const QString& caption, QWidget* parent = nullptr);

protected:
    // Makes `control` a child of the page at `dlu` (dialog units); a non-zero `id` becomes its
    // object name, so tests and screen readers' tools can find it by the control's number.
    template <class W>
    W* Place(W* control, const QRect& dlu, int id = 0) {
        control->setParent(this);
        if (id != 0)
            control->setObjectName(QString::number(id));
        placed_.emplace_back(control, dlu);
        PlaceOne(control, dlu);
        return control;
    }

    void changeEvent(QEvent* event) override;

private:
    void PlaceOne(QWidget* control, const QRect& dlu) const;
    void Relayout();

    std::vector<std::pair<QPointer<QWidget>, QRect>> placed_;
};
