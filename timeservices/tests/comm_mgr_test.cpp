#include "timeservices/comm_mgr.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "manager_harness.h"

namespace {

using harness::kSeoul;
using harness::kStart;

std::vector<unsigned char> Twice(const TimeTelegram& t) {
    std::vector<unsigned char> out(t.begin(), t.end());
    out.insert(out.end(), t.begin(), t.end());
    return out;
}

void PublishSend(const harness::Runtime& runtime, const TimeTelegram& t) {
    CommSendRequest request;
    std::copy(t.begin(), t.end(), request.bytes);
    request.count = static_cast<int32_t>(t.size());
    CLumAOSM_Message send(AO_COMM_SEND_SIG);
    send.SetParamValue(0, request);
    runtime.mediator()->Publish(send);
}

class CommMgrTest : public testing::Test {
protected:
    CommMgrTest() {
        fx.clock.fake.Set({kStart, 100'000'000});
        fx.clock.fake.SetLocalOffset(kSeoul);
        fx.clock.fake.SetStepPerRead(20'000);
    }
    std::unique_ptr<harness::Running<CTiko_CommMgr>> Start() {
        auto mgr = std::make_unique<harness::Running<CTiko_CommMgr>>(runtime.mediator(), fx.Services());
        EXPECT_TRUE(fx.states.WaitFor("Tiko_CommMgr", AO_ENTRY_SIG));
        return mgr;
    }
    Class_TIKOCONF_COMM& comm() { return *fx.conf->Comm(); }

    harness::Runtime runtime;
    harness::Recorder recorder{runtime.mediator(), {AO_COMM_SENT_SIG}};
    harness::Fixture fx;
};

TEST_F(CommMgrTest, ManualSendWritesTwiceAt4800AndSkipsAMissingPort) {
    comm().bCom1 = 1;
    comm().bCom3 = 1;
    comm().nBaudRate = 1200;
    fx.serial.SetPortPresent(3, false);
    auto mgr = Start();
    const TimeTelegram t = BuildTimeTelegram(7, 5, 9);
    PublishSend(runtime, t);
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 1));
    const auto sessions = fx.serial.Sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].port, 1);
    EXPECT_EQ(sessions[0].baud, 4800);
    EXPECT_EQ(sessions[0].bytes, Twice(t));
    EXPECT_EQ(sessions[0].sends, 2);
    EXPECT_TRUE(sessions[0].closed);
    EXPECT_EQ(fx.serial.FailedOpens(), 1);
}

TEST_F(CommMgrTest, NoPortSelectedStillPublishesSent) {
    auto mgr = Start();
    PublishSend(runtime, BuildTimeTelegram(0, 0, 0));
    // A damaged request (no parameter) sends nothing but is answered too.
    runtime.Publish(AO_COMM_SEND_SIG);
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 2));
    EXPECT_TRUE(fx.serial.Sessions().empty());
}

TEST_F(CommMgrTest, AutomaticSendsAtOnceThenEveryPeriodAtTheCompensationPoint) {
    comm().bCom2 = 1;
    comm().bAutoMode = 1;
    comm().nInterval = 10;
    comm().nIntervalUnit = 0;
    comm().nBaudRate = 2400;
    comm().nCompensationMs = 500;
    std::vector<calendar::WallTime> firstBytes;
    std::mutex mutex;
    fx.serial.SetSendHook([&](int, const unsigned char*, int) {
        std::lock_guard lock(mutex);
        firstBytes.push_back(fx.clock.fake.NowUtc());
    });
    auto mgr = Start();
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 1));
    fx.clock.fake.AdvanceSeconds(9);
    EXPECT_TRUE(fx.clock.WaitForReads(3));
    EXPECT_EQ(recorder.Count(AO_COMM_SENT_SIG), 1u);
    fx.clock.fake.AdvanceSeconds(1);
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 2));

    const auto sessions = fx.serial.Sessions();
    ASSERT_EQ(sessions.size(), 2u);
    std::unique_lock lock(mutex);
    ASSERT_EQ(firstBytes.size(), 4u);  // two sends per session
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(sessions[i].baud, 2400);
        const calendar::WallTime sent = firstBytes[2 * i];
        // The first byte leaves 465..535 ms into the second the telegram names.
        EXPECT_GE(sent.nanoseconds, 465'000'000);
        EXPECT_LE(sent.nanoseconds, 535'000'000);
        const calendar::CivilTime local = fx.clock.ToLocal(sent.seconds);
        EXPECT_EQ(sessions[i].bytes, Twice(BuildTimeTelegram(local.hour, local.minute, local.second)));
    }
    EXPECT_EQ(firstBytes[2].seconds - firstBytes[0].seconds, 10);
    lock.unlock();

    // Back in manual, requests are served again; in automatic they were ignored.
    runtime.Publish(AO_COMM_AUTO_OFF_SIG);
    PublishSend(runtime, BuildTimeTelegram(1, 2, 3));
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 3));
    EXPECT_EQ(fx.serial.Sessions().back().baud, 4800);
}

// A test that moves the clock on hearing of an entry must find the entry's own work done: here,
// the telegram an automatic start sends at once.
TEST_F(CommMgrTest, WhoeverHearsOfAnEntryFindsItsEntryActionsDone) {
    comm().bCom2 = 1;
    comm().bAutoMode = 1;
    std::vector<size_t> sessionsAtEntry;
    CTiko_Services services = fx.Services();
    services.probe = [&, inner = services.probe](const char* manager, int32_t signal) {
        if (signal == AO_ENTRY_SIG)
            sessionsAtEntry.push_back(fx.serial.Sessions().size());
        inner(manager, signal);
    };
    {
        harness::Running<CTiko_CommMgr> mgr(runtime.mediator(), services);
        ASSERT_TRUE(fx.states.WaitFor("Tiko_CommMgr", AO_ENTRY_SIG));
    }
    ASSERT_EQ(sessionsAtEntry.size(), 1u);
    EXPECT_EQ(sessionsAtEntry[0], 1u);
}

// The real termios line on a pseudo-terminal pair, the test reading the master side.
class CommMgrPtyTest : public testing::Test {
protected:
    void SetUp() override {
        char name[128];
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        setenv("TIKO3_COM1", name, 1);
        fx.conf->Comm()->bCom1 = 1;
    }
    void TearDown() override {
        unsetenv("TIKO3_COM1");
        close(slave_);
        close(master_);
    }
    CTiko_Services Services() {
        CTiko_Services s = fx.Services();
        s.clock = &clock;
        s.serialLine = {};
        s.sleep = {};
        return WithProductionDefaults(s);
    }
    // Reads `count` bytes, noting the real time at which the first arrived.
    std::vector<unsigned char> Read(size_t count, calendar::WallTime* first = nullptr) {
        std::vector<unsigned char> out;
        while (out.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10'000) <= 0)
                break;
            if (out.empty() && first != nullptr)
                *first = clock.NowUtc();
            unsigned char buffer[64];
            const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n <= 0)
                break;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    int master_ = -1;
    int slave_ = -1;
    platform::SystemClock clock;
    harness::Runtime runtime;
    harness::Recorder recorder{runtime.mediator(), {AO_COMM_SENT_SIG}};
    harness::Fixture fx;
};

TEST_F(CommMgrPtyTest, ManualSendWritesTheTelegramTwiceAt4800Baud) {
    harness::Running<CTiko_CommMgr> mgr(runtime.mediator(), Services());
    // Subscribed once its first state is entered.
    ASSERT_TRUE(fx.states.WaitFor("Tiko_CommMgr", AO_ENTRY_SIG));
    const TimeTelegram t = BuildTimeTelegram(12, 0, 0);
    PublishSend(runtime, t);
    EXPECT_EQ(Read(20), Twice(t));
    ASSERT_TRUE(recorder.WaitForCount(AO_COMM_SENT_SIG, 1));
    termios settings{};
    ASSERT_EQ(tcgetattr(slave_, &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B4800));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u);
}

TEST_F(CommMgrPtyTest, AutomaticTelegramNamesTheSecondItLeavesIn) {
    fx.conf->Comm()->bAutoMode = 1;
    fx.conf->Comm()->nInterval = 1;
    fx.conf->Comm()->nIntervalUnit = 0;
    fx.conf->Comm()->nCompensationMs = 500;
    harness::Running<CTiko_CommMgr> mgr(runtime.mediator(), Services());
    for (int i = 0; i < 2; ++i) {
        calendar::WallTime arrived;
        const std::vector<unsigned char> bytes = Read(20, &arrived);
        ASSERT_EQ(bytes.size(), 20u);
        const std::vector<unsigned char> telegram(bytes.begin(), bytes.begin() + 10);
        // The second it names, looked for back from the moment it was read: a loaded machine may
        // read it a while after it left, but never before its second's compensation point.
        int late = 0;
        for (; late <= 5; ++late) {
            const calendar::CivilTime local = clock.ToLocal(arrived.seconds - late);
            const TimeTelegram named = BuildTimeTelegram(local.hour, local.minute, local.second);
            if (telegram == std::vector<unsigned char>(named.begin(), named.end()))
                break;
        }
        ASSERT_LE(late, 5) << "the telegram names none of the last seconds before it was read";
        if (late == 0) {
            EXPECT_GE(arrived.nanoseconds, 465'000'000);
        }
        std::printf("telegram %d: first byte read %d s and %.1f ms after its second began\n", i, late,
                    arrived.nanoseconds / 1e6);
    }
}

}  // namespace
