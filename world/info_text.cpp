#include "world/info_text.h"

#include <cstdio>

#include "world/dst_rules.h"

namespace world {
namespace {

std::string OffsetSentence(int64_t minutes) {
    char buffer[160];
    if (minutes >= 1) {
        std::snprintf(buffer, sizeof buffer, "선택하신 지역은 한국보다 %lld시 %lld분이 빠른 지역입니다.",
                      static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
    } else if (minutes < 0) {
        std::snprintf(buffer, sizeof buffer, "선택하신 지역은 한국보다 %lld시 %lld분이 늦은 지역입니다.",
                      static_cast<long long>(-minutes / 60), static_cast<long long>(-minutes % 60));
    } else {
        return "선택하신 지역은 한국과 같은 시간대 지역 입니다";
    }
    return buffer;
}

}  // namespace

std::string InformationText(const Region& region, int64_t koreanSeconds) {
    const std::string sentence = OffsetSentence(region.offset);
    if (region.startRule == -1)
        return sentence + "\n이 지역은 아직 써머타임 적용여부가 확인 되지 않았습니다.";
    if (region.startRule == 0)
        return sentence + "\n이 지역은 써머타임을 적용하지 않습니다.";
    const calendar::CivilTime standard =
        calendar::CivilFromUnix(RegionStandardSeconds(region, koreanSeconds));
    if (!IsDaylightSaving(region.startRule, region.endRule, standard))
        return sentence + "\n써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다.";
    return sentence + "현재시각은 써머타임이 적용된 시각입니다.\n" +
           std::string(StartRulePhrase(region.startRule)) + std::string(EndRulePhrase(region.endRule));
}

}  // namespace world
