// LumClient's desktop program: the part of LumClient that loads Qt, in a library of its own that
// the program loads only when no command-line verb is given.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/font_alias.h"
#include "shell/desktop_entry.h"
#include "shell/display_link.h"
#include "shell/instance_channel.h"
#include "shell/lumclientapp.h"
#include "shell/mainframe.h"
#include "shell/qt_translation.h"
#include "shell/startup.h"
#include "timeservices/command_line.h"
#include "windowkit/access_keys.h"

namespace {

bool EnvironmentFlag(const char* name) {
    const char* value = secure_getenv(name);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

int Desktop(int argc, char** argv, const std::vector<std::string>& args, const std::filesystem::path& self) {
    DesktopOptions desktop;
    std::string problem;
    if (!ParseDesktopArgs(args, desktop, problem)) {
        std::cerr << "LumClient: " << problem << "\nTry 'LumClient --help'.\n";
        return kExitUsage;
    }
    if (!HasDisplay()) {
        std::cerr << "LumClient: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "--compare and --sync work without one.\n";
        return kExitRejected;
    }
    if (PreferXcb())
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    // Qt aborts when its display cannot be opened: asked first, it is one line and status 2.
    if (UsesX11()) {
        if (!CanOpenDisplay(std::string(), problem)) {
            std::cerr << "LumClient: " << problem << "; --compare and --sync work without one.\n";
            return kExitRejected;
        }
    }
    // The clocks repaint a few digits each second. From shared memory, every such repaint
    // first waits for a round trip to the X server (it may still be reading the last one);
    // sent through the socket, those few kilobytes cost neither the wait nor its wake-ups.
    if (getenv("QT_XCB_NO_MITSHM") == nullptr)
        setenv("QT_XCB_NO_MITSHM", "1", 1);
    const bool messageBoxes = !EnvironmentFlag("TIKO3_NO_MESSAGE_BOXES");

    // One instance per user. The lock comes before anything is read or written.
    const std::filesystem::path runtimeDir = RuntimeDirectory();
    std::error_code error;
    if (std::filesystem::create_directories(runtimeDir, error))
        std::filesystem::permissions(runtimeDir, std::filesystem::perms::owner_all, error);
    const std::filesystem::path lockPath = runtimeDir / "TIKo3.lock";
    QLockFile lock(QString::fromStdString(lockPath.string()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError) {
            // Not another copy: the lock itself cannot be made, and running unguarded could let
            // two copies overwrite each other's stores.
            std::cerr << "LumClient: cannot create the instance lock " << lockPath.string() << '\n';
            return kExitRejected;
        }
        // The running copy shows its main window, which may be the user's only way back to it.
        CInstanceChannel::AskToShow((runtimeDir / kInstanceSocketName).string());
        std::cerr << "LumClient: " << kAlreadyRunningText << '\n';
        if (messageBoxes) {
            QApplication app(argc, argv);
            InstallQtKoreanTranslation(app, QString());
            QMessageBox box(QMessageBox::Information, QStringLiteral("TIKo3"),
                            QString::fromUtf8(kAlreadyRunningText), QMessageBox::Ok);
            SetAccessKeys(box);
            box.exec();
        }
        return 1;
    }

    const std::filesystem::path dataDir = FindDataDirectory(self);
    const std::filesystem::path workdir = desktop.workdir ? *desktop.workdir : DefaultWorkingDirectory();
    if (workdir.empty()) {
        std::cerr << "LumClient: " << kNoDataHomeText << '\n';
        return kExitRejected;
    }
    if (!PrepareWorkingDirectory(workdir, dataDir, problem)) {
        std::cerr << "LumClient: " << problem << '\n';
        return kExitRejected;
    }
    // Every file of the program ("TIKo.conf", "알람.txt", ...) is named relative to it.
    std::filesystem::current_path(workdir, error);
    if (error) {
        std::cerr << "LumClient: " << workdir.string() << ": " << error.message() << '\n';
        return kExitRejected;
    }
    // "굴림" and the other names the windows ask for reach Debian's fonts.
    std::string aliases =
        dataDir.empty() ? std::string() : (dataDir / "fonts" / platform::kFontAliasFile).string();
    if (aliases.empty() || access(aliases.c_str(), R_OK) != 0)
        aliases = platform::FindFontAliases(self.parent_path().string());
    if (!aliases.empty())
        platform::LoadFontAliases(aliases);

    CLumClientApp::InstallSignalHandlers();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TIKo3"));
    InstallQtKoreanTranslation(app, QString());
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/tiko3-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // The program lives in the tray: hiding every window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    CLumClientApp::Options options;
    options.messageBoxes = messageBoxes;
    if (const char* hook = secure_getenv("TIKO3_PRINT_RESULTS"))
        options.printResults = std::strcmp(hook, "quit") == 0 ? 2 : (hook[0] != '\0' ? 1 : 0);
    options.reportFirstPaint = EnvironmentFlag("TIKO3_REPORT_FIRST_PAINT");
    CLumClientApp client(options);
    if (!client.InitInstance()) {
        client.ExitInstance();
        return 1;
    }
    CInstanceChannel channel;
    channel.Listen((runtimeDir / kInstanceSocketName).string(), [&client] {
        if (client.Frame() != nullptr)
            client.Frame()->RunCommand(kCmdShowMain);
    });
    const int status = client.Run();
    const int saved = client.ExitInstance();
    return status != 0 ? status : saved;
}

}  // namespace

extern "C" int Tiko3RunDesktop(int argc, char** argv, const char* self) noexcept {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return Desktop(argc, argv, args, std::filesystem::path(self));
}
