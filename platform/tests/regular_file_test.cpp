#include "platform/regular_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(RegularFile, ReadsARegularFileWholeOrItsStartAndTellsAMissingOne) {
    TempDir dir;
    WriteFile(dir / "f", std::string("a\0b\xff", 4));
    std::string reason;
    EXPECT_EQ(platform::ReadRegularFile(dir / "f", &reason), std::string("a\0b\xff", 4));
    EXPECT_EQ(platform::ReadRegularFileStart(dir / "f", 2, &reason), std::string("a\0", 2));
    bool missing = false;
    EXPECT_FALSE(platform::ReadRegularFile(dir / "nothing", &reason, platform::kMaxReadSize, &missing));
    EXPECT_TRUE(missing);
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(RegularFile, RefusesALargerFileThanTheLimit) {
    TempDir dir;
    WriteFile(dir / "f", std::string(100'001, 'x'));
    std::string reason;
    bool missing = true;
    EXPECT_FALSE(platform::ReadRegularFile(dir / "f", &reason, 100'000, &missing));
    EXPECT_FALSE(missing);
    EXPECT_NE(reason.find("larger than 100000"), std::string::npos) << reason;
    EXPECT_EQ(platform::ReadRegularFile(dir / "f", &reason, 100'001)->size(), 100'001u);
}

// A FIFO without a writer, an endless device, a directory: refused at once, each named.
TEST(RegularFile, RefusesSpecialFilesWithoutBlocking) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero");
    const int status = InChild(
        [&] {
            std::string fifo, zero, folder, start;
            bool missing = true;
            const bool refused =
                !platform::ReadRegularFile(dir / "fifo", &fifo, platform::kMaxReadSize, &missing) &&
                !platform::ReadRegularFile(dir / "zero", &zero) &&
                !platform::ReadRegularFile(dir.path(), &folder) &&
                !platform::ReadRegularFileStart(dir / "fifo", 10, &start) &&
                platform::OpenRegularFile(dir / "zero", nullptr) < 0;
            const bool said = fifo.find("FIFO") != std::string::npos &&
                              zero.find("character device") != std::string::npos &&
                              folder.find("directory") != std::string::npos;
            return refused && said && !missing ? 0 : 1;
        },
        20s);
    EXPECT_EQ(status, 0) << "a read blocked, or a special file was read";
}

}  // namespace
