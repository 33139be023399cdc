#pragma once
// A screen-saver switch for dialog tests: keeps whether a screen saver is chosen in memory and can
// refuse every change with a message.

#include <QString>

#include "dialogs/screensaver_switch.h"

namespace dialogs_test {

class FakeScreenSaverSwitch final : public IScreenSaverSwitch {
public:
    bool IsChosen() const override { return chosen; }
    QString Choose() override { return Change(true); }
    QString Unchoose() override { return Change(false); }

    bool chosen = false;
    QString refusal;  // while non-empty, every change is refused with it
    int changes = 0;  // Choose and Unchoose calls, refused ones included

private:
    QString Change(bool on) {
        ++changes;
        if (!refusal.isEmpty())
            return refusal;
        chosen = on;
        return {};
    }
};

}  // namespace dialogs_test
