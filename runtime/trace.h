#pragma once

// Diagnostic trace of the runtime. A line is composed only when the environment variable
// TIKO3_TRACE is set (read once per process), and then written to standard error.
bool LumAOSM_TraceEnabled();
void LumAOSM_Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
