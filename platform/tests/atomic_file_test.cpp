#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class AtomicFile : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "atomicfile-XXXXXX").string();
        m_dir = ::mkdtemp(pattern.data());
        m_target = m_dir / "TIKo.sche";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Read() const {
        std::ifstream in(m_target, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Files in the directory besides the target: left-over temporaries.
    int Strays() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_dir))
            count += entry.path() != m_target;
        return count;
    }

    fs::path m_dir;
    fs::path m_target;
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
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            4096, 4096
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool ok = platform::WriteFileAtomically(m_target, std::string(1 << 20, 'x'));
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write should have reported failure";
    EXPECT_EQ(Read(), "old");
    EXPECT_EQ(Strays(), 0);
}

TEST_F(AtomicFile, TargetThatIsNotAFileOrHasNoDirectoryFails) {
    fs::create_directory(m_target);
    EXPECT_FALSE(platform::WriteFileAtomically(m_target, "x"));
    EXPECT_TRUE(fs::is_directory(m_target));
    EXPECT_FALSE(platform::WriteFileAtomically(m_dir / "missing" / "file", "x"));
}

TEST_F(AtomicFile, StaleTemporariesOfTheTargetAloneAreRemoved) {
    ASSERT_TRUE(platform::WriteFileAtomically(m_target, "book"));
    const std::vector<std::string> stale = {".TIKo.sche.a1B2c3", ".TIKo.sche.XXXXXX"};
    const std::vector<std::string> kept = {".TIKo.sche.a1B2c", ".TIKo.sche.a1B2c3d", ".TIKo.sche.ab-cde",
                                           "TIKo.sche.a1B2c3", ".TIKo.conf.a1B2c3",  ".TIKo.sche"};
    for (const auto& name : stale)
        std::ofstream(m_dir / name) << "half";
    for (const auto& name : kept)
        std::ofstream(m_dir / name) << "other";
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
