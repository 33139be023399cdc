#include "shell/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

bool InstallQtKoreanTranslation(QCoreApplication& app, const QString& directory) {
    const QString where =
        directory.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : directory;
    // Owned by the application, so it lives as long as the texts it translates.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ko"), where)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
