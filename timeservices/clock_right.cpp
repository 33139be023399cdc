#include "timeservices/clock_right.h"

std::string ClockSetFailureText(const platform::ClockSetResult& result) {
    using platform::ClockSetFailure;
    switch (result.failure) {
        case ClockSetFailure::None:
            return {};
        case ClockSetFailure::AutomaticSync:
            return "이 PC는 시스템의 자동 시각 동기화(NTP)가 켜져 있어, 시스템의 시간 서비스가 시계를 "
                   "맞추고 있습니다.\n"
                   "그대로 두면 TIKo3는 표준시와 비교하여 차이를 보여 줍니다.\n"
                   "TIKo3가 시계를 맞추게 하려면(시각 옵셋을 쓰려면 이렇게 해야 합니다) 자동 동기화를 "
                   "끄십시오:\n"
                   "  timedatectl set-ntp false";
        case ClockSetFailure::NotAuthorised:
            return std::string(
                       "이 사용자에게는 시계를 맞출 권한이 없습니다.\n"
                       "관리자가 ") +
                   kClockGroup +
                   " 그룹에 넣어 주면 다시 로그인한 뒤부터 암호 없이 맞출 수 있습니다:\n"
                   "  sudo adduser $USER " +
                   kClockGroup +
                   "\n"
                   "그 밖의 사용자는 시계를 맞출 때마다 관리자 암호를 물어봅니다.";
        case ClockSetFailure::NoServiceNoRight:
            return std::string(
                       "시스템의 시간 서비스(timedated)가 응답하지 않고, 이 프로그램에는 시계를 "
                       "맞출 권한(CAP_SYS_TIME)도 없습니다.\n"
                       "systemd의 시간 서비스를 쓰거나, 관리자가 ") +
                   kClockGroup +
                   " 그룹에만 권한을 주십시오:\n"
                   "  sudo dpkg-statoverride --update --add root " +
                   kClockGroup + " 0750 " + kInstalledProgram +
                   "\n"
                   "  sudo setcap cap_sys_time+p " +
                   kInstalledProgram;
        case ClockSetFailure::Other:
            break;
    }
    return "시계를 맞추지 못했습니다: " + result.detail;
}

std::string ClockAuthorityLine(const platform::TimeServiceState& state, platform::ClockAuthority authority) {
    using platform::ClockAuthority;
    std::string line = "시계 설정: ";
    switch (authority) {
        case ClockAuthority::TimeService:
            line += "시스템 시간 서비스";
            line += platform::InGroup(kClockGroup) ? "(암호 없이)" : "(관리자 암호로)";
            break;
        case ClockAuthority::Capability:
            line += "이 프로그램의 권한(CAP_SYS_TIME)";
            break;
        case ClockAuthority::Nobody:
            line += "권한 없음";
            break;
    }
    line += ", 자동 동기화: ";
    if (!state.answered)
        line += "알 수 없음";
    else if (!state.ntp)
        line += "꺼짐";
    else
        line += state.ntpSynchronized ? "켜짐(동기됨)" : "켜짐(동기 안 됨)";
    return line;
}
