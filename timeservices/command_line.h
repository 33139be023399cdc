#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "timeservices/query_server.h"

// Exit statuses of the command-line mode.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNoAnswer = 1;
inline constexpr int kExitRejected = 2;  // answer rejected, or the clock could not be set
inline constexpr int kExitUsage = 64;

struct CommandLineContext {
    platform::Clock& clock;
    EnvironmentLookup environment;  // empty: the process environment
    // Running with a file capability (or set-ID): no server or port may come from the caller.
    bool secureExecution = false;
    // A person at a terminal, who may be asked for a password when the clock is set.
    bool interactive = false;
};

// True when the arguments ask for the command-line mode (--compare, --sync, --status or --help) rather
// than the desktop shell.
bool IsCommandLineMode(const std::vector<std::string>& args);

// Said (with status kExitRejected) when neither HOME nor XDG_DATA_HOME names a place for the
// stores and no --workdir was given: the current directory is no place to write them unasked.
inline constexpr char kNoDataHomeText[] =
    "neither HOME nor XDG_DATA_HOME is set, so there is no place for TIKo.conf and TIKo.sche; "
    "give one with --workdir DIR";

// The working directory when --workdir is not given: $XDG_DATA_HOME/TIKo3, else
// ~/.local/share/TIKo3; empty when neither variable names one.
std::filesystem::path DefaultWorkingDirectory(const EnvironmentLookup& environment = {});

// Runs `LumClient --compare | --sync | --status | --help [options]` (args without the program name).
// Output is UTF-8; returns the exit status. Reads "TIKo.conf" and may append to "TIKoLog.txt"
// in the working directory; never writes "TIKo.conf".
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CommandLineContext& context);
