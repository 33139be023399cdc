#include "tests/support/private_system_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/sys_time_right.h"
#include "tests/support/test_wait.h"

namespace {

constexpr char kPython[] = "/usr/bin/python3";  // the one with dbusmock

std::string BusConfig(const std::filesystem::path& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>system</type>\n"
           "  <listen>unix:path=" +
           socket.string() +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n"
           "    <allow own=\"*\"/>\n"
           "    <allow send_destination=\"*\"/>\n"
           "    <allow receive_sender=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

// Starts `argv` with stdout and stderr into `logPath` and, when `pipeOut` is given, that pipe's
// write end as descriptor 3.
pid_t Spawn(const std::vector<std::string>& argv, const std::filesystem::path& logPath, int pipeOut = -1) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log >= 0) {
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
    }
    if (pipeOut >= 0)
        ::dup2(pipeOut, 3);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

struct BusRef {
    sd_bus* bus = nullptr;
    ~BusRef() { sd_bus_flush_close_unref(bus); }
};

bool Connect(const std::string& address, BusRef& ref) {
    if (sd_bus_new(&ref.bus) < 0)
        return false;
    sd_bus_set_address(ref.bus, address.c_str());
    sd_bus_set_bus_client(ref.bus, 1);
    return sd_bus_start(ref.bus) >= 0;
}

}  // namespace

PrivateSystemBus::PrivateSystemBus() {
    if (!platform::RelinquishSysTimeRight() || platform::HasSysTimeRight()) {
        problem_ = "could not give up CAP_SYS_TIME";
        return;
    }
    const std::filesystem::path config = dir_ / "bus.conf";
    WriteFile(config, BusConfig(dir_ / "system_bus_socket"));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        problem_ = "pipe failed";
        return;
    }
    const pid_t daemon = Spawn({"/usr/bin/dbus-daemon", "--config-file=" + config.string(), "--nofork",
                                "--nosyslog", "--print-address=3"},
                               dir_ / "dbus-daemon.log", fds[1]);
    ::close(fds[1]);
    if (daemon > 0)
        children_.push_back(daemon);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kWaitBound;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (const size_t end = line.find('\n'); end != std::string::npos)
        address_ = line.substr(0, end);
    if (address_.empty()) {
        problem_ = "dbus-daemon gave no address: " + ReadFile(dir_ / "dbus-daemon.log");
        return;
    }
    if (const char* previous = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
        hadPreviousAddress_ = true;
        previousAddress_ = previous;
    }
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
}

PrivateSystemBus::~PrivateSystemBus() {
    // Mocks first, the daemon (the first child) last.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        ::kill(*it, SIGTERM);
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        const pid_t pid = *it;
        int status = 0;
        if (!WaitUntil([&] { return ::waitpid(pid, &status, WNOHANG) != 0; }, std::chrono::seconds(10))) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    if (!address_.empty()) {
        if (hadPreviousAddress_)
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", previousAddress_.c_str(), 1);
        else
            ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
}

bool PrivateSystemBus::NameOwned(const char* busName) const {
    BusRef ref;
    if (!Connect(address_, ref))
        return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    const int r = sd_bus_call_method(ref.bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s", busName);
    if (r >= 0)
        sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return owned != 0;
}

bool PrivateSystemBus::StartMock(const std::vector<std::string>& args, const char* busName) {
    if (!Ok())
        return false;
    std::vector<std::string> argv{kPython, "-m", "dbusmock", "--system"};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, dir_ / "mocks.log");
    if (pid <= 0) {
        problem_ = "could not start dbusmock";
        return false;
    }
    children_.push_back(pid);
    if (!WaitUntil([&] { return NameOwned(busName); })) {
        problem_ = std::string(busName) + " did not appear: " + ReadFile(dir_ / "mocks.log");
        return false;
    }
    return true;
}

bool PrivateSystemBus::StartTimedated(bool ntp) {
    const std::string parameters = std::string("{\"NTP\": ") + (ntp ? "true" : "false") + ", \"log\": \"" +
                                   (dir_ / "settime.log").string() + "\"}";
    return StartMock({"--template", TIKO3_TIMEDATED_TEMPLATE, "--parameters", parameters},
                     "org.freedesktop.timedate1");
}

bool PrivateSystemBus::StartPolkit(bool allowSetTime) {
    if (!StartMock({"--template", "polkitd"}, "org.freedesktop.PolicyKit1"))
        return false;
    if (!allowSetTime)
        return true;  // the template refuses every action by default
    BusRef ref;
    if (!Connect(address_, ref))
        return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const int r =
        sd_bus_call_method(ref.bus, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
                           "org.freedesktop.DBus.Mock", "SetAllowed", &error, nullptr, "as", 1,
                           "org.freedesktop.timedate1.set-time");
    if (r < 0)
        problem_ = std::string("SetAllowed failed: ") + (error.message ? error.message : "");
    sd_bus_error_free(&error);
    return r >= 0;
}

std::vector<PrivateSystemBus::SetTimeCall> PrivateSystemBus::SetTimeCalls() const {
    std::vector<SetTimeCall> calls;
    std::istringstream lines(ReadFile(dir_ / "settime.log"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        SetTimeCall call;
        int relative = 0;
        int interactive = 0;
        if (fields >> call.microseconds >> relative >> interactive >> call.outcome >> call.arrivedNs) {
            call.relative = relative != 0;
            call.interactive = interactive != 0;
            calls.push_back(call);
        }
    }
    return calls;
}
