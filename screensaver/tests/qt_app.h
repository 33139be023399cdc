#pragma once
// One QApplication for every test that paints, with the shipped font aliases loaded first.

#include <QApplication>

#include "platform/font_alias.h"

namespace scr::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "screensaver_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        platform::LoadFontAliases(SCR_FONT_ALIASES);
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace scr::test
