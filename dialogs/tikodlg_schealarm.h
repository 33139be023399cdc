#pragma once
// The schedule book editor (dialog resource 131, "일정관리"): pick a date, a time, a repeat kind,
// alarm leads and a memo, and add, change or delete items of the application's schedule book.
// Created hidden by the frame and shown on demand; while it shows, the alarms pause.

#include <QDialog>
#include <filesystem>
#include <string>

#include "treestore/schedule_schema.h"
#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class IMessageAsker;
class Class_TIKOCONF_ALARM;

class CTikoDlg_ScheAlarm : public QDialog {
    Q_OBJECT

public:
    // `workDir` is where "TIKo.sche" is saved when the dialog closes.
    CTikoDlg_ScheAlarm(const ShellContext& context, std::filesystem::path workDir, IMessageAsker& asker,
                       QWidget* parent = nullptr);

    // The message handlers, also reached through the buttons.
    void Add();
    void Change();
    void Delete();
    void DeleteAll();
    // 닫기: position kept, alarms resumed, the book saved, hidden. Escape and the close box take
    // the same path.
    void CloseDialog();
    // Lists the items of `day` and titles the list with it.
    void ListDate(const CLumDate& day);
    // The first selected row's item into the inputs.
    void Select();

    const std::string& selectedKey() const { return selectedKey_; }
    CLumDate shownDate() const;

    QCalendarWidget* calendar() const { return calendar_; }
    QComboBox* hourCombo() const { return hour_; }
    QComboBox* minuteCombo() const { return minute_; }
    QTreeWidget* list() const { return list_; }
    QLineEdit* memo() const { return memo_; }
    QLabel* title() const { return title_; }
    QRadioButton* repeatButton(int kind) const { return repeat_[kind]; }
    QCheckBox* alarmBox(int lead) const { return alarms_[lead]; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Input {
        CLumDate day;
        std::int64_t when = 0;
        std::int64_t now = 0;
        std::string memo;  // cp949
        int repeat = -1;
    };
    // Date, hour and minute; false (after saying which) when a combo names no hour or minute.
    bool ReadInput(Input& input);
    // Everything an added or changed item takes from the inputs, checked in one order; false
    // (after saying why, where the dialog says it) when the item cannot be stored.
    bool ReadItemInput(Input& input, bool adding);
    void StoreInput(Class_TIKOSCHEDULE& item, const Input& input) const;
    // The memo as cp949 bytes; false (after saying so) when a character has no cp949 form.
    bool MemoBytes(std::string& bytes);
    // 0-3, or -1 when no repeat button is checked.
    int CheckedRepeat() const;
    void ResetInputs();
    void Relayout();
    void Tell(const char* text);
    Class_TIKOCONF_ALARM* AlarmSettings() const;

    ShellContext context_;
    std::filesystem::path workDir_;
    IMessageAsker& asker_;
    std::string selectedKey_;
    CLumDate listed_;

    QCalendarWidget* calendar_ = nullptr;
    QGroupBox* timeGroup_ = nullptr;
    QComboBox* hour_ = nullptr;
    QComboBox* minute_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* deleteAll_ = nullptr;
    QPushButton* close_ = nullptr;
    ShownTextLabel* title_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* memoLabel_ = nullptr;
    QLineEdit* memo_ = nullptr;
    QGroupBox* alarmGroup_ = nullptr;
    QRadioButton* repeat_[4] = {};
    QCheckBox* alarms_[8] = {};
};
