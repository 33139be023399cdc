#pragma once
// What the back-end benches share: a book of alarms, a query that never asks a server, and the
// observer that measures how far into its second each clock tick arrived.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound_player.h"
#include "runtime/observer.h"
#include "timeservices/manager_services.h"
#include "timeservices/query_server.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

// 300 items from `now` on, one or more due every minute.
inline void AddMinuteAlarms(Class_TIKOSCHEDULE_TOP& book, int64_t now) {
    for (int i = 0; i < 300; ++i) {
        auto item = std::make_unique<Class_TIKOSCHEDULE>();
        item->tWhen = now + 60 * (i % 60);
        item->bAlarmOnTime = true;
        item->bAlarm5Min = (i % 3) == 0;
        item->strMemo.Set("item " + std::to_string(i));
        book.AddItem(std::move(item));
    }
}

// Never the real clock, and no server: a due synchronisation is only told.
inline QueryRunner UnansweredQuery() {
    return [](TimeNotice& notice) {
        notice.bAnswered = false;
        notice.strMessage = "서버에서 응답이 없습니다";
        return false;
    };
}

// The back end's services at rest: the real clock (only read), a counting sound player, the
// stores, and no server.
inline CTiko_Services RestingServices(platform::Clock& clock, platform::ISoundPlayer& sound,
                                      Class_TIKOCONF_TOP& conf, Class_TIKOSCHEDULE_TOP& book) {
    CTiko_Services services;
    services.clock = &clock;
    services.sound = &sound;
    services.conf = &conf;
    services.schedule = &book;
    services.query = UnansweredQuery();
    return services;
}

// How far into its second each clock tick reached a subscriber.
class TickLag final : public CLumAOSM_Observer {
public:
    explicit TickLag(const platform::Clock& clock, bool recording = false)
        : clock_(clock), recording_(recording) {
        SetName("TickLag");
    }
    int Receive(const CLumAOSM_Message*, const char*) override {
        const calendar::WallTime now = clock_.NowUtc();
        std::lock_guard lock(mutex_);
        if (recording_)
            lags_.push_back(now.nanoseconds / 1e6);
        return 0;
    }
    void Record(bool on) {
        std::lock_guard lock(mutex_);
        recording_ = on;
    }
    // Milliseconds past the start of the second, one per tick received while recording.
    std::vector<double> Lags() {
        std::lock_guard lock(mutex_);
        return lags_;
    }

private:
    const platform::Clock& clock_;
    std::mutex mutex_;
    bool recording_;
    std::vector<double> lags_;
};
