#include "dialogs/message_asker.h"

#include <QMessageBox>

namespace {

const QString kTitle = QStringLiteral("TIKo3");

}  // namespace

void CMessageBoxAsker::Tell(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

bool CMessageBoxAsker::Confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

IMessageAsker& DefaultMessageAsker() {
    static CMessageBoxAsker asker;
    return asker;
}
