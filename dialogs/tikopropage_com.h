#pragma once
// The serial transmission page ("시각전송"): ports, line speed, compensation, automatic or manual
// mode, a typed time sent on request, and a lamp that flashes whenever a telegram has gone out.

#include <QTimer>
#include <functional>

#include "dialogs/setup_page.h"
#include "timeservices/comm_mgr.h"
#include "windowkit/shell_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class IMainFrame;
class IMessageAsker;
class Class_TIKOCONF_COMM;

class CTikoProPage_Com : public CSetupPage {
    Q_OBJECT

public:
    // How long the lamp stays lit after a transmission.
    static constexpr int kLampFlashMs = 50;

    // Lights the lamp whenever the bridge says a telegram went out.
    CTikoProPage_Com(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                     QWidget* parent = nullptr);

    // 전송: the typed time as a telegram, sent through the bridge. Refused (with a message, nothing
    // sent) when a number would not fit the telegram's two digits.
    void Send();

    bool IsLampOn() const { return lampOn_; }

signals:
    // The lamp went on or off; a screen reader reads the same from its description.
    void lampChanged(bool on);

private:
    void Open();
    void SetMode(bool automatic, bool publish);
    void SetLamp(bool on);
    Class_TIKOCONF_COMM* Comm() const;

    ShellContext context_;
    IMessageAsker& asker_;
    QCheckBox* ports_[4] = {};
    QComboBox* baud_ = nullptr;
    QLineEdit* compensation_ = nullptr;
    QCheckBox* auto_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QComboBox* unit_ = nullptr;
    QLabel* autoLabels_[2] = {};
    QCheckBox* manual_ = nullptr;
    QLineEdit* time_[3] = {};
    QLabel* timeLabels_[3] = {};
    QPushButton* send_ = nullptr;
    QLabel* lamp_ = nullptr;
    QTimer lampOff_;
    bool lampOn_ = false;
};
