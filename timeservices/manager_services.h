#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/clock_watch.h"
#include "platform/serial_line.h"
#include "platform/sound_player.h"
#include "timeservices/time_telegram.h"

class Class_TIKOCONF_TOP;
class Class_TIKOSCHEDULE_TOP;
struct TimeNotice;

// One compare or synchronise into the record; the record's bSetClock says which.
using QueryRunner = std::function<bool(TimeNotice&)>;
// A fresh serial line for one transmission to one port.
using SerialLineFactory = std::function<std::unique_ptr<platform::ISerialLine>()>;
// Told of every AO_ENTRY_SIG and AO_EXIT_SIG a manager's state takes, on the manager's thread.
using StateProbe = std::function<void(const char* manager, int32_t signal)>;

// Everything the four managers use from outside the runtime. The facade fills the gaps with the
// production choices; tests hand in fakes.
struct CTiko_Services {
    platform::Clock* clock = nullptr;
    // Tells when `clock` is set. With it the managers sleep until their next due moment; without
    // it they look twice a second, since the clock could have jumped at any time.
    platform::ClockSetWatch* clockWatch = nullptr;
    platform::ISoundPlayer* sound = nullptr;
    SerialLineFactory serialLine;
    QueryRunner query;
    SleepFunction sleep;
    Class_TIKOCONF_TOP* conf = nullptr;
    Class_TIKOSCHEDULE_TOP* schedule = nullptr;
    // Folder of "tick.wav" and "emile.wav"; empty means the working directory.
    std::string soundDir;
    StateProbe probe;
};

// `services` with every empty member but the two roots and the probe given its production
// choice: the system clock (and, for the system clock, its set watch), the ALSA player, the
// termios line, the query with the default servers (reading the configuration root given), a
// real sleep.
CTiko_Services WithProductionDefaults(CTiko_Services services);

// The path of a sound file of the program.
std::string SoundPath(const CTiko_Services& services, const char* fileName);

inline void ReportState(const CTiko_Services& services, const char* manager, int32_t signal) {
    if (services.probe)
        services.probe(manager, signal);
}
