#pragma once
// The screen-saver box against the user's xscreensaver settings: our screen saver is TIKO3SCR,
// found beside LumClient in a build tree or in the install's screen-saver folder.

#include <QString>
#include <filesystem>
#include <memory>

#include "dialogs/screensaver_switch.h"

// Where the screen saver lies for a LumClient at `programPath`: in a build tree
// <build>/shell/LumClient has <build>/screensaver/TIKO3SCR; installed, <prefix>/bin/LumClient has
// <prefix>/libexec/xscreensaver/TIKO3SCR.
struct ScreenSaverPlaces {
    std::filesystem::path inBuildTree;
    std::filesystem::path installed;
};
ScreenSaverPlaces ScreenSaverPlacesFor(const std::filesystem::path& programPath);

// The message for a screen saver that is not where it should be: the first sentence as the
// program always said it, then the place it was looked for and how to put it there.
QString ScreenSaverMissingText(const std::filesystem::path& expected, bool buildTree);

class XScreenSaverSwitch final : public IScreenSaverSwitch {
public:
    // `settings` is the user's ~/.xscreensaver; `programPath` the running LumClient.
    XScreenSaverSwitch(std::filesystem::path settings, const std::filesystem::path& programPath);

    // On $HOME/.xscreensaver for this program.
    static std::unique_ptr<XScreenSaverSwitch> ForThisProgram();

    bool IsChosen() const override;
    QString Choose() override;
    QString Unchoose() override;

    // The screen saver found (where it is expected first), or empty.
    std::filesystem::path ScreenSaver() const;

private:
    std::filesystem::path settings_;
    std::filesystem::path expected_;
    std::filesystem::path other_;
    bool buildTree_ = false;
};
