#include "screensaver/config_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstring>
#include <utility>

namespace scr {

CScrConfigDlg::CScrConfigDlg(std::string iniPath, QWidget* parent)
    : QDialog(parent), iniPath_(std::move(iniPath)) {
    setWindowTitle(QStringLiteral("TIKo Screen Saver 3.0"));
    // A title bar without a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    QFont font(QStringLiteral("굴림"));
    font.setPointSize(9);
    setFont(font);

    auto* type = new QGroupBox(QStringLiteral("Type"));
    analog_ = new QRadioButton(QStringLiteral("아날로그시계"));
    digital_ = new QRadioButton(QStringLiteral("디지탈시계"));
    analog_->setObjectName(QStringLiteral("1000"));
    digital_->setObjectName(QStringLiteral("1001"));
    // Like a radio group of a dialog template: none need be checked.
    analog_->setAutoExclusive(false);
    digital_->setAutoExclusive(false);
    connect(analog_, &QRadioButton::clicked, this, [this] {
        digital_->setChecked(false);
        analog_->setChecked(true);
    });
    connect(digital_, &QRadioButton::clicked, this, [this] {
        analog_->setChecked(false);
        digital_->setChecked(true);
    });
    auto* typeBox = new QVBoxLayout(type);
    typeBox->addWidget(analog_);
    typeBox->addWidget(digital_);

    calendar_ = new QCheckBox(QStringLiteral("달력표시"));
    calendar_->setObjectName(QStringLiteral("1002"));
    mode24_ = new QCheckBox(QStringLiteral("24시간제 표시"));
    mode24_->setObjectName(QStringLiteral("1005"));

    auto* sync = new QGroupBox(QStringLiteral("동기"));
    syncOn_ = new QCheckBox(QStringLiteral("사용"));
    syncOn_->setObjectName(QStringLiteral("1003"));
    interval_ = new QLineEdit;
    interval_->setObjectName(QStringLiteral("1004"));
    interval_->setValidator(new QIntValidator(interval_));
    auto* every = new QHBoxLayout;
    every->addWidget(new QLabel(QStringLiteral("매")));
    every->addWidget(interval_);
    every->addWidget(new QLabel(QStringLiteral("초 마다")));
    auto* syncBox = new QVBoxLayout(sync);
    syncBox->addWidget(syncOn_);
    syncBox->addLayout(every);

    ok_ = new QPushButton(QStringLiteral("OK"));
    ok_->setObjectName(QStringLiteral("1"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CScrConfigDlg::OnOk);
    // Latin access keys that leave the captions as they are (Alt and a Hangul letter cannot be
    // typed in Hangul mode); the tool tip says the key.
    const std::pair<QAbstractButton*, char> keys[] = {{analog_, 'A'}, {digital_, 'D'}, {calendar_, 'C'},
                                                      {mode24_, 'H'}, {syncOn_, 'S'},  {ok_, 'O'}};
    for (const auto& [button, key] : keys) {
        button->setShortcut(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(key)));
        button->setToolTip(button->shortcut().toString(QKeySequence::NativeText));
    }

    auto* top = new QVBoxLayout(this);
    top->addWidget(type);
    top->addWidget(calendar_);
    top->addWidget(mode24_);
    top->addWidget(sync);
    top->addWidget(ok_, 0, Qt::AlignRight);

    ReadSettings(iniPath_, settings_);
    (settings_.bType ? digital_ : analog_)->setChecked(true);
    calendar_->setChecked(settings_.bCarlendar != 0);
    syncOn_->setChecked(settings_.bSyncUse != 0);
    mode24_->setChecked(settings_.n24Mode != 0);
    interval_->setText(QString::number(settings_.nSyncDuration));
}

void CScrConfigDlg::reject() {}

void CScrConfigDlg::closeEvent(QCloseEvent* e) {
    // Closing only through OK, which calls done() and hides the dialog without a close event.
    e->ignore();
}

void CScrConfigDlg::OnOk() {
    if (analog_->isChecked())
        settings_.bType = 0;
    else if (digital_->isChecked())
        settings_.bType = 1;
    settings_.bCarlendar = calendar_->isChecked() ? 1 : 0;
    settings_.n24Mode = mode24_->isChecked() ? 1 : 0;
    settings_.bSyncUse = syncOn_->isChecked() ? 1 : 0;
    // The validator admits only signed integers; an empty or lone sign field counts as 0.
    settings_.nSyncDuration = LeadingInt(interval_->text().toStdString());
    if (!WriteSettings(iniPath_, settings_)) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("설정을 저장하지 못했습니다: %1\n%2").arg(QString::fromStdString(iniPath_), why));
        return;
    }
    done(1);
}

}  // namespace scr
