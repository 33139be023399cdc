#include "dialogs/xscreensaver_switch.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <system_error>

#include "dialogs/xscreensaver_settings.h"

namespace {

constexpr char kScreenSaverName[] = "TIKO3SCR";
// Written beside a built LumClient (shell/CMakeLists.txt); an installed one has none.
constexpr char kBuildTreeMarker[] = "LumClient.datadir";

bool IsRunnable(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), R_OK | X_OK) == 0;
}

std::filesystem::path HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    const passwd* pw = ::getpwuid(::getuid());
    return pw != nullptr && pw->pw_dir != nullptr ? std::filesystem::path(pw->pw_dir)
                                                  : std::filesystem::path("/");
}

}  // namespace

ScreenSaverPlaces ScreenSaverPlacesFor(const std::filesystem::path& programPath) {
    const std::filesystem::path dir = programPath.parent_path();
    return {(dir / ".." / "screensaver" / kScreenSaverName).lexically_normal(),
            (dir / ".." / "libexec" / "xscreensaver" / kScreenSaverName).lexically_normal()};
}

QString ScreenSaverMissingText(const std::filesystem::path& expected, bool buildTree) {
    QString text = QStringLiteral("스크린 세이버 TIKO3Scr.scr가 인스톨되어 있지 않습니다.\r\n\r\n    ") +
                   QString::fromStdString(expected.string()) + QStringLiteral("\r\n\r\n에 있어야 합니다. ");
    if (buildTree) {
        const std::filesystem::path build = expected.parent_path().parent_path();
        text += QStringLiteral("빌드하십시오:\r\n    cmake --build ") +
                QString::fromStdString(build.string()) + QStringLiteral(" --target TIKO3SCR");
    } else {
        text += QStringLiteral(
            "패키지를 만들어 설치하십시오:\r\n    cmake --workflow --preset package\r\n"
            "    sudo apt-get install ./build/release/tiko3_*.deb");
    }
    return text;
}

XScreenSaverSwitch::XScreenSaverSwitch(std::filesystem::path settings,
                                       const std::filesystem::path& programPath)
    : settings_(std::move(settings)) {
    const ScreenSaverPlaces places = ScreenSaverPlacesFor(programPath);
    std::error_code ec;
    buildTree_ = std::filesystem::exists(programPath.parent_path() / kBuildTreeMarker, ec);
    expected_ = buildTree_ ? places.inBuildTree : places.installed;
    other_ = buildTree_ ? places.installed : places.inBuildTree;
}

std::filesystem::path XScreenSaverSwitch::ScreenSaver() const {
    // Looked for at each use, so a screen saver built or installed meanwhile counts.
    for (const std::filesystem::path& place : {expected_, other_})
        if (IsRunnable(place))
            return place;
    return {};
}

std::unique_ptr<XScreenSaverSwitch> XScreenSaverSwitch::ForThisProgram() {
    return std::make_unique<XScreenSaverSwitch>(HomeDirectory() / ".xscreensaver",
                                                QCoreApplication::applicationFilePath().toStdString());
}

bool XScreenSaverSwitch::IsChosen() const {
    return xscreensaver::XScreenSaverFile{settings_}.SelectsProgram();
}

QString XScreenSaverSwitch::Choose() {
    const std::filesystem::path saver = ScreenSaver();
    if (saver.empty())
        return ScreenSaverMissingText(expected_, buildTree_);
    return QString::fromStdString(xscreensaver::XScreenSaverFile{settings_}.Choose(saver));
}

QString XScreenSaverSwitch::Unchoose() {
    return QString::fromStdString(xscreensaver::XScreenSaverFile{settings_}.Unchoose());
}
