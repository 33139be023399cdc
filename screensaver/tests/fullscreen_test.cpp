// TIKO3SCR --fullscreen on an X server without a window manager still covers the screen.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/test_wait.h"
#include "xvfb_server.h"

namespace scr {
namespace {

struct Placement {
    int x = 0, y = 0, width = 0, height = 0;
};

// The largest viewable top-level window titled TIKO3SCR.
Placement LargestSaverWindow(Display* dpy) {
    Placement best;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count))
        return best;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(dpy, children[i], &a) || a.map_state != IsViewable)
            continue;
        char* name = nullptr;
        const bool ours = XFetchName(dpy, children[i], &name) && name && std::string(name) == "TIKO3SCR";
        if (name)
            XFree(name);
        if (ours && a.width * a.height > best.width * best.height)
            best = {a.x, a.y, a.width, a.height};
    }
    if (children)
        XFree(children);
    return best;
}

TEST(FullScreen, CoversTheWholeScreenWithoutAWindowManager) {
    const std::string xvfb = FindInPath("Xvfb");
    if (xvfb.empty())
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb): no X server to show on";
    Xvfb server;
    ASSERT_TRUE(server.Start(xvfb)) << "Xvfb did not start";
    Display* dpy = XOpenDisplay(server.display().c_str());
    ASSERT_NE(dpy, nullptr);

    const TempDir config("scr_full");
    WriteFile(config / "TIKO3SCR.INI", "[TIKO3SCR]\nbType=1\nbSyncUse=0\n");
    const pid_t saver = fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        setenv("TIKO3_NTPLIB_SERVER", "127.0.0.1:9", 1);
        unsetenv("XSCREENSAVER_WINDOW");
        execl(TIKO3SCR_PATH, "TIKO3SCR", "--fullscreen", static_cast<char*>(nullptr));
        _exit(127);
    }

    const int width = DisplayWidth(dpy, DefaultScreen(dpy));
    const int height = DisplayHeight(dpy, DefaultScreen(dpy));
    Placement shown;
    const bool covered = WaitUntil(
        [&] {
            shown = LargestSaverWindow(dpy);
            return shown.width == width && shown.height == height;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(covered) << "TIKO3SCR shows " << shown.width << "x" << shown.height << "+" << shown.x << "+"
                         << shown.y << " on a " << width << "x" << height << " screen";
    EXPECT_EQ(shown.x, 0);
    EXPECT_EQ(shown.y, 0);

    kill(saver, SIGTERM);
    waitpid(saver, nullptr, 0);
    XCloseDisplay(dpy);
}

}  // namespace
}  // namespace scr
