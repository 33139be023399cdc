#include "dialogs/setup_page.h"

#include <QEvent>

#include "windowkit/window_layout.h"

CSetupPage::CSetupPage(const QString& caption, QWidget* parent) : QWidget(parent) {
    setWindowTitle(caption);
    setFont(DialogFont());
    Relayout();
}

void CSetupPage::PlaceOne(QWidget* control, const QRect& dlu) const {
    control->setGeometry(DluToPixels(dlu, BaseUnitsOf(font())));
}

void CSetupPage::Relayout() {
    setFixedSize(DluToPixels(kSetupPageSize, BaseUnitsOf(font())));
    for (const auto& [control, dlu] : placed_)
        if (control != nullptr)
            PlaceOne(control, dlu);
}

void CSetupPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Relayout();
}
