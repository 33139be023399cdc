#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/sys_time_right.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class AtomicFile : public testing::Test {
protected:
    std::string Read() const { return ReadFile(m_target); }
    // Files in the directory besides the target: left-over temporaries.
    int Strays() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_dir))
            count += entry.path() != m_target;
        return count;
    }

    TempDir m_temp{"atomicfile"};
    const fs::path m_dir = m_temp.path();
    const fs::path m_target = m_dir / "TIKo.sche";
};

TEST_F(AtomicFile, ReplacesContentAndKeepsPermissionBits) {
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "old"));
    ::chmod(m_target.c_str(), 0640);
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, std::string("new\0\xff", 5)));
    EXPECT_EQ(Read(), std::string("new\0\xff", 5));
    struct stat st {};
    ::stat(m_target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Strays(), 0);
}

TEST_F(AtomicFile, NewFileFollowsTheUmask) {
    mode_t previous = ::umask(077);
    bool written = platform::WriteFileAtomically(m_target, "private");
    ::umask(previous);
    ASSERT_TRUE(written);
    struct stat st {};
    ::stat(m_target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(AtomicFile, AbandonedWriteLeavesTheOldFile) {
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "old"));
    EXPECT_FALSE(platform::WriteFileAtomically(m_target, [](std::FILE* file) {
        std::fputs("half", file);
        return false;
    }));
    EXPECT_EQ(Read(), "old");
    EXPECT_EQ(Strays(), 0);
}

TEST_F(AtomicFile, FullDiskLeavesTheOldFile) {
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "old"));
    // A file size limit in a child stands in for a full disk: writes past it
    // fail with EFBIG.
    EXPECT_EQ(0, InChild([&] {
                  ::signal(SIGXFSZ, SIG_IGN);
                  struct rlimit limit {
                      4096, 4096
                  };
                  ::setrlimit(RLIMIT_FSIZE, &limit);
                  return platform::WriteFileAtomically(m_target, std::string(1 << 20, 'x')) ? 1 : 0;
              }))
        << "the write should have reported failure";
    EXPECT_EQ(Read(), "old");
    EXPECT_EQ(Strays(), 0);
}

TEST_F(AtomicFile, TargetThatIsNotAFileOrHasNoDirectoryFailsWithItsOwnErrno) {
    fs::create_directory(m_target);
    EXPECT_FALSE(platform::WriteFileAtomically(m_target, "x"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(fs::is_directory(m_target));
    EXPECT_FALSE(platform::WriteFileAtomically(m_dir / "missing" / "file", "x"));
    EXPECT_EQ(errno, ENOENT);
    // A read-only directory, as a user: the reason is the permission, not a missing file.
    fs::remove(m_target);
    ::chmod(m_dir.c_str(), 0555);
    const int status = InChild([&] {
        if (!platform::DropEffectiveCapabilities())
            return 100;
        return !platform::WriteFileAtomically(m_target, "x") && errno == EACCES ? 0 : 1;
    });
    ::chmod(m_dir.c_str(), 0755);
    EXPECT_EQ(status, 0);
}

TEST_F(AtomicFile, LinkToAFileIsWrittenThroughAndStaysALink) {
    TempDir elsewhere{"atomicfile-target"};
    const fs::path target = elsewhere.path() / "book";
    ASSERT_TRUE(platform::WriteFileAtomically(target, "old"));
    fs::create_symlink(target, m_target);
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "new"));
    EXPECT_TRUE(fs::is_symlink(m_target));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(Strays(), 0);
    // A dangling link is replaced as a missing file would be created.
    fs::remove(m_target);
    fs::create_symlink(m_dir / "nowhere", m_target);
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "fresh"));
    EXPECT_EQ(Read(), "fresh");
}

TEST_F(AtomicFile, StaleTemporariesOfTheTargetAloneAreRemoved) {
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "book"));
    const std::vector<std::string> stale = {".TIKo.sche.a1B2c3", ".TIKo.sche.XXXXXX"};
    const std::vector<std::string> kept = {".TIKo.sche.a1B2c", ".TIKo.sche.a1B2c3d", ".TIKo.sche.ab-cde",
                                           "TIKo.sche.a1B2c3", ".TIKo.conf.a1B2c3",  ".TIKo.sche"};
    for (const auto& name : stale)
        WriteFile(m_dir / name, "half");
    for (const auto& name : kept)
        WriteFile(m_dir / name, "other");
    EXPECT_EQ(platform::RemoveStaleTemporaries(m_target), 2);
    for (const auto& name : stale)
        EXPECT_FALSE(fs::exists(m_dir / name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(m_dir / name)) << name;
    EXPECT_EQ(Read(), "book");
    EXPECT_EQ(platform::RemoveStaleTemporaries(m_dir / "missing" / "file"), 0);
}

TEST_F(AtomicFile, ReadWholeFileReadsEverythingFromTheCurrentPosition) {
    std::string big(200000, 'a');
    big[123456] = '\xff';
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, big));
    std::FILE* file = std::fopen(m_target.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(platform::ReadWholeFile(file), big);
    std::fclose(file);
    EXPECT_EQ(platform::ReadWholeFile(nullptr), std::nullopt);
}

}  // namespace
