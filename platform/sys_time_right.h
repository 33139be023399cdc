#pragma once

namespace platform {

// The right to set the clock (CAP_SYS_TIME), held in the permitted set and raised into the
// effective set only while the clock is being set, like a Windows privilege.
class SysTimeRight {
public:
    SysTimeRight() = default;
    SysTimeRight(const SysTimeRight&) = delete;
    SysTimeRight& operator=(const SysTimeRight&) = delete;
    ~SysTimeRight() { Lower(); }

    // True when the clock may now be set: the right is effective, or the kernel has no
    // capabilities at all (then there is nothing to raise). False with errno otherwise.
    bool Raise();
    // Takes the right out of the effective set again if Raise put it there.
    void Lower();

private:
    bool raised_ = false;
};

// True when CAP_SYS_TIME is in the permitted set, so a Raise can succeed.
bool HasSysTimeRight();

// Empties the effective set (keeping the permitted one), so that nothing is effective outside
// the moments that need it. Call before starting threads: capabilities are per thread.
bool DropEffectiveCapabilities();

// Gives CAP_SYS_TIME up for good: bounding, permitted, effective and inheritable sets.
bool RelinquishSysTimeRight();

}  // namespace platform
