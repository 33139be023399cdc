// TIKO3SCR: the clock screen saver. Modes follow the screen-saver hack protocol.

#include <QApplication>
#include <QScreen>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "platform/font_alias.h"
#include "screensaver/config_dialog.h"
#include "screensaver/ntplib/ntp_lib.h"
#include "screensaver/scr_window.h"
#include "screensaver/x_driver.h"

namespace {

constexpr const char* kUsage =
    "Usage: TIKO3SCR [MODE]\n"
    "Draws an analog or digital clock, optionally with a month calendar, and sets the clock\n"
    "from a time server at the configured interval.\n"
    "\n"
    "  -root                draw into the root window (or $XSCREENSAVER_WINDOW when set)\n"
    "  -window-id ID        draw into the X window ID (decimal or 0x hexadecimal)\n"
    "  --fullscreen         a full-screen window of its own; any key, click or movement ends it\n"
    "  --configure          the settings dialog\n"
    "  --help               this text\n"
    "Without a mode, $XSCREENSAVER_WINDOW is used when set, else a window of its own.\n"
    "Settings: $XDG_CONFIG_HOME/TIKO3SCR.INI. Time server: $TIKO3_NTPLIB_SERVER, else\n"
    "$TIKO3_PRIMARY_SERVER (HOST[:PORT]), else the Korean zone of the public NTP pool.\n";

enum class Mode { Own, Fullscreen, Configure, Window, Help };

struct Options {
    Mode mode = Mode::Own;
    std::string windowId;
    bool root = false;
};

// Accepts one or two leading dashes, as hacks do.
bool Is(const char* arg, const char* name) {
    if (arg[0] != '-')
        return false;
    const char* a = arg[1] == '-' ? arg + 2 : arg + 1;
    return std::strcmp(a, name) == 0;
}

bool Parse(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (Is(a, "help") || Is(a, "h")) {
            o.mode = Mode::Help;
        } else if (Is(a, "root")) {
            o.root = true;
            o.mode = Mode::Window;
        } else if (Is(a, "window-id")) {
            if (i + 1 >= argc) {
                error = "-window-id needs a window id";
                return false;
            }
            o.windowId = argv[++i];
            o.mode = Mode::Window;
        } else if (Is(a, "fullscreen")) {
            o.mode = Mode::Fullscreen;
        } else if (Is(a, "configure") || Is(a, "config")) {
            o.mode = Mode::Configure;
        } else if (Is(a, "window")) {
            o.mode = Mode::Own;
        } else {
            error = std::string("unknown option: ") + a;
            return false;
        }
    }
    return true;
}

std::string ProgramDir(const char* argv0) {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string(argv0);
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

scr::CScrSaver::Deps MakeDeps() {
    auto engine = std::make_shared<std::minstd_rand>(static_cast<unsigned>(std::time(nullptr)) ^
                                                     static_cast<unsigned>(getpid()));
    return {[] { return std::time(nullptr); }, [] { return SetSyncTime(); },
            [engine] { return static_cast<unsigned>((*engine)()); }, scr::SettingsPath()};
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!Parse(argc, argv, options, error)) {
        std::fprintf(stderr, "TIKO3SCR: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.mode == Mode::Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const char* envWindow = std::getenv("XSCREENSAVER_WINDOW");
    if (options.windowId.empty() && envWindow && *envWindow && (options.mode == Mode::Own || options.root)) {
        options.windowId = envWindow;
        options.mode = Mode::Window;
    }

    if (const std::string aliases = platform::FindFontAliases(ProgramDir(argv[0])); !aliases.empty())
        platform::LoadFontAliases(aliases);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TIKO3SCR"));

    switch (options.mode) {
        case Mode::Configure: {
            scr::CScrConfigDlg dlg(scr::SettingsPath());
            dlg.exec();
            return 0;
        }
        case Mode::Window: {
            unsigned long id = 0;
            if (!options.windowId.empty()) {
                id = scr::ParseWindowId(options.windowId);
                if (!id) {
                    std::fprintf(stderr, "TIKO3SCR: not a window id: %s\n", options.windowId.c_str());
                    return 2;
                }
            }
            auto target = scr::XTarget::Open(id, error);
            if (!target) {
                std::fprintf(stderr, "TIKO3SCR: %s\n", error.c_str());
                return 1;
            }
            scr::CScrXDriver driver(MakeDeps(), std::move(target));
            return app.exec();
        }
        case Mode::Fullscreen: {
            scr::CScrWindow window(MakeDeps(), true);
            window.CoverScreen(QGuiApplication::primaryScreen());
            return app.exec();
        }
        default: {
            scr::CScrWindow window(MakeDeps(), false);
            window.resize(800, 600);
            window.show();
            return app.exec();
        }
    }
}
