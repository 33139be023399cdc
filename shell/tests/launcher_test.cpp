// The browser fallback: the command line made from $BROWSER, and the child started without a
// shell and collected when it ends.
#include "shell/launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "tests/support/test_wait.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

TEST(BrowserArguments, PutTheAddressAtThePlaceholderOrAfterTheCommand) {
    const QString address = QStringLiteral("https://example.org/a?b=1&c=2%s");
    const struct {
        const char* line;
        QStringList expected;
    } cases[] = {
        {"\"/opt/Web Browser/browser\" -new-window \"%1\"",
         {"/opt/Web Browser/browser", "-new-window", address}},
        {"firefox %1 --private", {"firefox", address, "--private"}},
        {"browser --url=%s --new", {"browser", "--url=" + address, "--new"}},
        {"chromium --incognito", {"chromium", "--incognito", address}},
        {"  lynx  ", {"lynx", address}},
        {"w3m %s", {"w3m", address}},
        {"browser \"%s\"", {"browser", address}},
        {"\"%1\"", {}},  // no program: not started
        {"%s --new-tab", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowserArguments(QString::fromUtf8(c.line), address), c.expected) << c.line;
}

bool Gone(pid_t pid) {
    // A zombie keeps its /proc entry until it is collected.
    return !std::filesystem::exists("/proc/" + std::to_string(pid));
}

TEST(SpawnReaped, RunsWithoutAShellAndLeavesNoZombie) {
    TempDir dir;
    const std::filesystem::path out = dir / "out";
    // The ';' reaches sh -c as text, as one argument: nothing in between interprets it.
    const pid_t pid =
        SpawnReaped({"sh", "-c", "printf '%s|' \"$0\" \"$1\" > \"$2\"", "a;b", "$HOME", out.string()});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(out) == "a;b|$HOME|"; }));
    EXPECT_TRUE(WaitUntil([&] { return Gone(pid); }));
    EXPECT_EQ(SpawnReaped({"/nonexistent/browser"}), -1);
}

TEST(DesktopLauncher, FallsBackToTheBrowserCommandsInTurn) {
    shell_test::App();  // offscreen: the desktop's own opening fails
    TempDir dir;
    const std::filesystem::path script = dir / "my browser";
    const std::filesystem::path out = dir / "args";
    WriteFile(script,
              "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" + out.string() + "\"\n");
    ::chmod(script.c_str(), 0755);
    const QByteArray saved = qgetenv("BROWSER");
    qputenv("BROWSER", QByteArray("/nonexistent/browser %s:\"") + script.c_str() + "\" --new \"%1\"");
    DesktopLauncher launcher;
    EXPECT_TRUE(launcher.OpenUrl(QStringLiteral("https://example.org/x y")));
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(out) == "[--new][https://example.org/x y]"; }))
        << ReadFile(out);
    qputenv("BROWSER", "");
    EXPECT_FALSE(launcher.OpenUrl(QStringLiteral("https://example.org/")));
    qputenv("BROWSER", saved);
}

}  // namespace
