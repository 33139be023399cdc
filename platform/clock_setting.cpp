#include "platform/clock_setting.h"

#include <dlfcn.h>
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

// libsystemd is loaded only when the clock is set or the time service asked: it brings five
// libraries of its own, which every start of the command line would otherwise pay for.
struct SdBusLibrary {
    decltype(&sd_bus_open_system) openSystem = nullptr;
    decltype(&sd_bus_flush_close_unref) flushCloseUnref = nullptr;
    decltype(&sd_bus_set_allow_interactive_authorization) setAllowInteractiveAuthorization = nullptr;
    decltype(&sd_bus_message_new_method_call) newMethodCall = nullptr;
    decltype(&sd_bus_message_append) append = nullptr;
    decltype(&sd_bus_call) call = nullptr;
    decltype(&sd_bus_message_unref) messageUnref = nullptr;
    decltype(&sd_bus_get_property_trivial) getPropertyTrivial = nullptr;
    decltype(&sd_bus_error_free) errorFree = nullptr;
    decltype(&sd_bus_error_has_name) errorHasName = nullptr;
    decltype(&sd_bus_error_is_set) errorIsSet = nullptr;
    bool loaded = false;

    SdBusLibrary() {
        // Never closed: a bus may be open on another thread until the process ends.
        void* handle = dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return;
        loaded =
            Find(handle, "sd_bus_open_system", openSystem) &&
            Find(handle, "sd_bus_flush_close_unref", flushCloseUnref) &&
            Find(handle, "sd_bus_set_allow_interactive_authorization", setAllowInteractiveAuthorization) &&
            Find(handle, "sd_bus_message_new_method_call", newMethodCall) &&
            Find(handle, "sd_bus_message_append", append) && Find(handle, "sd_bus_call", call) &&
            Find(handle, "sd_bus_message_unref", messageUnref) &&
            Find(handle, "sd_bus_get_property_trivial", getPropertyTrivial) &&
            Find(handle, "sd_bus_error_free", errorFree) &&
            Find(handle, "sd_bus_error_has_name", errorHasName) &&
            Find(handle, "sd_bus_error_is_set", errorIsSet);
    }

    template <typename F>
    static bool Find(void* handle, const char* name, F& function) {
        function = reinterpret_cast<F>(dlsym(handle, name));
        return function != nullptr;
    }
};

// Loaded on first use, once for every thread.
const SdBusLibrary& SdBus() {
    static const SdBusLibrary library;
    return library;
}

struct BusUnref {
    void operator()(sd_bus* bus) const { SdBus().flushCloseUnref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* m) const { SdBus().messageUnref(m); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

struct BusError {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~BusError() { SdBus().errorFree(&error); }
    bool Is(const char* name) const { return SdBus().errorHasName(&error, name) != 0; }
    std::string Text(int r) const {
        if (SdBus().errorIsSet(&error))
            return std::string(error.name) +
                   (error.message ? std::string(": ") + error.message : std::string());
        return std::strerror(-r);
    }
};

// Without libsystemd there is no way to the time service: as on a machine without a bus.
Bus OpenSystemBus() {
    if (!SdBus().loaded)
        return nullptr;
    sd_bus* bus = nullptr;
    if (SdBus().openSystem(&bus) < 0)
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
    const SdBusLibrary& sd = SdBus();
    sd.setAllowInteractiveAuthorization(bus.get(), interactive ? 1 : 0);

    sd_bus_message* raw = nullptr;
    int r = sd.newMethodCall(bus.get(), &raw, kService, kObject, kInterface, "SetTime");
    Message call(raw);
    if (r >= 0)
        r = sd.append(call.get(), "xbb", static_cast<int64_t>(microseconds), 1, interactive ? 1 : 0);
    BusError error;
    sd_bus_message* reply = nullptr;
    if (r >= 0)
        r = sd.call(bus.get(), call.get(), interactive ? kPromptTimeoutUs : kQuietTimeoutUs, &error.error,
                    &reply);
    sd.messageUnref(reply);
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
        const int r = SdBus().getPropertyTrivial(bus.get(), kService, kObject, kInterface, name, &error.error,
                                                 'b', &flag);
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
