#pragma once
// The settings sheet "설정": the four pages in tabs, OK and Cancel. Every page writes its fields
// the moment a control changes, so both buttons only close it.

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <optional>

#include "windowkit/shell_context.h"

class QPushButton;
class QTabWidget;
class IMessageAsker;
class IScreenSaverSwitch;
class CTikoProPage_SyncInfo;
class CTikoProPage_Env;
class CTikoProPage_Alarm;
class CTikoProPage_Com;

// Where the sheet goes when shown near `parent`: 40 pixels right of and below its top-left corner
// when the desktop reaches at least 200 pixels past the parent's right and bottom edges, else
// nowhere in particular (nullopt).
std::optional<QPoint> SheetPlacement(const QRect& desktop, const QRect& parent);

class CTikoProSheet_Setup : public QDialog {
    Q_OBJECT

public:
    // `near` is the window the sheet is placed against. It is not the sheet's parent: a close of
    // the program while the sheet runs destroys that window, which must not take the sheet from
    // under its own exec.
    CTikoProSheet_Setup(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                        IScreenSaverSwitch& saver, QWidget* near = nullptr);
    ~CTikoProSheet_Setup() override;

    QTabWidget* tabs() const { return tabs_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    CTikoProPage_SyncInfo* syncInfoPage() const { return syncInfo_; }
    CTikoProPage_Env* envPage() const { return env_; }
    CTikoProPage_Alarm* alarmPage() const { return alarm_; }
    CTikoProPage_Com* comPage() const { return com_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> near_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    CTikoProPage_SyncInfo* syncInfo_ = nullptr;
    CTikoProPage_Env* env_ = nullptr;
    CTikoProPage_Alarm* alarm_ = nullptr;
    CTikoProPage_Com* com_ = nullptr;
    bool placed_ = false;
};
