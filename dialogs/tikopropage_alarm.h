#pragma once
// The alarm page ("알람설정"): schedule alarms on or off, the built-in or the user's sound, and
// the way to the schedule dialog and its report.

#include <QString>
#include <functional>

#include "dialogs/setup_page.h"
#include "windowkit/shell_context.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class IMainFrame;
class IMessageAsker;
class Class_TIKOCONF_ALARM;

class CTikoProPage_Alarm : public CSetupPage {
    Q_OBJECT

public:
    // Asks for a sound file: its full path, or empty when the person cancels.
    using SoundChooser = std::function<QString(QWidget* parent)>;

    CTikoProPage_Alarm(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                       QWidget* parent = nullptr);

    // Tests put in their own chooser; the page opens a file dialog for "*.wav" otherwise.
    void SetSoundChooser(SoundChooser chooser) { chooser_ = std::move(chooser); }

signals:
    // 일정관리 has opened the schedule dialog; the sheet closes.
    void closeSheetRequested();

private:
    void Open();
    void OnAlarmClicked();
    void OnBuiltinClicked();
    void OnUserClicked();
    void ChooseSound();
    void EnableSoundControls();
    void ShowSoundFile();
    Class_TIKOCONF_ALARM* Alarm() const;

    ShellContext context_;
    IMainFrame& frame_;
    IMessageAsker& asker_;
    SoundChooser chooser_;
    QCheckBox* alarm_ = nullptr;
    QRadioButton* builtin_ = nullptr;
    QRadioButton* user_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* choose_ = nullptr;
};
