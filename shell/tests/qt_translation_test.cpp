#include "shell/qt_translation.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "tests/support/temp_dir.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

void RemoveTranslators(QCoreApplication& app) {
    for (QTranslator* translator : app.findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

TEST(QtTranslation, MessageBoxButtonsAreKoreanWhereTheTranslationIsInstalled) {
    QApplication& app = shell_test::App();
    const QString file = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ko.qm");
    if (!QFileInfo::exists(file))
        GTEST_SKIP() << "qt6-translations-l10n is not installed";
    ASSERT_TRUE(InstallQtKoreanTranslation(app, QString()));
    QMessageBox box(QMessageBox::Information, QStringLiteral("TIKo3"), QStringLiteral("x"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("확인"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("취소"));
    RemoveTranslators(app);
}

TEST(QtTranslation, AMissingTranslationLeavesQtsOwnTexts) {
    QApplication& app = shell_test::App();
    TempDir empty;
    EXPECT_FALSE(InstallQtKoreanTranslation(app, QString::fromStdString(empty.path().string())));
    EXPECT_TRUE(app.findChildren<QTranslator*>().isEmpty());
}

}  // namespace
