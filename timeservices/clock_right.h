#pragma once
// Why the clock could not be set, in words for the user: shared by the command line, the settings
// page and the synchronisation's result, so all give the same advice.

#include <string>

#include "platform/clock_setting.h"

// The installed program, named where an administrator is told how to grant it the right.
inline constexpr char kInstalledProgram[] = "/usr/bin/LumClient";
// The system group whose members may set the clock without a password (the package's polkit rule).
inline constexpr char kClockGroup[] = "tiko3";

// One Korean text per cause, said after "동기에 실패했습니다.": what it means and how to go on.
std::string ClockSetFailureText(const platform::ClockSetResult& result);

// Who may set the clock here and whether the system keeps it itself, in one Korean line
// (the 동기정보 page shows it; the command line's --status prints it first).
std::string ClockAuthorityLine(const platform::TimeServiceState& state, platform::ClockAuthority authority);
