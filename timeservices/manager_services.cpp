#include "timeservices/manager_services.h"

#include <thread>

#include "platform/alsa_sound_player.h"
#include "timeservices/query_server.h"

CTiko_Services WithProductionDefaults(CTiko_Services services) {
    if (services.clock == nullptr) {
        static platform::SystemClock systemClock;
        services.clock = &systemClock;
    }
    if (services.clockWatch == nullptr && dynamic_cast<platform::SystemClock*>(services.clock) != nullptr) {
        static platform::SystemClockSetWatch watch;
        if (watch.IsWatching())
            services.clockWatch = &watch;
    }
    if (services.sound == nullptr) {
        static platform::AlsaSoundPlayer player;
        services.sound = &player;
    }
    if (!services.serialLine)
        services.serialLine = [] { return std::make_unique<platform::CSerialLine>(); };
    if (!services.query) {
        platform::Clock* clock = services.clock;
        const Class_TIKOCONF_TOP* conf = services.conf;
        services.query = [clock, conf](TimeNotice& notice) {
            CTiko_QueryServer query(*clock, conf);
            return query.RunQuery(notice);
        };
    }
    if (!services.sleep)
        services.sleep = [](std::chrono::nanoseconds span) { std::this_thread::sleep_for(span); };
    return services;
}

std::string SoundPath(const CTiko_Services& services, const char* fileName) {
    if (services.soundDir.empty())
        return fileName;
    std::string path = services.soundDir;
    if (path.back() != '/')
        path += '/';
    return path + fileName;
}
