#include "shell/schedule_report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

#include "encoding/cp949.h"
#include "treestore/schedule_schema.h"

namespace {

constexpr char kHeader1[] =
    "\t\t\t[ TIKo3 일정 레포트 ] \r\n\r\n========================   정기 일정 "
    "===============================\r\n\r\n";
constexpr char kHeader2[] =
    "\r\n========================   당일 일정 ===============================\r\n\r\n";
constexpr const char* kWeekdays[7] = {"일요일", "월요일", "화요일", "수요일", "목요일", "금요일", "토요일"};

struct Entry {
    int repeat;
    calendar::CivilTime when;
    std::string memo;
};

template <class... Args>
std::string Format(const char* format, Args... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, n < 0 ? 0 : std::min<size_t>(n, sizeof buffer - 1));
}

}  // namespace

std::string BuildScheduleReport(const Class_TIKOSCHEDULE_TOP& book, const platform::Clock& clock) {
    // Copy out under the book's lock; the text is built without it.
    std::vector<Entry> entries;
    book.ForEachItem([&](const Class_TIKOSCHEDULE& item) {
        entries.push_back({item.nRepeat.load(), clock.ToLocal(item.tWhen.load()),
                           encoding::Cp949ToUtf8Lossy(item.strMemo.Get())});
    });
    if (entries.empty())
        return {};

    std::string repeating;
    int counter = 1;
    for (const Entry& e : entries) {
        const calendar::CivilTime& t = e.when;
        std::string line;
        if (e.repeat == kRepeatDaily) {
            line = Format("%02d: 매일\t\t%02d:%02d\t", counter, t.hour, t.minute);
        } else if (e.repeat == kRepeatWeekly) {
            const int weekday = t.dayOfWeek >= 0 && t.dayOfWeek < 7 ? t.dayOfWeek : 0;
            line = Format("%02d: 매주 %s\t%02d:%02d\t", counter, kWeekdays[weekday], t.hour, t.minute);
        } else if (e.repeat == kRepeatMonthly) {
            line = Format("%02d: 매달 %02d일\t%02d:%02d\t", counter, t.day, t.hour, t.minute);
        } else {
            continue;
        }
        repeating += line + e.memo + "\r\n";
        ++counter;
    }

    std::string oneDay;
    counter = 1;
    std::optional<calendar::CivilTime> group;
    for (const Entry& e : entries) {
        if (e.repeat != kRepeatOnce)
            continue;
        const calendar::CivilTime& t = e.when;
        if (!group) {
            group = t;
        } else if (t.year == group->year && t.month != group->month) {
            oneDay += "\r\n";
            group = t;
        } else if (t.year != group->year) {
            oneDay += "\r\n";
            group = t;
            counter = 1;
        }
        oneDay +=
            Format("%02d: %02d/%02d/%02d %02d:%02d ", counter, t.year, t.month, t.day, t.hour, t.minute) +
            e.memo + "\r\n";
        ++counter;
    }
    return kHeader1 + repeating + kHeader2 + oneDay;
}

bool WriteTextFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}
