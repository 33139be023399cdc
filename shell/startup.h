#pragma once
// What the desktop start decides before Qt exists: arguments, display, platform plugin, the
// data and working directories. Plain functions over an environment lookup, tested alone.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "timeservices/query_server.h"

// The files the working directory is seeded with when they are missing.
inline constexpr const char* kSeededFiles[] = {"세계시간표.txt", "TIKo.hlp", "tick.wav", "emile.wav",
                                               "frame.bmp"};
// Written by the build next to the built program: one line naming the source tree's data/.
inline constexpr char kDataDirMarker[] = "LumClient.datadir";
inline constexpr char kAlreadyRunningText[] = "이미 실행중인 프로그램이 있습니다";

struct DesktopOptions {
    std::optional<std::filesystem::path> workdir;
};

// The desktop start's arguments (only --workdir DIR); false with `problem` set otherwise.
bool ParseDesktopArgs(const std::vector<std::string>& args, DesktopOptions& options, std::string& problem);

// True when a window system can be reached: DISPLAY or WAYLAND_DISPLAY, or a QT_QPA_PLATFORM that
// needs neither (offscreen, for instance).
bool HasDisplay(const EnvironmentLookup& environment = {});

// On a Wayland session with XWayland, and no platform chosen by the user, windows go through
// xcb: Wayland lets no program place its own windows or keep them on top.
bool PreferXcb(const EnvironmentLookup& environment = {});

// The shipped data files for the program at `executable`: the source tree's data/ named by the
// marker beside a built program, else <prefix>/share/TIKo3 beside <prefix>/bin. Empty when
// neither exists.
std::filesystem::path FindDataDirectory(const std::filesystem::path& executable);

// Creates `dir` if needed and copies in each of kSeededFiles that it lacks and `dataDir` has.
// False with `error` set when the directory cannot be made; a file that cannot be copied is
// left out (the program goes on without it).
bool PrepareWorkingDirectory(const std::filesystem::path& dir, const std::filesystem::path& dataDir,
                             std::string& error);

// Where the per-user instance lock lives: $XDG_RUNTIME_DIR, else a private folder in /tmp.
std::filesystem::path RuntimeDirectory(const EnvironmentLookup& environment = {});
