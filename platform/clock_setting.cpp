#include "platform/clock_setting.h"

#include <grp.h>
#include <sys/auxv.h>
#include <sys/timex.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/sys_time_right.h"

namespace platform {

namespace {

constexpr char kService[] = "org.freedesktop.timedate1";
constexpr char kObject[] = "/org/freedesktop/timedate1";
constexpr char kInterface[] = "org.freedesktop.timedate1";

// A prompt may wait for a person to type a password; an automatic call gets the bus's usual bound.
constexpr uint64_t kPromptTimeoutUs = 300ull * 1'000'000;
constexpr uint64_t kQuietTimeoutUs = 25ull * 1'000'000;

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

struct BusError {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~BusError() { sd_bus_error_free(&error); }
    bool Is(const char* name) const { return sd_bus_error_has_name(&error, name) != 0; }
    std::string Text(int r) const {
        if (sd_bus_error_is_set(&error))
            return std::string(error.name) +
                   (error.message ? std::string(": ") + error.message : std::string());
        return std::strerror(-r);
    }
};

Bus OpenSystemBus() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0)
        return nullptr;
    return Bus(bus);
}

// The bus said that nobody owns the name, or that it could not start anyone for it.
bool NoService(const BusError& e) {
    return e.Is(SD_BUS_ERROR_SERVICE_UNKNOWN) || e.Is(SD_BUS_ERROR_NAME_HAS_NO_OWNER) ||
           e.Is("org.freedesktop.DBus.Error.Spawn.ServiceNotFound") ||
           e.Is("org.freedesktop.DBus.Error.Spawn.ChildExited") ||
           e.Is("org.freedesktop.systemd1.NoSuchUnit") || e.Is("org.freedesktop.systemd1.UnitMasked");
}

// The process's own right, for machines without a time service: a relative step of the kernel's
// clock, raised into the effective set only around the call.
ClockSetResult ShiftWithOwnRight(int64_t microseconds) {
    ClockSetResult result;
    if (!HasSysTimeRight()) {
        result.failure = ClockSetFailure::NoServiceNoRight;
        result.detail = "no time service on the system bus and no CAP_SYS_TIME";
        return result;
    }
    SysTimeRight right;
    if (!right.Raise()) {
        result.failure = ClockSetFailure::NoServiceNoRight;
        result.detail = std::strerror(errno);
        return result;
    }
    timex tx{};
    tx.modes = ADJ_SETOFFSET | ADJ_NANO;
    int64_t seconds = microseconds / 1'000'000;
    int64_t nanos = (microseconds % 1'000'000) * 1000;
    if (nanos < 0) {
        nanos += 1'000'000'000;
        --seconds;
    }
    tx.time.tv_sec = static_cast<time_t>(seconds);
    tx.time.tv_usec = static_cast<suseconds_t>(nanos);
    if (clock_adjtime(CLOCK_REALTIME, &tx) < 0) {
        const int error = errno;
        result.failure = error == EPERM ? ClockSetFailure::NoServiceNoRight : ClockSetFailure::Other;
        result.detail = std::strerror(error);
    }
    return result;
}

}  // namespace

ClockSetResult ShiftSystemClock(int64_t microseconds, Prompt prompt) {
    const bool interactive = prompt == Prompt::Allowed;
    Bus bus = OpenSystemBus();
    if (!bus)
        return ShiftWithOwnRight(microseconds);
    sd_bus_set_allow_interactive_authorization(bus.get(), interactive ? 1 : 0);

    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(bus.get(), &raw, kService, kObject, kInterface, "SetTime");
    Message call(raw);
    if (r >= 0)
        r = sd_bus_message_append(call.get(), "xbb", static_cast<int64_t>(microseconds), 1,
                                  interactive ? 1 : 0);
    BusError error;
    sd_bus_message* reply = nullptr;
    if (r >= 0)
        r = sd_bus_call(bus.get(), call.get(), interactive ? kPromptTimeoutUs : kQuietTimeoutUs, &error.error,
                        &reply);
    sd_bus_message_unref(reply);
    if (r >= 0)
        return {};

    if (NoService(error))
        return ShiftWithOwnRight(microseconds);
    ClockSetResult result;
    result.detail = error.Text(r);
    if (error.Is("org.freedesktop.timedate1.AutomaticTimeSyncEnabled"))
        result.failure = ClockSetFailure::AutomaticSync;
    else if (error.Is(SD_BUS_ERROR_ACCESS_DENIED) ||
             error.Is(SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED) || error.Is(SD_BUS_ERROR_AUTH_FAILED))
        result.failure = ClockSetFailure::NotAuthorised;
    else
        result.failure = ClockSetFailure::Other;
    return result;
}

TimeServiceState ReadTimeServiceState() {
    TimeServiceState state;
    Bus bus = OpenSystemBus();
    if (!bus)
        return state;
    auto read = [&](const char* name, bool& value) {
        BusError error;
        int flag = 0;
        const int r = sd_bus_get_property_trivial(bus.get(), kService, kObject, kInterface, name,
                                                  &error.error, 'b', &flag);
        value = r >= 0 && flag != 0;
        return r >= 0;
    };
    state.answered = read("NTP", state.ntp);
    if (state.answered)
        read("NTPSynchronized", state.ntpSynchronized);
    return state;
}

ClockAuthority CurrentClockAuthority(const TimeServiceState& state) {
    if (state.answered)
        return ClockAuthority::TimeService;
    return HasSysTimeRight() ? ClockAuthority::Capability : ClockAuthority::Nobody;
}

bool InGroup(const char* name) {
    const group* g = getgrnam(name);
    if (g == nullptr)
        return false;
    if (getegid() == g->gr_gid || getgid() == g->gr_gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<size_t>(i)] == g->gr_gid)
            return true;
    }
    return false;
}

bool SecureExecution() {
    return getauxval(AT_SECURE) != 0;
}

const char* TrustedEnvironment(const char* name) {
    return secure_getenv(name);
}

}  // namespace platform
