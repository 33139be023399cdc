// LumClient itself, started as a process on the offscreen platform against a loopback SNTP
// responder, in a temporary working directory and runtime directory of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>
#include <chrono>

#include "encoding/cp949.h"
#include "platform/clock.h"
#include "tests/support/sntp_responder.h"
#include "tests/support/temp_dir.h"
#include "treestore/app_store.h"

namespace {

constexpr int kBoundMs = 30000;

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() {
        runtime_ = std::make_unique<TempDir>("tiko3-run");
        std::filesystem::permissions(runtime_->path(), std::filesystem::perms::owner_all);
        EXPECT_TRUE(responder_.Start());
    }

    // The program with the test hook `hook` (TIKO3_PRINT_RESULTS) in working directory `dir`;
    // `boxes` leaves message boxes on, to show that none is waited for.
    void Start(QProcess& process, const std::filesystem::path& dir, const char* hook, bool boxes = false,
               const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime_->path().string()));
        env.insert(QStringLiteral("HOME"), QString::fromStdString(home_.path().string()));
        if (!boxes)
            env.insert(QStringLiteral("TIKO3_NO_MESSAGE_BOXES"), QStringLiteral("1"));
        const QString server = QStringLiteral("127.0.0.1:%1").arg(responder_.Port());
        env.insert(QStringLiteral("TIKO3_PRIMARY_SERVER"), server);
        env.insert(QStringLiteral("TIKO3_SECONDARY_SERVER"), server);
        env.insert(QStringLiteral("TIKO3_PRINT_RESULTS"), QString::fromUtf8(hook));
        for (const QString& key : extra.keys()) {
            if (extra.value(key).isEmpty())
                env.remove(key);
            else
                env.insert(key, extra.value(key));
        }
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMCLIENT_PATH),
                      {QStringLiteral("--workdir"), QString::fromStdString(dir.string())});
        ASSERT_TRUE(process.waitForStarted(kBoundMs));
    }

    // The next line the program prints, or empty when none comes within the bound.
    static QString ReadLine(QProcess& process) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
        while (!process.canReadLine()) {
            if (std::chrono::steady_clock::now() > deadline || process.state() == QProcess::NotRunning)
                return {};
            process.waitForReadyRead(200);
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    platform::SystemClock clock_;
    // The server is 2.5 s ahead of this PC, so every compare says the PC is slow.
    CSntpResponder responder_{clock_, 2.5};
    std::unique_ptr<TempDir> runtime_;
    TempDir home_{"tiko3-home"};
    TempDir work_{"tiko3-work"};
};

TEST_F(ProgramTest, TheStartUpCompareAlwaysArrives) {
    // The main dialog asks for a compare as it is shown; the frame shows it only once every
    // manager listens, so not one start may lose it.
    for (int run = 0; run < 20; ++run) {
        QProcess program;
        Start(program, work_.path(), "quit");
        const QString line = ReadLine(program);
        EXPECT_TRUE(line.startsWith(QStringLiteral("사용자 PC가 2.")) &&
                    line.endsWith(QStringLiteral("초 늦습니다.")))
            << "run " << run << ": '" << line.toStdString() << "' "
            << program.readAllStandardError().toStdString();
        ASSERT_TRUE(program.waitForFinished(kBoundMs));
        EXPECT_EQ(program.exitCode(), 0);
        // The offscreen platform has no notification area: said once, and the start went on.
        if (run == 0) {
            EXPECT_EQ(
                QString::fromUtf8(program.readAllStandardError()).count(QStringLiteral("알림 영역이 없어")),
                1);
        }
    }
    // The first start seeded the working directory with the shipped files it lacked.
    EXPECT_TRUE(std::filesystem::exists(work_ / "TIKo.hlp"));
    EXPECT_TRUE(std::filesystem::exists(work_ / "frame.bmp"));
}

TEST_F(ProgramTest, ASecondInstanceIsRefusedAndTouchesNothing) {
    QProcess first;
    Start(first, work_.path(), "1");
    ASSERT_FALSE(ReadLine(first).isEmpty()) << first.readAllStandardError().toStdString();

    const std::filesystem::path other = home_ / "other-work";
    QProcess second;
    Start(second, other, "quit");
    ASSERT_TRUE(second.waitForFinished(kBoundMs));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(QString::fromUtf8(second.readAllStandardError())
                  .indexOf(QStringLiteral("이미 실행중인 프로그램이 있습니다")),
              -1);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(other));

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(kBoundMs));
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(ProgramTest, TerminationSignalsSaveBothStoresLoadably) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // The stores on disk carry marks to find again, and an old time to tell a rewrite by.
        auto conf = LoadConfiguration(work_.path());
        conf->Env()->crClockText = 0x123456;
        ASSERT_TRUE(SaveConfiguration(*conf, work_.path()));
        auto book = LoadScheduleBook(work_.path());
        book->RemoveAllItems();
        auto item = std::make_unique<Class_TIKOSCHEDULE>();
        item->nRepeat = kRepeatDaily;
        item->strMemo.Set(*encoding::Utf8ToCp949("신호 " + std::to_string(signal)));
        book->AddItem(std::move(item));
        ASSERT_TRUE(SaveScheduleBook(*book, work_.path()));
        const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
        for (const char* name : {"TIKo.conf", "TIKo.sche"})
            std::filesystem::last_write_time(work_ / name, old);

        QProcess program;
        Start(program, work_.path(), "1");
        ASSERT_FALSE(ReadLine(program).isEmpty()) << program.readAllStandardError().toStdString();
        ASSERT_EQ(kill(static_cast<pid_t>(program.processId()), signal), 0);
        ASSERT_TRUE(program.waitForFinished(kBoundMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(program.exitCode(), 0);

        for (const char* name : {"TIKo.conf", "TIKo.sche"})
            EXPECT_GT(std::filesystem::last_write_time(work_ / name), old)
                << name << " saved at signal " << signal;
        EXPECT_EQ(LoadConfiguration(work_.path())->Env()->crClockText.load(), 0x123456);
        auto reloaded = LoadScheduleBook(work_.path());
        ASSERT_EQ(reloaded->ItemCount(), 1u);
        std::string memo;
        reloaded->ForEachItem([&](const Class_TIKOSCHEDULE& i) { memo = i.strMemo.Get(); });
        EXPECT_EQ(encoding::Cp949ToUtf8Lossy(memo), "신호 " + std::to_string(signal));
    }
}

TEST_F(ProgramTest, ASaveThatFailsAtASignalIsSaidWithoutABoxAndInTheStatus) {
    QProcess program;
    Start(program, work_.path(), "1", /*boxes=*/true);
    ASSERT_FALSE(ReadLine(program).isEmpty()) << program.readAllStandardError().toStdString();
    // Read at the start; by the end "TIKo.conf" has become a directory nothing can replace.
    std::filesystem::remove(work_ / "TIKo.conf");
    std::filesystem::create_directories(work_ / "TIKo.conf" / "full");
    ASSERT_EQ(kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    // Nobody is there to click: the end never waits for a box.
    ASSERT_TRUE(program.waitForFinished(kBoundMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 3);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(errors.count(QStringLiteral("셋업 정보가 저장되지 못햇습니다.")), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("TIKo.conf: "))) << "no reason: " << errors.toStdString();
    EXPECT_EQ(errors.count(QStringLiteral("일정 정보가 저장되지 못햇습니다.")), 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(work_ / "TIKo.sche"));
}

TEST_F(ProgramTest, ADisplayThatCannotBeOpenedIsOneLineAndStatusTwo) {
    // A display number with no server behind it.
    int number = 150;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
        ++number;
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
    extra.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(number));
    QProcess program;
    Start(program, work_.path(), "quit", false, extra);
    ASSERT_TRUE(program.waitForFinished(kBoundMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 2);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("cannot open display ':%1'").arg(number)))
        << errors.toStdString();
}

// Damaged and odd stores at start: nothing blocks, each is said once, the damaged book is kept
// beside itself before the exit saves what was recovered, and a FIFO is left as it was.
TEST_F(ProgramTest, DamagedBookAndAFifoConfigurationAreSaidKeptAndNotWaitedOn) {
    {
        auto book = LoadScheduleBook(work_.path());
        for (const char* memo : {"first", "second", "third"}) {
            auto item = std::make_unique<Class_TIKOSCHEDULE>();
            item->strMemo.Set(memo);
            book->AddItem(std::move(item));
        }
        ASSERT_TRUE(SaveScheduleBook(*book, work_.path()));
    }
    std::string damaged = ReadFile(work_ / "TIKo.sche");
    damaged[damaged.find("001:001", 100) + 2] = '!';  // the second item's level
    WriteFile(work_ / "TIKo.sche", damaged);
    ASSERT_EQ(::mkfifo((work_ / "TIKo.conf").c_str(), 0644), 0);

    QProcess program;
    Start(program, work_.path(), "quit");
    ASSERT_TRUE(program.waitForFinished(kBoundMs)) << "the start blocked";
    const QString said = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(said.count(QStringLiteral("일정 2개만 불러왔습니다")), 1) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("FIFO")), 1 + said.count(QStringLiteral("not replaced")))
        << said.toStdString();
    EXPECT_TRUE(std::filesystem::is_fifo(work_ / "TIKo.conf"));
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work_.path())) {
        if (entry.path().filename().string().starts_with("TIKo.sche.damaged-")) {
            ++kept;
            EXPECT_EQ(ReadFile(entry.path()), damaged);
        }
    }
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(LoadScheduleBook(work_.path())->ItemCount(), 2u);
}

TEST_F(ProgramTest, NoHomeIsSaidWithStatusTwoAndNothingIsWritten) {
    const TempDir cwd{"tiko3-cwd"};
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("HOME"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime_->path().string()));
    env.insert(QStringLiteral("TIKO3_NO_MESSAGE_BOXES"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(cwd.path().string()));
    program.start(QStringLiteral(LUMCLIENT_PATH), {});
    ASSERT_TRUE(program.waitForFinished(kBoundMs));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_NE(QString::fromUtf8(program.readAllStandardError())
                  .indexOf(QStringLiteral("neither HOME nor XDG_DATA_HOME")),
              -1);
    EXPECT_TRUE(std::filesystem::is_empty(cwd.path()));
}

}  // namespace
