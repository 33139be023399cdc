#include "dialogs/tikopropage_alarm.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <optional>
#include <string>

#include "dialogs/message_asker.h"
#include "encoding/cp949.h"
#include "treestore/conf_schema.h"
#include "windowkit/access_keys.h"
#include "windowkit/runtime_bridge.h"

namespace {

constexpr char kUnstorablePath[] = "이 파일 이름은 저장할 수 없습니다. 다른 이름의 파일을 선택하십시오.\n%1";

// Layout in dialog units.
constexpr QRect kAlarm{12, 10, 90, 10};
constexpr QRect kSoundGroup{7, 28, 236, 68};
constexpr QRect kBuiltin{18, 42, 90, 10};
constexpr QRect kUser{18, 56, 90, 10};
constexpr QRect kFile{18, 74, 164, 13};
constexpr QRect kChoose{186, 73, 50, 15};
constexpr QRect kSchedules{52, 110, 66, 16};
constexpr QRect kReport{132, 110, 66, 16};

// The platform's file-open dialog for a wave file; read-only mode is not offered.
QString ChooseWaveFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("소리선택"), QString(), QStringLiteral("*.wav"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

CTikoProPage_Alarm::CTikoProPage_Alarm(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                                       QWidget* parent)
    : CSetupPage(QStringLiteral("알람설정"), parent),
      context_(context),
      frame_(frame),
      asker_(asker),
      chooser_(ChooseWaveFile) {
    alarm_ = Place(new QCheckBox(QStringLiteral("알람 기능")), kAlarm, 1082);
    Place(new QGroupBox(QStringLiteral("알람소리")), kSoundGroup);
    builtin_ = Place(new QRadioButton(QStringLiteral("에밀레")), kBuiltin, 1051);
    user_ = Place(new QRadioButton(QStringLiteral("사용자정의")), kUser, 1052);
    file_ = Place(new QLineEdit, kFile, 1055);
    file_->setReadOnly(true);
    file_->setAccessibleName(QStringLiteral("사용자정의 소리 파일"));
    choose_ = Place(new QPushButton(QStringLiteral("소리선택")), kChoose, 1056);
    auto* schedules = Place(new QPushButton(QStringLiteral("일정관리")), kSchedules, 1053);
    auto* report = Place(new QPushButton(QStringLiteral("일정보기")), kReport, 1054);
    SetAccessKeys(*this, access_keys::kAlarmPage);

    Open();

    // However a box changes (mouse, keyboard, a screen reader's action), its setting follows.
    connect(alarm_, &QCheckBox::toggled, this, &CTikoProPage_Alarm::OnAlarmClicked);
    connect(builtin_, &QRadioButton::toggled, this, &CTikoProPage_Alarm::OnBuiltinClicked);
    connect(user_, &QRadioButton::toggled, this, &CTikoProPage_Alarm::OnUserClicked);
    connect(choose_, &QPushButton::clicked, this, &CTikoProPage_Alarm::ChooseSound);
    connect(schedules, &QPushButton::clicked, this, [this] {
        frame_.ShowScheduleDialog();
        emit closeSheetRequested();
    });
    connect(report, &QPushButton::clicked, this, [this] { frame_.WriteScheduleReport(); });
}

Class_TIKOCONF_ALARM* CTikoProPage_Alarm::Alarm() const {
    return context_.conf != nullptr ? context_.conf->Alarm() : nullptr;
}

void CTikoProPage_Alarm::Open() {
    const Class_TIKOCONF_ALARM* alarm = Alarm();
    const bool on = alarm != nullptr && alarm->bAlarm.load() != 0;
    alarm_->setChecked(on);
    alarm_->setEnabled(alarm != nullptr);
    // The sound choice shows even while the alarms are off, greyed.
    const bool builtin = alarm == nullptr || alarm->bBuiltinSound.load() != 0;
    builtin_->setChecked(builtin);
    user_->setChecked(!builtin);
    builtin_->setEnabled(on);
    user_->setEnabled(on);
    EnableSoundControls();
    ShowSoundFile();
}

void CTikoProPage_Alarm::OnAlarmClicked() {
    Class_TIKOCONF_ALARM* alarm = Alarm();
    if (alarm == nullptr)
        return;
    const bool on = alarm_->isChecked();
    context_.bridge->SetAlarms(on);  // written, and the alarm manager told
    builtin_->setEnabled(on);
    user_->setEnabled(on);
    if (on) {
        const bool builtin = alarm->bBuiltinSound.load() != 0;
        const QSignalBlocker blockBuiltin(builtin_);
        const QSignalBlocker blockUser(user_);
        builtin_->setChecked(builtin);
        user_->setChecked(!builtin);
    }
    EnableSoundControls();
    ShowSoundFile();
}

void CTikoProPage_Alarm::OnBuiltinClicked() {
    if (Class_TIKOCONF_ALARM* alarm = Alarm())
        alarm->bBuiltinSound.store(builtin_->isChecked() ? 1 : 0);
    const QSignalBlocker block(user_);
    user_->setChecked(!builtin_->isChecked());
    EnableSoundControls();
}

void CTikoProPage_Alarm::OnUserClicked() {
    if (Class_TIKOCONF_ALARM* alarm = Alarm())
        alarm->bBuiltinSound.store(user_->isChecked() ? 0 : 1);
    const QSignalBlocker block(builtin_);
    builtin_->setChecked(!user_->isChecked());
    EnableSoundControls();
}

void CTikoProPage_Alarm::EnableSoundControls() {
    const bool userSound = alarm_->isChecked() && user_->isChecked();
    choose_->setEnabled(userSound);
    file_->setEnabled(userSound);
}

void CTikoProPage_Alarm::ShowSoundFile() {
    const Class_TIKOCONF_ALARM* alarm = Alarm();
    if (alarm == nullptr)
        return;
    // Bytes that are not cp949 are played as a UTF-8 name (the alarm manager does the same), so
    // they are shown as one.
    const std::string stored = alarm->strSoundFile.Get();
    file_->setText(QString::fromStdString(encoding::Cp949ToUtf8(stored).value_or(stored)));
}

void CTikoProPage_Alarm::ChooseSound() {
    Class_TIKOCONF_ALARM* alarm = Alarm();
    if (alarm == nullptr || !chooser_)
        return;
    const QString path = chooser_(this);
    if (path.isEmpty())
        return;
    // The store holds cp949; a name it cannot hold would come back as another file's name.
    const std::optional<std::string> bytes = encoding::Utf8ToCp949(path.toStdString());
    if (!bytes) {
        asker_.Tell(this, QString::fromUtf8(kUnstorablePath).arg(path));
        return;
    }
    alarm->strSoundFile.Set(*bytes);
    ShowSoundFile();
}
