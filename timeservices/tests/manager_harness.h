#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "runtime/mediator.h"
#include "runtime/timer_agent.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_line.h"
#include "tests/support/fake_sound_player.h"
#include "tests/support/test_wait.h"
#include "timeservices/manager_services.h"
#include "timeservices/query_server.h"
#include "timeservices/sche_mgr.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace harness {

constexpr auto kBound = kWaitBound;
// The fake clocks' usual start (2023-11-14 22:13:20 UTC) and Korea's offset from UTC.
inline constexpr int64_t kStart = 1'700'000'000;
inline constexpr int64_t kSeoul = 9 * 3600;

using ::WaitUntil;

// A fake clock that counts its reads, so a test can wait until a manager has looked again.
class CountingClock final : public platform::Clock {
public:
    explicit CountingClock(calendar::WallTime start = {1'700'000'000, 0}, int64_t localOffset = 0)
        : fake(start, localOffset) {}
    calendar::WallTime NowUtc() const override {
        reads_.fetch_add(1);
        return fake.NowUtc();
    }
    bool SetUtc(calendar::WallTime t) override { return fake.SetUtc(t); }
    platform::ClockSetResult Shift(int64_t microseconds, platform::Prompt prompt) override {
        return fake.Shift(microseconds, prompt);
    }
    calendar::CivilTime ToLocal(int64_t s) const override { return fake.ToLocal(s); }
    int64_t FromLocal(const calendar::CivilTime& local) const override { return fake.FromLocal(local); }

    int64_t Reads() const { return reads_.load(); }
    // True once `more` further reads have happened.
    bool WaitForReads(int64_t more) const {
        const int64_t target = Reads() + more;
        return WaitUntil([&] { return Reads() >= target; });
    }
    // Local time of day on the fake clock's local offset.
    void SetLocal(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
        calendar::CivilTime t;
        t.year = year;
        t.month = month;
        t.day = day;
        t.hour = hour;
        t.minute = minute;
        t.second = second;
        fake.Set({fake.FromLocal(t), ms * 1'000'000});
    }

    platform::FakeClock fake;

private:
    mutable std::atomic<int64_t> reads_{0};
};

// The timer agent and the mediator of one test, without the runtime's shut-down pause.
class Runtime {
public:
    Runtime() {
        agent_ = new CLumAOSM_TimerAgent;
        CLumAOSM_TimerAgent::SetProcess(agent_);
        const ThreadStartParams agentName = ThreadStartParams::Named("T_TimerAgent");
        agent_->Start(&agentName);
        mediator_ = new CLumAOSM_Mediator;
        CLumAOSM_Mediator::SetProcess(mediator_);
        mediator_->Start(nullptr);
    }
    ~Runtime() {
        mediator_->Stop();
        Bounded([&] { return mediator_->WaitUntilStopped(); });
        CLumAOSM_Mediator::SetProcess(nullptr);
        delete mediator_;
        agent_->Stop();
        Bounded([&] { return agent_->WaitUntilStopped(); });
        CLumAOSM_TimerAgent::SetProcess(nullptr);
        delete agent_;
    }
    CLumAOSM_Mediator* mediator() const { return mediator_; }
    void Publish(int32_t signal) const { mediator_->Publish(CLumAOSM_Message(signal)); }

private:
    CLumAOSM_TimerAgent* agent_;
    CLumAOSM_Mediator* mediator_;
};

// Subscribes to signals and keeps what arrives: result records, alarm texts, counts.
class Recorder final : public CLumAOSM_Observer {
public:
    struct Received {
        int32_t signal = 0;
        TimeNotice notice;
        bool hasNotice = false;
        std::string alarmFirst;
        std::string alarmSecond;
    };

    Recorder(CLumAOSM_Mediator* mediator, std::initializer_list<int32_t> watched) : mediator_(mediator) {
        SetName("Recorder");
        for (int32_t signal : watched)
            mediator_->Subscribe(this, signal);
    }
    ~Recorder() override { mediator_->UnsubscribeAll(this); }

    int Receive(const CLumAOSM_Message* message, const char*) override {
        Received entry;
        entry.signal = message->GetSignal();
        entry.hasNotice = GetTimeNotice(*message, 0, &entry.notice);
        CTiko_AlarmTexts texts;
        if (entry.signal == AO_ALARM_NOTIFY_SIG && GetAlarmTexts(*message, &texts)) {
            entry.alarmFirst = texts.first;
            entry.alarmSecond = texts.second;
        }
        std::lock_guard lock(mutex_);
        received_.push_back(std::move(entry));
        return 0;
    }

    std::vector<Received> All(int32_t signal) const {
        std::lock_guard lock(mutex_);
        std::vector<Received> out;
        for (const Received& r : received_)
            if (r.signal == signal)
                out.push_back(r);
        return out;
    }
    size_t Count(int32_t signal) const { return All(signal).size(); }
    bool WaitForCount(int32_t signal, size_t count) const {
        return WaitUntil([&] { return Count(signal) >= count; });
    }

private:
    CLumAOSM_Mediator* mediator_;
    mutable std::mutex mutex_;
    std::vector<Received> received_;
};

// Keeps the entry and exit signals the managers report, in order.
class StateLog {
public:
    StateProbe Probe() {
        return [this](const char* manager, int32_t signal) {
            std::lock_guard lock(mutex_);
            events_.emplace_back(manager, signal);
        };
    }
    std::vector<std::pair<std::string, int32_t>> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    size_t Count(const std::string& manager, int32_t signal) const {
        size_t n = 0;
        for (const auto& [name, sig] : Events())
            n += name == manager && sig == signal;
        return n;
    }
    bool WaitFor(const std::string& manager, int32_t signal, size_t count = 1) const {
        return WaitUntil([&] { return Count(manager, signal) >= count; });
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, int32_t>> events_;
};

// Hands out lines that all write into one shared fake, so a test sees every port's sessions.
class SharedFakeLine final : public platform::ISerialLine {
public:
    explicit SharedFakeLine(platform::FakeSerialLine& fake) : fake_(fake) {}
    bool Open(int port, int baud) override { return fake_.Open(port, baud); }
    int Send(const unsigned char* bytes, int length) override { return fake_.Send(bytes, length); }
    bool Close() override { return fake_.Close(); }

private:
    platform::FakeSerialLine& fake_;
};

// The configuration and schedule trees, defaults, and services on fakes.
struct Fixture {
    Fixture()
        : conf(CTIKOConfList_Mgr().BuildDefaultTree()), book(CTIKOScheduleList_Mgr().BuildDefaultTree()) {}

    CTiko_Services Services() {
        CTiko_Services s;
        s.clock = &clock;
        s.sound = &sound;
        s.serialLine = [this] { return std::make_unique<SharedFakeLine>(serial); };
        // Sleeping moves the fake clock on instead.
        s.sleep = [this](std::chrono::nanoseconds span) { clock.fake.Advance(span.count()); };
        s.conf = conf.get();
        s.schedule = book.get();
        s.probe = states.Probe();
        return s;
    }

    CountingClock clock;
    platform::FakeSoundPlayer sound;
    platform::FakeSerialLine serial;
    std::unique_ptr<Class_TIKOCONF_TOP> conf;
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> book;
    StateLog states;
};

// Starts a manager and stops it (waiting for its thread) when the scope ends.
template <class T>
class Running {
public:
    Running(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
        : manager_(std::make_unique<T>(mediator, services)) {
        manager_->Start(nullptr);
    }
    ~Running() { Stop(); }
    void Stop() {
        if (manager_ && manager_->IsRunning()) {
            manager_->Stop();
            Bounded([&] { return manager_->WaitUntilStopped(); });
        }
    }
    T* operator->() const { return manager_.get(); }

private:
    std::unique_ptr<T> manager_;
};

}  // namespace harness
