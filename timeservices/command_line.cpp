#include "timeservices/command_line.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include "encoding/cp949.h"
#include "platform/clock_setting.h"
#include "timeservices/clock_right.h"
#include "treestore/app_store.h"

namespace {

// The defaults are the SNTP core's, so the text names the servers that are really asked.
const std::string kHelp =
    "Usage: LumClient --compare [options]\n"
    "       LumClient --sync [options]\n"
    "       LumClient --status [--workdir DIR]\n"
    "       LumClient --help\n"
    "       LumClient [--workdir DIR]          (desktop program)\n"
    "\n"
    "Asks a standard-time server for the time over SNTP: the primary server first, the\n"
    "secondary only when the primary gives no answer.\n"
    "\n"
    "Modes:\n"
    "  --compare             say how far the PC clock is off; the clock is not touched\n"
    "  --sync                set the PC clock, apply the user time offset of TIKo.conf, append\n"
    "                        to TIKoLog.txt when logging is on, and print the message, then the\n"
    "                        server, offset and last-sync texts, one per line\n"
    "  --status              say who may set the clock here, whether the system's automatic\n"
    "                        time synchronisation is on and synchronised, and the last\n"
    "                        synchronisation recorded in TIKo.conf\n"
    "  --help                show this text\n"
    "\n"
    "Options:\n"
    "  --verbose             one line per server asked: address, raw offset and round-trip\n"
    "                        delay in seconds, stratum and leap indicator, or why the reply was\n"
    "                        refused\n"
    "  --server HOST[:PORT]  primary server (default " +
    std::string(kDefaultPrimaryHost) +
    ", port 123)\n"
    "  --secondary HOST[:PORT]\n"
    "                        secondary server (default " +
    kDefaultSecondaryHost +
    ", port 123)\n"
    "  --workdir DIR         working directory holding TIKo.conf and TIKoLog.txt\n"
    "                        (default $XDG_DATA_HOME/TIKo3, or ~/.local/share/TIKo3)\n"
    "\n"
    "Environment:\n"
    "  TIKO3_PRIMARY_SERVER, TIKO3_SECONDARY_SERVER  HOST[:PORT], replace the default servers\n"
    "                        (the options above take precedence)\n"
    "\n"
    "TIKo.conf is only read here: a running desktop instance owns it.\n"
    "The clock is set through the system's time service (systemd-timedated), which asks\n"
    "polkit: members of the group tiko3 may set it without a password, other users are asked\n"
    "for an administrator's (--sync at a terminal). Without a time service the program's own\n"
    "CAP_SYS_TIME is used, if an administrator granted it. A program running with a file\n"
    "capability refuses --server and --secondary and ignores the TIKO3_* variables.\n"
    "\n"
    "Exit status: 0 success, 1 no server answered, 2 answer rejected or clock not set,\n"
    "64 bad usage.\n";

enum class Mode { None, Compare, Sync, Status, Help };

struct Options {
    Mode mode = Mode::None;
    bool verbose = false;
    std::optional<ServerAddress> primary;
    std::optional<ServerAddress> secondary;
    std::optional<std::filesystem::path> workdir;
};

int Usage(std::ostream& err, const std::string& problem) {
    err << "LumClient: " << problem << "\nTry 'LumClient --help'.\n";
    return kExitUsage;
}

// Parses the arguments; on bad usage writes the reason and returns false.
bool Parse(const std::vector<std::string>& args, Options& options, std::string& problem) {
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto takeValue = [&](std::string& value) {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                problem = "option '" + arg + "' needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        Mode mode = Mode::None;
        if (arg == "--compare")
            mode = Mode::Compare;
        else if (arg == "--sync")
            mode = Mode::Sync;
        else if (arg == "--status")
            mode = Mode::Status;
        else if (arg == "--help" || arg == "-h")
            mode = Mode::Help;

        if (mode != Mode::None || arg == "--verbose") {
            if (inlineValue) {
                problem = "option '" + arg + "' takes no value";
                return false;
            }
            if (arg == "--verbose") {
                options.verbose = true;
            } else if (options.mode == Mode::Help || mode == Mode::Help) {
                options.mode = Mode::Help;
            } else if (options.mode != Mode::None && options.mode != mode) {
                problem = "--compare, --sync and --status exclude each other";
                return false;
            } else {
                options.mode = mode;
            }
        } else if (arg == "--server" || arg == "--secondary") {
            std::string value;
            if (!takeValue(value))
                return false;
            ServerAddress address;
            if (!ParseServerAddress(value, address)) {
                problem = "'" + value + "' is not HOST or HOST:PORT";
                return false;
            }
            (arg == "--server" ? options.primary : options.secondary) = address;
        } else if (arg == "--workdir") {
            std::string value;
            if (!takeValue(value))
                return false;
            if (value.empty()) {
                problem = "--workdir needs a directory";
                return false;
            }
            options.workdir = value;
        } else {
            problem = "unknown argument '" + args[i] + "'";
            return false;
        }
    }
    return true;
}

std::string Describe(const ServerAttempt& attempt) {
    std::string line = "server " + attempt.server.host + ":" + std::to_string(attempt.server.port);
    if (!attempt.address.empty())
        line += " (" + attempt.address + ")";
    const NtpReply& r = attempt.reply;
    const std::string figures = "offset " + FormatSeconds(r.offset, 6) + " s, delay " +
                                FormatSeconds(r.delay, 6) + " s, stratum " + std::to_string(r.stratum) +
                                ", leap " + std::to_string(r.leapIndicator);
    if (attempt.answered)
        return line + ": " + figures;
    switch (attempt.failure) {
        case SntpFailure::WrongOriginate:
        case SntpFailure::NotServerMode:
        case SntpFailure::KissOfDeath:
        case SntpFailure::BadStratum:
        case SntpFailure::Unsynchronised:
            return line + ": reply refused: " + SntpFailureText(attempt.failure) + " (" + figures +
                   ", mode " + std::to_string(r.mode) + ")";
        default:
            break;
    }
    line += ": no answer: ";
    line += SntpFailureText(attempt.failure);
    if (!attempt.detail.empty())
        return line + " (" + attempt.detail + ")";
    if (attempt.error != 0)
        return line + " (" + std::strerror(attempt.error) + ")";
    return line;
}

std::string OneLine(std::string text) {
    // The server text carries a line break for the dialog; the command line prints one line.
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 2);
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

void PrintStatus(std::ostream& out, const Class_TIKOCONF_TOP& config) {
    const platform::TimeServiceState state = platform::ReadTimeServiceState();
    out << "시계를 맞추는 길: ";
    switch (platform::CurrentClockAuthority(state)) {
        case platform::ClockAuthority::TimeService:
            out << "시스템의 시간 서비스(timedated). " << kClockGroup
                << " 그룹 회원은 암호 없이, 다른 사용자는 "
                << "관리자 암호로 맞춥니다. 이 사용자는 " << kClockGroup << " 그룹"
                << (platform::InGroup(kClockGroup) ? "에 속합니다.\n" : "에 속하지 않습니다.\n");
            break;
        case platform::ClockAuthority::Capability:
            out << "시간 서비스가 없어 이 프로그램의 권한(CAP_SYS_TIME)으로 맞춥니다.\n";
            break;
        case platform::ClockAuthority::Nobody:
            out << "없음. 시간 서비스가 응답하지 않고 이 프로그램에는 권한(CAP_SYS_TIME)도 없습니다.\n";
            break;
    }
    out << "시스템의 자동 시각 동기화: ";
    if (!state.answered)
        out << "알 수 없음(시간 서비스 없음)\n";
    else if (!state.ntp)
        out << "꺼짐(TIKo3가 시계를 맞춥니다)\n";
    else
        out << "켜짐, " << (state.ntpSynchronized ? "동기됨" : "아직 동기되지 않음")
            << "(TIKo3는 비교하여 보여 줍니다)\n";
    const Class_TIKOCONF_SYNCINFO* info = config.SyncInfo();
    const std::string last =
        info != nullptr ? encoding::Cp949ToUtf8Lossy(info->strLastSync.Get()) : std::string();
    if (last.empty()) {
        out << "마지막 동기: 없음\n";
    } else {
        out << "마지막 동기: " << last << ", " << encoding::Cp949ToUtf8Lossy(info->strLastOffset.Get())
            << ", " << OneLine(encoding::Cp949ToUtf8Lossy(info->strServer.Get())) << '\n';
    }
    out.flush();
}

}  // namespace

bool IsCommandLineMode(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--compare" || arg == "--sync" || arg == "--status" || arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

std::filesystem::path DefaultWorkingDirectory(const EnvironmentLookup& environment) {
    auto get = [&](const char* name) -> const char* {
        return environment ? environment(name) : std::getenv(name);
    };
    if (const char* data = get("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        return std::filesystem::path(data) / "TIKo3";
    }
    if (const char* home = get("HOME"); home != nullptr && home[0] != '\0') {
        return std::filesystem::path(home) / ".local" / "share" / "TIKo3";
    }
    return {};
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const CommandLineContext& context) {
    Options options;
    std::string problem;
    if (!Parse(args, options, problem))
        return Usage(err, problem);
    if (options.mode == Mode::Help) {
        out << kHelp;
        return kExitSuccess;
    }
    if (options.mode == Mode::None)
        return Usage(err, "--compare, --sync, --status or --help is needed here");
    // With a file capability the caller must not choose where the time comes from.
    if (context.secureExecution && (options.primary || options.secondary))
        return Usage(
            err, "this program runs with a right to set the clock, so it takes no server from its caller");
    if (options.mode == Mode::Status) {
        const std::filesystem::path workdir =
            options.workdir ? *options.workdir : DefaultWorkingDirectory(context.environment);
        PrintStatus(out, *LoadConfiguration(workdir));
        return kExitSuccess;
    }

    // A server variable that would be used but cannot be is bad input, not a reason to fall
    // back silently to a server the caller did not mean.
    const auto get = [&](const char* name) -> const char* {
        return context.environment ? context.environment(name) : secure_getenv(name);
    };
    for (const auto& [name, given] : {std::pair{kPrimaryServerVariable, options.primary.has_value()},
                                      std::pair{kSecondaryServerVariable, options.secondary.has_value()}}) {
        ServerAddress ignored;
        const char* value = get(name);
        if (!given && value != nullptr && !ParseServerAddress(value, ignored)) {
            return Usage(err, std::string(name) + "='" + value + "' is not HOST or HOST:PORT");
        }
    }
    ServerPair servers = DefaultServers(context.environment);
    if (options.primary)
        servers.primary = *options.primary;
    if (options.secondary)
        servers.secondary = *options.secondary;
    const std::filesystem::path workdir =
        options.workdir ? *options.workdir : DefaultWorkingDirectory(context.environment);
    if (workdir.empty()) {
        err << "LumClient: " << kNoDataHomeText << '\n';
        return kExitRejected;
    }

    // Read only: a damaged file is said, not copied, since nothing here saves it.
    StoreLoadReport loaded;
    const std::unique_ptr<Class_TIKOCONF_TOP> config = LoadConfiguration(workdir, &loaded, false);
    if (!loaded.message.empty())
        err << "LumClient: " << loaded.message << '\n';
    TimeNotice notice;
    notice.bSetClock = options.mode == Mode::Sync;
    notice.bInteractive = context.interactive;
    if (const Class_TIKOCONF_SYNCINFO* info = config->SyncInfo(); info != nullptr) {
        // What a no-answer leaves standing: the texts of the last synchronisation.
        notice.strServer = encoding::Cp949ToUtf8Lossy(info->strServer.Get());
        notice.strOffset = encoding::Cp949ToUtf8Lossy(info->strLastOffset.Get());
        notice.strLastSync = encoding::Cp949ToUtf8Lossy(info->strLastSync.Get());
    }

    CTiko_QueryServer query(context.clock, config.get(), workdir, servers);
    query.RunQuery(notice);

    if (options.verbose) {
        for (const ServerAttempt& attempt : query.Attempts())
            out << Describe(attempt) << '\n';
    }
    out << notice.strMessage << '\n';
    if (notice.bSetClock) {
        out << OneLine(notice.strServer) << '\n'
            << OneLine(notice.strOffset) << '\n'
            << OneLine(notice.strLastSync) << '\n';
    }
    out.flush();

    switch (query.Outcome()) {
        case QueryOutcome::Compared:
        case QueryOutcome::Synchronised:
            return kExitSuccess;
        case QueryOutcome::NoAnswer:
            return kExitNoAnswer;
        case QueryOutcome::SetFailed:
            return kExitRejected;
        default:
            return kExitRejected;
    }
}
