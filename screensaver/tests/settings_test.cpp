#include "screensaver/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace scr {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
protected:
    void Write(const std::string& text) { WriteFile(path_, text); }
    std::string Read() const { return ReadFile(path_); }
    TempDir temp_{"scr_settings"};
    const std::string dir_ = temp_.path().string();
    std::string path_ = dir_ + "/TIKO3SCR.INI";
};

TEST_F(SettingsFile, MissingFileGivesTheDefaults) {
    ScrSettings s;
    ReadSettings(path_, s);
    EXPECT_EQ(s, (ScrSettings{0, 0, 1, 1000, 0}));
}

TEST_F(SettingsFile, SpecialFileInItsPlaceGivesTheDefaultsAndIsNotReplaced) {
    std::filesystem::create_symlink("/dev/zero", path_);
    const int status = InChild(
        [&] {
            ScrSettings s{1, 1, 0, 5, 1};
            ReadSettings(path_, s);
            return s == ScrSettings{0, 0, 1, 1000, 0} && !WriteSettings(path_, s) ? 0 : 1;
        },
        std::chrono::seconds(20));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
}

TEST_F(SettingsFile, OnlyTheFirstCharacterOfAFlagCounts) {
    Write("[TIKO3SCR]\nbType=1abc\nbCarlendar=true\nbSyncUse=0\nn24Mode=yes\nnSyncDuration=  42s\n");
    ScrSettings s;
    s.n24Mode = 1;
    ReadSettings(path_, s);
    EXPECT_EQ(s.bType, 1);
    EXPECT_EQ(s.bCarlendar, 0);  // "true" leaves the flag as it was
    EXPECT_EQ(s.n24Mode, 1);     // likewise "yes"
    EXPECT_EQ(s.bSyncUse, 0);
    EXPECT_EQ(s.nSyncDuration, 42);
}

TEST_F(SettingsFile, IntervalWithoutDigitsIsZeroAndHugeOnesAreClamped) {
    ScrSettings s;
    ReadSettingsText("[tiko3scr]\nNSYNCDURATION=abc\n", s);
    EXPECT_EQ(s.nSyncDuration, 0);
    ReadSettingsText("[TIKO3SCR]\nnSyncDuration=-30\n", s);
    EXPECT_EQ(s.nSyncDuration, -30);
    ReadSettingsText("[TIKO3SCR]\nnSyncDuration=99999999999999\n", s);
    EXPECT_EQ(s.nSyncDuration, 2147483647);
}

TEST_F(SettingsFile, KeysOfOtherSectionsAreNotReadAndWindowsLineEndsAreFine) {
    ScrSettings s;
    ReadSettingsText("[TIKO3SCR]\r\nbType=1\r\nnSyncDuration=\"77\"\r\n", s);
    EXPECT_EQ(s.bType, 1);
    EXPECT_EQ(s.nSyncDuration, 77);
    s = {};
    ReadSettingsText("[Other]\nbType=1\nbSyncUse=0\n[TIKO3SCR]\n; comment\nbCarlendar = 1 \n", s);
    EXPECT_EQ(s, (ScrSettings{0, 1, 1, 1000, 0}));
}

TEST_F(SettingsFile, WriteRoundTripsAndKeepsOtherLines) {
    Write("; mine\n[Other]\nx=1\n[TIKO3SCR]\nbType=0\nextra=keep\n");
    ASSERT_TRUE(WriteSettings(path_, {1, 1, 0, 250, 1}));
    EXPECT_EQ(Read(),
              "; mine\n[Other]\nx=1\n[TIKO3SCR]\nbType=1\nextra=keep\nbCarlendar=1\nbSyncUse=0\n"
              "nSyncDuration=250\nn24Mode=1\n");
    ScrSettings s;
    ReadSettings(path_, s);
    EXPECT_EQ(s, (ScrSettings{1, 1, 0, 250, 1}));
}

TEST_F(SettingsFile, WriteMakesTheFileAndItsDirectoryInKeyOrder) {
    path_ = dir_ + "/sub/dir/TIKO3SCR.INI";
    const mode_t mask = umask(022);
    ASSERT_TRUE(WriteSettings(path_, {0, 1, 1, -5, 0}));
    umask(mask);
    EXPECT_EQ(Read(), "[TIKO3SCR]\nbType=0\nbCarlendar=1\nbSyncUse=1\nnSyncDuration=-5\nn24Mode=0\n");
    // A new file is made like any other the user's programs make, not private to the saver.
    EXPECT_EQ(fs::perms(0644), fs::status(path_).permissions());
}

TEST_F(SettingsFile, InterruptedWriteLeavesTheOldSettingsAndNoTemporaryFile) {
    Write("[TIKO3SCR]\nbType=1\nnSyncDuration=5\n");
    // A child whose files may not grow past 16 bytes: the new text cannot be written whole,
    // whoever runs the test (root ignores directory permissions, not this limit).
    EXPECT_EQ(0, InChild([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{16, 16};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  return WriteSettings(path_, {0, 1, 0, 12345, 1}) ? 1 : 0;
              }))
        << "the write reported success";
    EXPECT_EQ(Read(), "[TIKO3SCR]\nbType=1\nnSyncDuration=5\n");
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir_))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1) << "a temporary file was left behind";
}

TEST(SettingsPath, FollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(SettingsPath(), "/tmp/cfg/TIKO3SCR.INI");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the base directory rules say
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SettingsPath(), "/home/u/.config/TIKO3SCR.INI");
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace scr
