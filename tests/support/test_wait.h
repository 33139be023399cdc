#pragma once
// Waiting in tests: for a condition, for a call that might hang, and listing the process's threads.

#include <chrono>
#include <functional>
#include <future>
#include <set>
#include <source_location>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

// Generous: a bound only ends a wait that has already failed. The machine may be loaded several
// times over (tests run beside builds, several at once) or the binary slowed by a sanitizer.
inline constexpr std::chrono::milliseconds kWaitBound = std::chrono::seconds(30);
inline constexpr std::chrono::milliseconds kHangBound = std::chrono::seconds(60);

// Polls cond until it holds (true) or `bound` passes (false).
bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds bound = kWaitBound);

// Names of the process's threads; runtime threads all begin with "T_" (sanitizers add their own).
std::multiset<std::string> ThreadNames();

[[noreturn]] void ReportHang(const std::source_location& where, std::chrono::milliseconds bound);

// Runs `call` (a stop, a join) on a helper thread and returns its result. A call still running after
// `bound` ends the binary with the caller's place named: the hang shows where it is, and the test
// can neither go on nor unwind past a thread that still uses its objects.
template <typename Call>
auto Bounded(Call call, std::chrono::milliseconds bound = kHangBound,
             std::source_location where = std::source_location::current()) {
    using Result = std::invoke_result_t<Call&>;
    std::packaged_task<Result()> task(std::move(call));
    std::future<Result> result = task.get_future();
    std::thread runner(std::move(task));
    if (result.wait_for(bound) != std::future_status::ready)
        ReportHang(where, bound);
    runner.join();
    return result.get();
}
