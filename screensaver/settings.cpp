#include "screensaver/settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "screensaver/ini_file.h"

namespace scr {
namespace {

void ReadFlag(const IniDocument& ini, const char* key, const char* fallback, int& flag) {
    const std::string v = ini.Get(kIniSection, key).value_or(fallback);
    if (v.empty())
        return;
    if (v[0] == '0')
        flag = 0;
    else if (v[0] == '1')
        flag = 1;
}

bool MakeDirs(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string SettingsPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (xdg && *xdg == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home && *home ? home : ".") + "/.config";
    }
    return dir + "/TIKO3SCR.INI";
}

int LeadingInt(const std::string& text) {
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

void ReadSettingsText(const std::string& text, ScrSettings& s) {
    const IniDocument ini(text);
    ReadFlag(ini, "bType", "0", s.bType);
    ReadFlag(ini, "bCarlendar", "0", s.bCarlendar);
    ReadFlag(ini, "bSyncUse", "1", s.bSyncUse);
    s.nSyncDuration = LeadingInt(ini.Get(kIniSection, "nSyncDuration").value_or("1000"));
    ReadFlag(ini, "n24Mode", "0", s.n24Mode);
}

void ReadSettings(const std::string& path, ScrSettings& s) {
    // A FIFO or /dev/zero in its place reads as no file: the defaults.
    ReadSettingsText(platform::ReadRegularFile(path, nullptr, kIniFileLimit).value_or(std::string()), s);
}

bool WriteSettings(const std::string& path, const ScrSettings& s) {
    bool missing = false;
    const std::optional<std::string> old = platform::ReadRegularFile(path, nullptr, kIniFileLimit, &missing);
    // What cannot be read is not replaced by a file that would lose its other sections.
    if (!old && !missing)
        return false;
    IniDocument ini(old.value_or(std::string()));
    auto flag = [](int v) { return v ? "1" : "0"; };
    ini.Set(kIniSection, "bType", flag(s.bType));
    ini.Set(kIniSection, "bCarlendar", flag(s.bCarlendar));
    ini.Set(kIniSection, "bSyncUse", flag(s.bSyncUse));
    ini.Set(kIniSection, "nSyncDuration", std::to_string(s.nSyncDuration));
    ini.Set(kIniSection, "n24Mode", flag(s.n24Mode));

    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && !MakeDirs(path.substr(0, slash)))
        return false;
    return platform::WriteFileAtomically(path, ini.Text());
}

}  // namespace scr
