#include "timeservices/clock_right.h"

#include <cerrno>
#include <cstring>

std::string ClockSetFailureHint(int error, std::string_view programPath) {
    if (error == EPERM) {
        std::string hint =
            "this program may not set the clock. Grant it the right once with:\n"
            "  sudo setcap cap_sys_time+p ";
        hint += programPath;
        return hint;
    }
    return std::string("setting the clock failed: ") + std::strerror(error);
}
