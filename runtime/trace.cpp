#include "runtime/trace.h"

#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

bool LumAOSM_TraceEnabled() {
    static const bool enabled = secure_getenv("TIKO3_TRACE") != nullptr;
    return enabled;
}

void LumAOSM_Trace(const char* format, ...) {
    if (!LumAOSM_TraceEnabled())
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (n >= static_cast<int>(sizeof line))
        n = sizeof line - 1;
    // One write per line, so lines of different threads do not interleave.
    ssize_t ignored = ::write(STDERR_FILENO, line, static_cast<size_t>(n));
    (void)ignored;
}
