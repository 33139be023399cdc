#pragma once
// The environment page's "스크린세이버 사용" against the user's screen-saver settings, behind an
// interface so that tests never touch the real ~/.xscreensaver.

#include <QString>

class IScreenSaverSwitch {
public:
    virtual ~IScreenSaverSwitch() = default;
    // True when the user's settings select a screen saver (any program, not only ours).
    virtual bool IsChosen() const = 0;
    // Ticking the box: our screen saver chosen and switched on. Empty on success; otherwise the
    // message for the user, and the settings are left as they were.
    virtual QString Choose() = 0;
    // Unticking the box: the screen saver switched off. Empty on success, else the message.
    virtual QString Unchoose() = 0;
};
