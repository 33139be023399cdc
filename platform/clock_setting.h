#pragma once
// Setting the system clock the way a Linux desktop does: a relative change through the system's
// time service (org.freedesktop.timedate1.SetTime on the system bus), which asks polkit whether
// this user may. Only when no time service answers does the process use its own CAP_SYS_TIME.

#include <cstdint>
#include <string>

namespace platform {

// A person's own action may have the desktop's polkit agent ask for a password; automatic work
// and the screen saver never prompt.
enum class Prompt { Never, Allowed };

// Why a setting failed, one value for each cause the user is told about.
enum class ClockSetFailure {
    None,
    AutomaticSync,     // the time service refuses: its automatic synchronisation (NTP) is on
    NotAuthorised,     // polkit refused (or would only allow with a password, not asked for)
    NoServiceNoRight,  // no time service on the system bus and no CAP_SYS_TIME of our own
    Other,             // anything else; `detail` says what
};

struct ClockSetResult {
    ClockSetFailure failure = ClockSetFailure::None;
    std::string detail;  // the service's or the system's own words, for a log or a test

    bool Ok() const { return failure == ClockSetFailure::None; }
};

// Moves the system clock by `microseconds` (positive: ahead). Relative, so a password prompt's
// delay cannot age the time being set. The system bus is DBUS_SYSTEM_BUS_ADDRESS's when set
// (ignored in secure execution), else the standard one.
ClockSetResult ShiftSystemClock(int64_t microseconds, Prompt prompt);

// What the system's time service says about itself; `answered` false when none answered.
struct TimeServiceState {
    bool answered = false;
    bool ntp = false;              // its automatic synchronisation is on
    bool ntpSynchronized = false;  // and the kernel says the clock is synchronised
};
TimeServiceState ReadTimeServiceState();

// Who may set the clock here, as far as this process can tell without trying.
enum class ClockAuthority {
    TimeService,  // the time service answers (polkit decides, per user)
    Capability,   // no time service, but this process holds CAP_SYS_TIME
    Nobody,       // neither
};
ClockAuthority CurrentClockAuthority(const TimeServiceState& state);

// True when the calling user belongs to the group `name` (primary or supplementary).
bool InGroup(const char* name);

// True when the process runs in secure execution (a file capability, set-user-ID or set-group-ID):
// then nothing that chooses a server, a port or a device may come from the caller.
bool SecureExecution();

// getenv outside secure execution, null inside it.
const char* TrustedEnvironment(const char* name);

}  // namespace platform
