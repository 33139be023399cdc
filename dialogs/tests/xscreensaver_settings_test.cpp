// The screen-saver choice in ~/.xscreensaver: realistic files are changed only where they must be,
// and a file that cannot be read, understood or written is left as it was.
#include "dialogs/xscreensaver_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/sys_time_right.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

using xscreensaver::XScreenSaverFile;
using xscreensaver::XScreenSaverSettings;

const std::string kOurs = "/usr/libexec/xscreensaver/TIKO3SCR";
const std::string kOurEntry = "\t\t\t\t\"TIKo3\" /usr/libexec/xscreensaver/TIKO3SCR --root\t\\n";

// As xscreensaver's settings program writes it: comments, blank lines, visuals, disabled
// entries, a named entry, the list ended by a blank line, more settings after it.
const std::string kWritten =
    "# XScreenSaver Preferences File\n"
    "# Written for a user on Mon Dec  7 09:12:44 2026.\n"
    "\n"
    "timeout:\t0:10:00\n"
    "cycle:\t\t0:10:00\n"
    "lock:\t\tFalse\n"
    "imageDirectory:\t\n"
    "\n"
    "mode:\t\trandom\n"
    "selected:\t131\n"
    "\n"
    "textMode:\tdate\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
    "  GL: \t\t\t\tsuperquadrics -root\t\t\t    \\n\\\n"
    "-\t\t\t\tnoseguy -root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tglplanet -root\t\t\t\t    \\n\\\n"
    "  Best: \t\t\twormhole -root\t\t\t\t    \\n\\\n"
    "\t\t\t\t\"Photos\"  glslideshow -root -duration 10\t    \\n\\\n"
    "\t\t\t\telectricsheep --root 1\t\t\t    \\n\\\n"
    "\n"
    "\n"
    "pointerPollTime:    0:00:05\n"
    "! a resource comment\n"
    "overlayStderr:\tTrue\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

bool IsOurs(const std::string& word) {
    return word == kOurs || word == "TIKO3SCR";
}

XScreenSaverSettings Parsed(const std::string& text) {
    std::string error;
    std::optional<XScreenSaverSettings> s = XScreenSaverSettings::Parse(text, &error);
    EXPECT_TRUE(s.has_value()) << error;
    return s.value_or(*XScreenSaverSettings::Parse("", nullptr));
}

TEST(XScreenSaverSettings, ReadsTheListAsWritten) {
    const XScreenSaverSettings s = Parsed(kWritten);
    EXPECT_EQ(s.Mode(), "random");
    EXPECT_EQ(s.Selected(), 131);
    ASSERT_EQ(s.Programs().size(), 7u);
    EXPECT_EQ(s.Programs()[1].program, "superquadrics");
    EXPECT_FALSE(s.Programs()[3].enabled);
    EXPECT_EQ(s.Programs()[3].program, "glplanet");
    EXPECT_EQ(s.Programs()[4].program, "wormhole");
    EXPECT_EQ(s.Programs()[5].name, "Photos");
    EXPECT_EQ(s.Programs()[5].command, "glslideshow -root -duration 10");
    EXPECT_TRUE(s.SelectsProgram());
}

struct EditCase {
    const char* what;
    std::string before;
    std::string chosen;  // after choosing ours
    std::string off;     // after switching off (from `before`)
    bool selectsBefore;
};

std::vector<EditCase> EditCases() {
    return {
        {"written by xscreensaver: entry added before the list's blank end", kWritten,
         Replace(Replace(Replace(kWritten, "mode:\t\trandom\n", "mode:\t\tone\n"), "selected:\t131\n",
                         "selected:\t7\n"),
                 "electricsheep --root 1\t\t\t    \\n\\\n",
                 "electricsheep --root 1\t\t\t    \\n\\\n" + kOurEntry + "\\\n"),
         Replace(kWritten, "mode:\t\trandom\n", "mode:\t\toff\n"), true},
        {"our entry present but disabled: enabled and selected, nothing added",
         "mode: blank\nselected: 0\nprograms: \\\n  maze -root \\n\\\n-\tGL: \"TIKo3\" TIKO3SCR --root "
         "\\n\\\n\n",
         "mode: one\nselected: 1\nprograms: \\\n  maze -root \\n\\\n \tGL: \"TIKo3\" TIKO3SCR --root "
         "\\n\\\n\n",
         "mode: off\nselected: 0\nprograms: \\\n  maze -root \\n\\\n-\tGL: \"TIKo3\" TIKO3SCR --root "
         "\\n\\\n\n",
         false},
        {"written by hand: one-line list, no mode, no newline at the end",
         "timeout: 0:05:00\nprograms: maze -root",
         "timeout: 0:05:00\nprograms: maze -root \\n\\\n" + kOurEntry + "\nmode:\t\tone\nselected:\t1\n",
         "timeout: 0:05:00\nprograms: maze -root\nmode:\t\toff\n", true},
        {"no list at all: ours becomes the list", "mode:\toff\n# nothing else\n",
         "mode:\tone\n# nothing else\nselected:\t0\nprograms:\t\\\n" + kOurEntry + "\\\n\n",
         "mode:\toff\n# nothing else\n", false},
        {"the list runs to the end of the file", "mode: one\nselected: 0\nprograms: \\\n  maze -root \\n\\\n",
         "mode: one\nselected: 1\nprograms: \\\n  maze -root \\n\\\n" + kOurEntry + "\n",
         "mode: off\nselected: 0\nprograms: \\\n  maze -root \\n\\\n", true},
    };
}

TEST(XScreenSaverSettings, ChoosingAndSwitchingOffChangeOnlyTheirLinesAndRepeatHarmlessly) {
    for (const EditCase& c : EditCases()) {
        SCOPED_TRACE(c.what);
        const XScreenSaverSettings before = Parsed(c.before);
        EXPECT_EQ(before.SelectsProgram(), c.selectsBefore);

        const std::string chosen = before.WithChosen(xscreensaver::ScreenSaverCommand(kOurs), IsOurs);
        EXPECT_EQ(chosen, c.chosen);
        const XScreenSaverSettings after = Parsed(chosen);
        EXPECT_TRUE(after.SelectsProgram());
        EXPECT_EQ(after.Mode(), "one");
        ASSERT_TRUE(after.Selected().has_value());
        const auto& entry = after.Programs().at(static_cast<size_t>(*after.Selected()));
        EXPECT_TRUE(IsOurs(entry.program));
        EXPECT_TRUE(entry.enabled);
        EXPECT_EQ(entry.name, "TIKo3");
        EXPECT_EQ(after.WithChosen(xscreensaver::ScreenSaverCommand(kOurs), IsOurs), chosen);

        const std::string off = before.WithModeOff();
        EXPECT_EQ(off, c.off);
        EXPECT_FALSE(Parsed(off).SelectsProgram());
        EXPECT_EQ(Parsed(off).WithModeOff(), off);
    }
}

TEST(XScreenSaverSettings, RefusesWhatItCannotSafelyEdit) {
    for (const std::string& text : {std::string("mode: one\nthis is no setting\n"),
                                    std::string("mode: one\nmode: off\n"), std::string("mode: sometimes\n"),
                                    std::string("selected: first\n"), std::string("mode: one\0\n", 11)}) {
        std::string error;
        EXPECT_FALSE(XScreenSaverSettings::Parse(text, &error).has_value()) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(XScreenSaverSettings, QuotesAPathTheShellWouldSplit) {
    EXPECT_EQ(xscreensaver::ScreenSaverCommand("/opt/TIKo3/libexec/TIKO3SCR"),
              "\"TIKo3\" /opt/TIKo3/libexec/TIKO3SCR --root");
    EXPECT_EQ(xscreensaver::ScreenSaverCommand("/home/kim/My Apps/it's/TIKO3SCR"),
              "\"TIKo3\" '/home/kim/My Apps/it'\\''s/TIKO3SCR' --root");
}

class XScreenSaverFileTest : public ::testing::Test {
protected:
    XScreenSaverFileTest() { WriteFile(program_, "#!/bin/sh\n"); }
    TempDir dir_;
    std::filesystem::path settings_ = dir_ / ".xscreensaver";
    std::filesystem::path program_ = dir_ / "TIKO3SCR";
    XScreenSaverFile file_{settings_};
};

TEST_F(XScreenSaverFileTest, AMissingFileIsMadeWhenChosenAndNeedsNothingWhenSwitchedOff) {
    EXPECT_FALSE(file_.SelectsProgram());
    EXPECT_EQ(file_.Unchoose(), "");
    EXPECT_FALSE(std::filesystem::exists(settings_));
    EXPECT_EQ(file_.Choose(program_), "");
    const XScreenSaverSettings s = Parsed(ReadFile(settings_));
    EXPECT_TRUE(s.SelectsProgram());
    ASSERT_EQ(s.Programs().size(), 1u);
    EXPECT_EQ(s.Programs()[0].program, program_.string());
    // Found again by the same file, not added twice.
    const std::string once = ReadFile(settings_);
    EXPECT_EQ(file_.Choose(program_), "");
    EXPECT_EQ(ReadFile(settings_), once);
    EXPECT_EQ(file_.Unchoose(), "");
    EXPECT_FALSE(file_.SelectsProgram());
}

TEST_F(XScreenSaverFileTest, WritesThroughALinkedFile) {
    const std::filesystem::path real = dir_ / "dotfiles-xscreensaver";
    WriteFile(real, kWritten);
    std::filesystem::create_symlink(real, settings_);
    EXPECT_EQ(file_.Unchoose(), "");
    EXPECT_TRUE(std::filesystem::is_symlink(settings_));
    EXPECT_EQ(ReadFile(real), Replace(kWritten, "mode:\t\trandom\n", "mode:\t\toff\n"));

    // A relative link to a file its manager has not made yet stays a link too.
    std::filesystem::remove(settings_);
    std::filesystem::create_directory(dir_ / "dotfiles");
    std::filesystem::create_symlink("dotfiles/xscreensaver", settings_);
    EXPECT_EQ(file_.Choose(program_), "");
    EXPECT_TRUE(std::filesystem::is_symlink(settings_));
    EXPECT_TRUE(Parsed(ReadFile(dir_ / "dotfiles" / "xscreensaver")).SelectsProgram());
}

// The entry is found again however its path had to be quoted, so choosing twice adds it once.
TEST_F(XScreenSaverFileTest, FindsItsEntryAgainWhateverThePathsQuoting) {
    for (const char* folder : {"plain", "My Apps", "it's", "say \"hi\" $HOME"}) {
        const std::filesystem::path program = dir_ / folder / "TIKO3SCR";
        std::filesystem::create_directory(program.parent_path());
        WriteFile(program, "#!/bin/sh\n");
        std::filesystem::remove(settings_);
        EXPECT_EQ(file_.Choose(program), "") << folder;
        const std::string once = ReadFile(settings_);
        EXPECT_EQ(file_.Choose(program), "") << folder;
        EXPECT_EQ(ReadFile(settings_), once) << folder;
        const XScreenSaverSettings s = Parsed(once);
        ASSERT_EQ(s.Programs().size(), 1u) << folder;
        EXPECT_EQ(s.Programs()[0].program, program.string()) << folder;
    }
}

TEST_F(XScreenSaverFileTest, LeavesAFileItCannotReadOrUnderstandAsItWasAndSaysWhy) {
    // Root reads anything, so an unreadable file is a directory in its place.
    std::filesystem::create_directory(settings_);
    for (const std::string& message : {file_.Choose(program_), file_.Unchoose()})
        EXPECT_NE(message.find("읽을 수 없어"), std::string::npos) << message;
    EXPECT_TRUE(std::filesystem::is_directory(settings_));
    EXPECT_FALSE(file_.SelectsProgram());
    std::filesystem::remove(settings_);

    const std::string odd = "mode: one\nselected: 0\nprograms: maze -root\nthis line is not a setting\n";
    WriteFile(settings_, odd);
    for (const std::string& message : {file_.Choose(program_), file_.Unchoose()})
        EXPECT_NE(message.find("내용을 알 수 없어"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(settings_), odd);
}

TEST_F(XScreenSaverFileTest, LeavesTheFileAsItWasWhenItsFolderCannotBeWritten) {
    WriteFile(settings_, kWritten);
    ::chmod(dir_.path().c_str(), 0555);
    // Without CAP_DAC_OVERRIDE, as a user is.
    const int status = InChild([&] {
        if (!platform::DropEffectiveCapabilities())
            return 100;
        const std::string chosen = file_.Choose(program_);
        const std::string off = file_.Unchoose();
        const bool said = chosen.find("저장할 수 없어") != std::string::npos &&
                          off.find("저장할 수 없어") != std::string::npos;
        return said ? 0 : 1;
    });
    ::chmod(dir_.path().c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(settings_), kWritten);
}

}  // namespace
