#pragma once
// The buttons and captions Qt draws itself (a message box's OK, the colour and file dialogs)
// in Korean like the rest of the program, whatever the session's language.

class QCoreApplication;
class QString;

// Installs Qt's own Korean translation from `directory` (Qt's translations directory when
// empty). False when the file is not installed; the program then goes on with Qt's English.
bool InstallQtKoreanTranslation(QCoreApplication& app, const QString& directory);
