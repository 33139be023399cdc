#pragma once
// The schedule report ("일정보기"): the book as a plain text, repeating items first, then the
// one-day items grouped by month.

#include <filesystem>
#include <string>

#include "platform/clock.h"

class Class_TIKOSCHEDULE_TOP;

inline constexpr char kScheduleReportFileName[] = "일정레포트.txt";

// The report's text (UTF-8, CR LF line ends). Times are the items' local times, as the alarm
// manager and the book read them. Empty when the book has no items.
std::string BuildScheduleReport(const Class_TIKOSCHEDULE_TOP& book, const platform::Clock& clock);

// Writes `text` to `file` whole; false (and nothing left half-written is promised) when the file
// cannot be created or written.
bool WriteTextFile(const std::filesystem::path& file, const std::string& text);
