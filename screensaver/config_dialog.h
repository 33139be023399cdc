#pragma once
// The configuration dialog "TIKo Screen Saver 3.0". OK is its only way out.

#include <QDialog>

#include <string>

#include "screensaver/settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace scr {

class CScrConfigDlg : public QDialog {
    Q_OBJECT

public:
    explicit CScrConfigDlg(std::string iniPath, QWidget* parent = nullptr);

    QRadioButton* analog() const { return analog_; }
    QRadioButton* digital() const { return digital_; }
    QCheckBox* calendar() const { return calendar_; }
    QCheckBox* mode24() const { return mode24_; }
    QCheckBox* syncOn() const { return syncOn_; }
    QLineEdit* interval() const { return interval_; }
    QPushButton* ok() const { return ok_; }
    const ScrSettings& settings() const { return settings_; }

public slots:
    // Escape and the window manager's close land here: the dialog stays open.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OnOk();

    std::string iniPath_;
    ScrSettings settings_;
    QRadioButton* analog_;
    QRadioButton* digital_;
    QCheckBox* calendar_;
    QCheckBox* mode24_;
    QCheckBox* syncOn_;
    QLineEdit* interval_;
    QPushButton* ok_;
};

}  // namespace scr
