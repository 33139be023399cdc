#pragma once
// Why the clock could not be set, in words for the user: shared by the command line and the
// settings page so both give the same advice.

#include <string>
#include <string_view>

// For a refused right (EPERM), how to grant it once to the program at `programPath`; otherwise
// the system's reason for `error`. One or two lines, starting in lower case after a prefix.
std::string ClockSetFailureHint(int error, std::string_view programPath);
