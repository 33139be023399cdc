#include "dialogs/message_asker.h"

#include <QMessageBox>

#include "windowkit/access_keys.h"

namespace {

const QString kTitle = QStringLiteral("TIKo3");

}  // namespace

void CMessageBoxAsker::Tell(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    SetAccessKeys(box);
    box.exec();
}

bool CMessageBoxAsker::Confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Cancel);
    SetAccessKeys(box);
    return box.exec() == QMessageBox::Ok;
}

IMessageAsker& DefaultMessageAsker() {
    static CMessageBoxAsker asker;
    return asker;
}
