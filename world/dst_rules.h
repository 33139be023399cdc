#pragma once
// Daylight-saving rules of the world clocks. Every instant here is a region's local standard time,
// broken down as a calendar time (no time zone enters).

#include <string_view>

#include "calendar/civil_time.h"

namespace world {

// Start rules 1-13 and end rules 1-10 are the ones every table file has always used; 14 on and 11 on
// were added for the rules in force since (the United States from 2007, Australia, New Zealand,
// Chile, Egypt, ...). An old end rule keeps daylight saving up to and including its instant; a new
// one ends it at its instant, as the region's clocks do.
inline constexpr int kStartRuleCount = 23;
inline constexpr int kEndRuleCount = 22;

bool IsStartRule(int rule);
bool IsEndRule(int rule);

// True when a region with these rules is in daylight saving at its standard time t, judged in
// the calendar year of t. False whenever either number is not a rule (0 and -1 included).
bool IsDaylightSaving(int startRule, int endRule, const calendar::CivilTime& t);

// The phrases of the information text, UTF-8; empty for a number that is not a rule.
std::string_view StartRulePhrase(int rule);
std::string_view EndRulePhrase(int rule);

}  // namespace world
