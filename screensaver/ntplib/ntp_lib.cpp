#include "screensaver/ntplib/ntp_lib.h"

#include "screensaver/ntplib/ntp_sync.h"

extern "C" int SetSyncTime(void) {
    try {
        const auto server = ntplib::ConfiguredServer();
        if (!server)
            return -1;
        platform::SystemClock clock;
        return ntplib::SyncOnce(*server, clock);
    } catch (...) {
        // Nothing may escape into a C caller.
        return -1;
    }
}
