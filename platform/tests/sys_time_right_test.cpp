#include "platform/sys_time_right.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"

namespace {

// Runs `body` in a child that has given up CAP_SYS_TIME for good; the child's exit status.
// The child stops before `body` when the right could not be given up, so the real clock is
// never set from here.
template <typename Body>
int InChildWithoutSysTime(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!platform::RelinquishSysTimeRight() || platform::HasSysTimeRight())
            _exit(100);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    const pid_t pid = fork();
    if (pid == 0) {
        const bool had = platform::HasSysTimeRight();
        if (!platform::DropEffectiveCapabilities())
            _exit(1);
        if (platform::HasSysTimeRight() != had)
            _exit(2);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
