// TIKO3SCR drawing into another program's window under a private Xvfb server.

#include "screensaver/x_target.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/support/test_wait.h"
#include "xvfb_server.h"

namespace scr {
namespace {

using namespace std::chrono_literals;

unsigned long PixelAt(Display* dpy, Window w, int x, int y) {
    XImage* img = XGetImage(dpy, w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img)
        return 0xdeadbeef;
    const unsigned long p = XGetPixel(img, 0, 0) & 0xffffff;
    XDestroyImage(img);
    return p;
}

TEST(ForeignWindow, TIKO3SCRDrawsIntoAnotherProgramsWindowAndFollowsIt) {
    const std::string xvfb = FindInPath("Xvfb");
    if (xvfb.empty())
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb): no X server to draw into";
    Xvfb server;
    ASSERT_TRUE(server.Start(xvfb)) << "Xvfb did not start";
    Display* dpy = XOpenDisplay(server.display().c_str());
    ASSERT_NE(dpy, nullptr);

    // The foreign program: a plain window of 640 x 480, the smallest full-screen layout.
    const int screen = DefaultScreen(dpy);
    Window win = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 640, 480, 0, WhitePixel(dpy, screen),
                                     WhitePixel(dpy, screen));
    XMapWindow(dpy, win);
    XSync(dpy, False);

    const TempDir config("scr_xvfb");
    WriteFile(config / "TIKO3SCR.INI", "[TIKO3SCR]\nbType=0\nbCarlendar=0\nbSyncUse=0\n");
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", win);

    const pid_t saver = fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        setenv("DISPLAY", server.display().c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        setenv("TIKO3_NTPLIB_SERVER", "127.0.0.1:9", 1);
        unsetenv("XSCREENSAVER_WINDOW");
        execl(TIKO3SCR_PATH, "TIKO3SCR", "-window-id", id, static_cast<char*>(nullptr));
        _exit(127);
    }

    // The 12 o'clock mark of the 640 x 480 analog face, and the black canvas in a corner.
    const bool drew = WaitUntil([&] { return PixelAt(dpy, win, 319, 30) == 0x397B4A; }, 20s);
    EXPECT_TRUE(drew) << std::hex << PixelAt(dpy, win, 319, 30);
    EXPECT_EQ(PixelAt(dpy, win, 2, 2), 0x000000u);
    EXPECT_EQ(PixelAt(dpy, win, 319, 19), 0x7BFF9Cu);

    // Resized to 800 x 600: the 3 o'clock mark of that layout appears.
    XResizeWindow(dpy, win, 800, 600);
    XSync(dpy, False);
    EXPECT_TRUE(WaitUntil([&] { return PixelAt(dpy, win, 669, 299) == 0x397B4A; }, 20s))
        << std::hex << PixelAt(dpy, win, 669, 299);

    // The window goes away: the screen saver ends by itself.
    XDestroyWindow(dpy, win);
    XSync(dpy, False);
    int status = -1;
    const bool ended = WaitUntil([&] { return waitpid(saver, &status, WNOHANG) == saver; }, 20s);
    if (!ended) {
        kill(saver, SIGKILL);
        waitpid(saver, &status, 0);
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    XCloseDisplay(dpy);
}

TEST(ForeignWindow, WindowIdsInHexOrDecimal) {
    EXPECT_EQ(ParseWindowId("0x1a00007"), 0x1a00007ul);
    EXPECT_EQ(ParseWindowId("27262983"), 27262983ul);
    EXPECT_EQ(ParseWindowId("0x"), 0ul);
    EXPECT_EQ(ParseWindowId("12ab"), 0ul);
    EXPECT_EQ(ParseWindowId(""), 0ul);
}

}  // namespace
}  // namespace scr
