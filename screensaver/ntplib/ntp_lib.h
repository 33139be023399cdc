#pragma once
// The synchronisation library's one entry point, bound when the screen saver loads.

#ifdef __cplusplus
extern "C" {
#endif

// One SNTP exchange with the configured server, then the clock set to its time.
// 0 on success, -1 on any failure.
__attribute__((visibility("default"))) int SetSyncTime(void);

#ifdef __cplusplus
}
#endif
