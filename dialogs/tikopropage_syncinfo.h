#pragma once
// The synchronisation information page ("동기정보"): the stored result of the last
// synchronisation, who may set the clock here, and a button to the time service's web page.

#include <QString>

#include "dialogs/setup_page.h"
#include "windowkit/shell_context.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class IMainFrame;
class IMessageAsker;

class CTikoProPage_SyncInfo : public CSetupPage {
    Q_OBJECT

public:
    // The public NTP pool's Korean zone, where the default servers come from.
    static constexpr char kServiceAddress[] = "https://www.pool.ntp.org/zone/kr";

    CTikoProPage_SyncInfo(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                          QWidget* parent = nullptr);

    // 1013: the service's page in the browser; a message when no browser could be started.
    void OpenServicePage();
    // The line under the three texts: who may set the clock, and the system's own synchronisation.
    QString ClockAuthorityText() const;

private:
    IMainFrame& frame_;
    IMessageAsker& asker_;
    QLineEdit* lastSync_ = nullptr;
    QLineEdit* lastOffset_ = nullptr;
    QPlainTextEdit* server_ = nullptr;
    QLabel* clockAuthority_ = nullptr;
};
