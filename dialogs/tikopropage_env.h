#pragma once
// The settings sheet's environment page ("환경설정"): sound, blink, start-up
// compare, screen saver, log, top-most, clock-only, 24-hour and see-through
// world clocks; the clock and message colours; the world clock scale; automatic
// synchronisation and its period; the user's time offset; and a reset to the
// initial values. Every change is written at once; those a manager or a window must hear of go
// through the runtime bridge, which the context must carry.

#include <QColor>
#include <functional>
#include <optional>

#include "dialogs/setup_page.h"
#include "windowkit/shell_context.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class IMessageAsker;
class IScreenSaverSwitch;

class CTikoProPage_Env : public CSetupPage {
    Q_OBJECT

public:
    // Picks a colour starting from `initial`; nothing when the user cancels.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

    CTikoProPage_Env(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                     IScreenSaverSwitch& saver, QWidget* parent = nullptr);
    ~CTikoProPage_Env() override;

    // The colour dialog the swatches open (QColorDialog unless replaced, as tests
    // do).
    void SetColorChooser(ColorChooser chooser);

    // The number (1-4) of the swatch whose colour dialog is open, 0 for none.
    int ColorDialogNumber() const { return colorDialog_; }

    // 적용 of the time offset and 초기값, also reached through their buttons.
    void ApplyTimeOffset();
    void ResetToInitial();

private:
    class Swatch;

    void Open();
    void OnFlagBox(int id, bool ticked);
    void OnScreenSaver(bool ticked);
    void OnAutoSync(bool ticked);
    void OnPeriodEdited(const QString& text);
    void OnSwatch(int number);
    void OnScaleChosen();
    void EnablePeriod(bool on);
    // Moves the clock by `minutes`; false (after telling the user why) when it could not be set.
    bool MoveClock(long long minutes);

    ShellContext context_;
    IMainFrame& frame_;
    IMessageAsker& asker_;
    IScreenSaverSwitch& saver_;
    ColorChooser chooser_;
    int colorDialog_ = 0;

    QCheckBox* sound_ = nullptr;           // 1001
    QCheckBox* blink_ = nullptr;           // 1010
    QCheckBox* compareAtStart_ = nullptr;  // 1011
    QCheckBox* screenSaver_ = nullptr;     // 1007
    QCheckBox* log_ = nullptr;             // 1012
    QCheckBox* topMost_ = nullptr;         // 1013
    QCheckBox* clockOnly_ = nullptr;       // 1014
    QCheckBox* hour24_ = nullptr;          // 1046
    QCheckBox* transparent_ = nullptr;     // 1050
    Swatch* swatches_[4] = {};             // 1008, 1009, 1017, 1018
    QSlider* scale_ = nullptr;             // 1020
    QCheckBox* autoSync_ = nullptr;        // 1002
    QLabel* periodBefore_ = nullptr;       // "매"
    QLineEdit* period_ = nullptr;          // 1004
    QLabel* periodAfter_ = nullptr;        // "분마다 동기"
    QLineEdit* offset_ = nullptr;          // 1021
    QPushButton* apply_ = nullptr;         // 1022
    QPushButton* reset_ = nullptr;         // 1015
};
