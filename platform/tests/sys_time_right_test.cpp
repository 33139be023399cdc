#include "platform/sys_time_right.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "platform/clock.h"
#include "tests/support/child_process.h"

namespace {

// Runs `body` in a child that has given up CAP_SYS_TIME for good; the child's exit status.
// The child stops before `body` when the right could not be given up, so the real clock is
// never set from here.
int InChildWithoutSysTime(const std::function<int()>& body) {
    return InChild([&] {
        if (!platform::RelinquishSysTimeRight() || platform::HasSysTimeRight())
            return 100;
        return body();
    });
}

}  // namespace

TEST(SysTimeRightTest, SettingFailsWithEpermWithoutTheRight) {
    EXPECT_EQ(0, InChildWithoutSysTime([] {
                  platform::SysTimeRight right;
                  if (right.Raise() || errno != EPERM)
                      return 1;
                  platform::SystemClock clock;
                  errno = 0;
                  if (clock.SetUtc(clock.NowUtc()))
                      return 2;
                  return errno == EPERM ? 0 : 3;
              }));
}

TEST(SysTimeRightTest, DroppingTheEffectiveSetKeepsThePermittedOne) {
    EXPECT_EQ(0, InChildWithoutSysTime([] {
                  // Without the right nothing can be dropped that matters; the call must still work.
                  if (!platform::DropEffectiveCapabilities())
                      return 1;
                  return platform::HasSysTimeRight() ? 2 : 0;
              }));
    // In a child that keeps its permitted set, raising after dropping works again.
    EXPECT_EQ(0, InChild([] {
                  const bool had = platform::HasSysTimeRight();
                  if (!platform::DropEffectiveCapabilities())
                      return 1;
                  return platform::HasSysTimeRight() != had ? 2 : 0;
              }));
}
