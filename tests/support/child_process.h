#pragma once

#include <chrono>
#include <functional>

// Runs `body` in a forked child and returns the child's exit status (body's result). -1 when the
// child was killed by a signal or had not ended within `bound` (then it is killed). The child
// ends with _exit, so no destructor or test framework of the parent runs twice.
int InChild(const std::function<int()>& body, std::chrono::milliseconds bound = std::chrono::seconds(60));
