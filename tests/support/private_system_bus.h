#pragma once
// A system bus of the test's own: a dbus-daemon with its own configuration, named by
// DBUS_SYSTEM_BUS_ADDRESS while the object lives, and the time service and polkit as dbusmock's
// templates on it. Constructing it gives up CAP_SYS_TIME for good, so nothing the test runs can
// set the real clock, whatever path it takes.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

class PrivateSystemBus {
public:
    PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;
    ~PrivateSystemBus();

    // False (with the reason in Problem()) when the daemon or a mock did not come up.
    bool Ok() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }
    const std::string& Address() const { return address_; }

    // The time service, with its automatic synchronisation on or off.
    bool StartTimedated(bool ntp);
    // polkit, allowing org.freedesktop.timedate1.set-time or refusing everything.
    bool StartPolkit(bool allowSetTime);

    // One SetTime that reached the time service.
    struct SetTimeCall {
        int64_t microseconds = 0;
        bool relative = false;
        bool interactive = false;
        std::string outcome;    // "set", "ntp" (refused: NTP on) or "denied" (polkit said no)
        int64_t arrivedNs = 0;  // CLOCK_MONOTONIC when it arrived
    };
    std::vector<SetTimeCall> SetTimeCalls() const;

private:
    bool StartMock(const std::vector<std::string>& args, const char* busName);
    bool NameOwned(const char* busName) const;

    TempDir dir_{"tiko3-bus"};
    std::string address_;
    std::string problem_;
    std::string previousAddress_;
    bool hadPreviousAddress_ = false;
    std::vector<pid_t> children_;
};
