#include "platform/sys_time_right.h"

#include <sys/capability.h>

#include <cerrno>

namespace platform {

namespace {

// Applies one change to the calling thread's sets; keeps errno of the failing call.
bool ChangeSysTime(const cap_flag_t* flags, int count, cap_flag_value_t value) {
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return false;
    cap_value_t which[] = {CAP_SYS_TIME};
    bool ok = true;
    for (int i = 0; i < count && ok; ++i)
        ok = cap_set_flag(caps, flags[i], 1, which, value) == 0;
    if (ok)
        ok = cap_set_proc(caps) == 0;
    const int saved = errno;
    cap_free(caps);
    errno = saved;
    return ok;
}

bool Supported() {
    return CAP_IS_SUPPORTED(CAP_SYS_TIME);
}

}  // namespace

bool HasSysTimeRight() {
    if (!Supported())
        return false;
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return false;
    cap_flag_value_t permitted = CAP_CLEAR;
    cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
    cap_free(caps);
    return permitted == CAP_SET;
}

bool SysTimeRight::Raise() {
    if (!Supported())
        return true;  // no capabilities: as a platform without security tokens
    if (!HasSysTimeRight()) {
        errno = EPERM;
        return false;
    }
    const cap_flag_t effective[] = {CAP_EFFECTIVE};
    if (!ChangeSysTime(effective, 1, CAP_SET))
        return false;
    raised_ = true;
    return true;
}

void SysTimeRight::Lower() {
    if (!raised_)
        return;
    const int saved = errno;
    const cap_flag_t effective[] = {CAP_EFFECTIVE};
    ChangeSysTime(effective, 1, CAP_CLEAR);
    raised_ = false;
    errno = saved;
}

bool DropEffectiveCapabilities() {
    if (!Supported())
        return true;
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return false;
    bool ok = cap_clear_flag(caps, CAP_EFFECTIVE) == 0 && cap_set_proc(caps) == 0;
    const int saved = errno;
    cap_free(caps);
    errno = saved;
    return ok;
}

bool RelinquishSysTimeRight() {
    if (!Supported())
        return true;
    // Dropping from the bounding set needs CAP_SETPCAP, which may itself only be permitted.
    if (CAP_IS_SUPPORTED(CAP_SETPCAP)) {
        cap_t caps = cap_get_proc();
        if (caps != nullptr) {
            cap_value_t setpcap[] = {CAP_SETPCAP};
            cap_flag_value_t permitted = CAP_CLEAR;
            cap_get_flag(caps, CAP_SETPCAP, CAP_PERMITTED, &permitted);
            if (permitted == CAP_SET) {
                cap_set_flag(caps, CAP_EFFECTIVE, 1, setpcap, CAP_SET);
                cap_set_proc(caps);
            }
            cap_free(caps);
        }
        if (CAP_IS_SUPPORTED(CAP_SYS_TIME) && cap_get_bound(CAP_SYS_TIME) == 1 &&
            cap_drop_bound(CAP_SYS_TIME) != 0) {
            return false;
        }
    }
    const cap_flag_t all[] = {CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE};
    return ChangeSysTime(all, 3, CAP_CLEAR) && !HasSysTimeRight();
}

}  // namespace platform
