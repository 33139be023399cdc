#include "timeservices/command_line.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <memory>
#include <sstream>

#include "test_support.h"
#include "tests/support/fake_clock.h"
#include "tests/support/private_system_bus.h"
#include "tests/support/sntp_responder.h"
#include "treestore/app_store.h"

using Behaviour = CSntpResponder::Behaviour;
using calendar::WallTime;
using platform::FakeClock;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    uint16_t Serve(double offset, Behaviour behaviour = Behaviour::Normal) {
        responders_.push_back(std::make_unique<CSntpResponder>(*clock_, offset, behaviour));
        EXPECT_TRUE(responders_.back()->Start());
        return responders_.back()->Port();
    }
    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }

    // Runs with the fake clock and a private environment, in the test's working directory
    // unless the arguments name another.
    int Run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        if (std::find(args.begin(), args.end(), "--workdir") == args.end()) {
            args.push_back("--workdir");
            args.push_back(dir_.path().string());
        }
        CommandLineContext context{*clock_, [this](const char* name) -> const char* {
                                       const auto it = env_.find(name);
                                       return it == env_.end() ? nullptr : it->second.c_str();
                                   }};
        context.secureExecution = secure_;
        context.interactive = interactive_;
        return RunCommandLine(args, out_, err_, context);
    }
    std::string Server(uint16_t port) const { return "127.0.0.1:" + std::to_string(port); }

    void WriteConfiguration(int bLog, int minutes) {
        auto config = LoadConfiguration(dir_.path());
        config->Env()->bLog = bLog;
        config->SyncInfo()->nTimeOffset = minutes;
        ASSERT_TRUE(SaveConfiguration(*config, dir_.path()));
    }

    TempDir dir_;
    FakeClock fake_{WallTime{1'796'743'800, 0}, calendar::kKoreaUtcOffsetSeconds};
    platform::Clock* clock_ = &fake_;
    bool secure_ = false;
    bool interactive_ = false;
    std::vector<std::unique_ptr<CSntpResponder>> responders_;
    std::map<std::string, std::string> env_;
    std::ostringstream out_;
    std::ostringstream err_;
};

}  // namespace

TEST_F(CommandLineTest, ModesAreRecognised) {
    EXPECT_TRUE(IsCommandLineMode({"--workdir", "x", "--compare"}));
    EXPECT_TRUE(IsCommandLineMode({"--help"}));
    EXPECT_FALSE(IsCommandLineMode({"--workdir", "x"}));
    EXPECT_FALSE(IsCommandLineMode({}));
}

TEST_F(CommandLineTest, HelpExplainsEveryOption) {
    EXPECT_EQ(kExitSuccess, Run({"--help"}));
    for (const char* word : {"--compare", "--sync", "--verbose", "--server", "--secondary", "--workdir",
                             "TIKO3_PRIMARY_SERVER", "TIKO3_SECONDARY_SERVER", "--status", "tiko3", "64"}) {
        EXPECT_NE(std::string::npos, out_.str().find(word)) << word;
    }
    EXPECT_EQ(kExitSuccess, Run({"--compare", "--help"}));
}

TEST_F(CommandLineTest, BadUsageExitsWith64AndSaysWhy) {
    const std::vector<std::vector<std::string>> bad = {
        {"--compare", "--sync"},
        {"--compare", "--bogus"},
        {"--compare", "--server"},
        {"--compare", "--server", "h:0"},
        {"--sync", "--verbose=yes"},
        {"--compare", "--workdir="},
        {"--verbose"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(kExitUsage, Run(args)) << args[1];
        EXPECT_NE(std::string::npos, err_.str().find("--help")) << err_.str();
        EXPECT_EQ("", out_.str());
    }
}

TEST_F(CommandLineTest, CompareAgainstTheGivenServerWithVerboseLines) {
    SetEnv(kPrimaryServerVariable, Server(ClosedPort()));
    const uint16_t port = Serve(-1.5);
    EXPECT_EQ(kExitSuccess, Run({"--compare", "--verbose", "--secondary=" + Server(port)}));
    const std::string out = out_.str();
    EXPECT_NE(std::string::npos, out.find(": no answer: cannot receive the reply (Connection refused)\n"))
        << out;
    EXPECT_NE(std::string::npos,
              out.find("server " + Server(port) +
                       " (127.0.0.1): offset -1.500000 s, delay 0.000000 s, stratum 2, leap 0\n"))
        << out;
    EXPECT_TRUE(out.ends_with("\n사용자 PC가 1.500 초 빠릅니다.\n")) << out;
    EXPECT_TRUE(fake_.Settings().empty());
}

TEST_F(CommandLineTest, EnvironmentNamesTheServersAndOptionsWin) {
    SetEnv(kPrimaryServerVariable, Server(Serve(7)));
    SetEnv(kSecondaryServerVariable, Server(ClosedPort()));
    EXPECT_EQ(kExitSuccess, Run({"--compare"}));
    EXPECT_EQ("사용자 PC가 7.000 초 늦습니다.\n", out_.str());
    EXPECT_EQ(kExitSuccess, Run({"--compare", "--server", Server(Serve(0.5))}));
    EXPECT_EQ("사용자 PC가 0.500 초 늦습니다.\n", out_.str());
    // A variable that would be used must be usable; one that an option replaces does not matter.
    SetEnv(kPrimaryServerVariable, "host:99999");
    EXPECT_EQ(kExitUsage, Run({"--compare"}));
    EXPECT_NE(std::string::npos, err_.str().find("TIKO3_PRIMARY_SERVER='host:99999'")) << err_.str();
    EXPECT_EQ(kExitSuccess, Run({"--compare", "--server", Server(Serve(0.5))}));
}

TEST_F(CommandLineTest, DamagedConfigurationIsSaidButNeverCopiedOrWritten) {
    WriteConfiguration(0, 30);
    std::string text = ReadFile(dir_ / "TIKo.conf");
    text += "junk";
    WriteFile(dir_ / "TIKo.conf", text);
    EXPECT_EQ(kExitSuccess, Run({"--compare", "--server", Server(Serve(7))}));
    EXPECT_NE(std::string::npos, err_.str().find("다 읽지 못했습니다")) << err_.str();
    EXPECT_EQ("사용자 PC가 7.000 초 늦습니다.\n", out_.str());
    EXPECT_EQ(ReadFile(dir_ / "TIKo.conf"), text);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().filename().string().find("damaged"), std::string::npos) << entry.path();
}

TEST_F(CommandLineTest, SyncPrintsFourLinesLogsAndLeavesTheConfigurationAlone) {
    WriteConfiguration(1, 30);
    const std::string before = ReadFile(dir_.path() / kConfFileName);
    EXPECT_EQ(kExitSuccess,
              Run({"--sync", "--server", Server(Serve(0.25)), "--secondary", Server(ClosedPort())}));
    EXPECT_EQ(
        " 0.250 초 이내에서 동기되었습니다.\n"
        "Horologia 표준시 서버 127.0.0.1\n"
        "0.250 초\n"
        "2026년 12월 09일 수요일 01시 00분 00초\n",
        out_.str());
    EXPECT_EQ("", err_.str());
    EXPECT_EQ("2026-12-09 01:00:00 -0.250\n", ReadFile(dir_.path() / kLogFileName));
    EXPECT_EQ(1u, fake_.Settings().size());
    EXPECT_EQ(before, ReadFile(dir_.path() / kConfFileName));
}

TEST_F(CommandLineTest, ExitStatusesTellWhatWentWrong) {
    WriteConfiguration(1, 0);
    // No answer: the message, then the texts of the last synchronisation from the configuration.
    EXPECT_EQ(kExitNoAnswer,
              Run({"--sync", "--server", Server(ClosedPort()), "--secondary", Server(ClosedPort())}));
    EXPECT_EQ(
        "서버에서 응답이 없습니다\n표준시 서버에 접속할 수 없습니다\n0.000 초\n표준시 서버와 동기한적이 "
        "없습니다\n",
        out_.str());

    EXPECT_EQ(kExitRejected, Run({"--compare", "--server", Server(Serve(1, Behaviour::ZeroTimes))}));
    EXPECT_EQ("서버와 동기에 실패했습니다.\n", out_.str());

    fake_.FailSettingWith(EPERM);
    EXPECT_EQ(kExitRejected, Run({"--sync", "--server", Server(Serve(1))}));
    EXPECT_TRUE(out_.str().starts_with("동기에 실패했습니다.\n")) << out_.str();
    EXPECT_NE(std::string::npos, out_.str().find("setcap cap_sys_time+p /usr/bin/LumClient")) << out_.str();
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / kLogFileName));
}

TEST_F(CommandLineTest, DefaultWorkingDirectoryFollowsXdg) {
    const auto lookup = [](std::map<std::string, std::string> env) {
        return [env](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        };
    };
    EXPECT_EQ("/data/TIKo3",
              DefaultWorkingDirectory(lookup({{"XDG_DATA_HOME", "/data"}, {"HOME", "/home/u"}})));
    EXPECT_EQ("/home/u/.local/share/TIKo3", DefaultWorkingDirectory(lookup({{"HOME", "/home/u"}})));
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ("/home/u/.local/share/TIKo3",
              DefaultWorkingDirectory(lookup({{"XDG_DATA_HOME", "rel"}, {"HOME", "/home/u"}})));
    // Neither: no place, never the current directory.
    EXPECT_EQ(DefaultWorkingDirectory(lookup({})), std::filesystem::path());
    EXPECT_EQ(DefaultWorkingDirectory(lookup({{"XDG_DATA_HOME", "rel"}})), std::filesystem::path());
}

TEST_F(CommandLineTest, NoHomeAndNoWorkdirIsSaidWithStatusTwo) {
    CommandLineContext context{*clock_, [](const char*) -> const char* { return nullptr; }};
    EXPECT_EQ(RunCommandLine({"--compare"}, out_, err_, context), kExitRejected);
    EXPECT_NE(err_.str().find(kNoDataHomeText), std::string::npos) << err_.str();
}

// With a file capability the caller may not choose the server: a responder of its own could
// otherwise set the clock to any time it likes.
TEST_F(CommandLineTest, SecureExecutionRefusesCallerChosenServers) {
    secure_ = true;
    const uint16_t port = Serve(100);
    for (const char* option : {"--server", "--secondary"}) {
        EXPECT_EQ(kExitUsage, Run({"--sync", option, Server(port)}));
        EXPECT_NE(std::string::npos, err_.str().find("takes no server")) << err_.str();
        EXPECT_EQ("", out_.str());
    }
    EXPECT_TRUE(fake_.Shifts().empty());
}

// The real setter through a private bus (the fixture gives CAP_SYS_TIME up).
TEST_F(CommandLineTest, SyncAndStatusOnThePrivateBus) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(false)) << bus.Problem();
    platform::SystemClock real;
    clock_ = &real;
    WriteConfiguration(0, -2);
    interactive_ = true;
    EXPECT_EQ(kExitSuccess,
              Run({"--sync", "--server", Server(Serve(2.5)), "--secondary", Server(ClosedPort())}))
        << out_.str();
    ASSERT_EQ(1u, bus.SetTimeCalls().size());
    EXPECT_NEAR(2'500'000 - 120'000'000, bus.SetTimeCalls()[0].microseconds, 5'000);
    EXPECT_TRUE(bus.SetTimeCalls()[0].relative);
    EXPECT_TRUE(bus.SetTimeCalls()[0].interactive);

    EXPECT_EQ(kExitSuccess, Run({"--status"}));
    EXPECT_NE(std::string::npos, out_.str().find("시스템의 시간 서비스(timedated)")) << out_.str();
    EXPECT_NE(std::string::npos, out_.str().find("자동 시각 동기화: 꺼짐")) << out_.str();
    EXPECT_NE(std::string::npos, out_.str().find("마지막 동기: 표준시 서버와 동기한적이 없습니다"))
        << out_.str();
}

TEST_F(CommandLineTest, StatusWithoutATimeServiceNamesNobody) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.Ok()) << bus.Problem();
    EXPECT_EQ(kExitSuccess, Run({"--status"}));
    EXPECT_NE(std::string::npos, out_.str().find("시계를 맞추는 길: 없음")) << out_.str();
    EXPECT_NE(std::string::npos, out_.str().find("알 수 없음")) << out_.str();
    EXPECT_TRUE(IsCommandLineMode({"--status"}));
}
