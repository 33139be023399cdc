#include "platform/font_alias.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The installed layout as the package lays it out, plus a build tree's program directory with the
// aliases copied beside the program.
class FontAliasLayout : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dir :
             {"usr/bin", "usr/libexec/xscreensaver", "usr/share/TIKo3/fonts", "build", "bare"})
            fs::create_directories(root_ / dir);
        for (const char* file : {"usr/share/TIKo3/fonts/tiko3-fonts.conf", "build/tiko3-fonts.conf"})
            std::ofstream(root_ / file) << "<fontconfig/>\n";
    }
    TempDir temp_{"tiko3-fonts"};
    const fs::path root_ = temp_.path();
};

TEST_F(FontAliasLayout, EachProgramFindsTheAliasesFromItsOwnPlace) {
    const struct {
        const char* programDir;
        const char* found;  // relative to the root; empty: none
    } cases[] = {
        {"usr/bin", "usr/share/TIKo3/fonts/tiko3-fonts.conf"},                   // LumClient
        {"usr/libexec/xscreensaver", "usr/share/TIKo3/fonts/tiko3-fonts.conf"},  // TIKO3SCR
        {"build", "build/tiko3-fonts.conf"},                                     // a build tree
        {"bare", ""},
    };
    for (const auto& c : cases) {
        const std::string found = platform::FindFontAliases((root_ / c.programDir).string());
        if (*c.found == '\0') {
            EXPECT_EQ(found, "") << c.programDir;
        } else {
            ASSERT_FALSE(found.empty()) << c.programDir;
            EXPECT_EQ(fs::canonical(found), fs::canonical(root_ / c.found)) << c.programDir;
        }
    }
}

}  // namespace
