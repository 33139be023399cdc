#include "timeservices/query_server.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "timeservices/clock_right.h"
#include "treestore/conf_schema.h"

namespace {

constexpr char kNoAnswerText[] = "서버에서 응답이 없습니다";
constexpr char kRejectedText[] = "서버와 동기에 실패했습니다.";
constexpr char kSetFailedText[] = "동기에 실패했습니다.";

std::string Pad(int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

}  // namespace

const char* const CTiko_QueryServer::m_strDayNames[7] = {"일", "월", "화", "수", "목", "금", "토"};

std::string FormatSeconds(double seconds, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "nan";
    std::string text(buffer, result.ptr);
    // A value that rounds to zero reads as zero, not "-0.000".
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

CTiko_QueryServer::CTiko_QueryServer(platform::Clock& clock, const Class_TIKOCONF_TOP* config,
                                     std::filesystem::path logDirectory, ServerPair servers)
    : m_primary(std::move(servers.primary)),
      m_secondary(std::move(servers.secondary)),
      clock_(clock),
      config_(config),
      logDirectory_(std::move(logDirectory)) {}

bool CTiko_QueryServer::Ask(CSNTPClient& client, const ServerAddress& server, NtpReply& reply) {
    ServerAttempt attempt;
    attempt.server = server;
    attempt.answered = client.RequestTime(server.host, reply, server.port);
    attempt.error = attempt.answered ? 0 : errno;
    attempt.failure = client.LastFailure();
    attempt.detail = client.LastFailureDetail();
    attempt.address = client.LastAddress();
    attempt.reply = reply;
    attempts_.push_back(attempt);
    return attempt.answered;
}

bool CTiko_QueryServer::RunQuery(TimeNotice& result) {
    attempts_.clear();
    setResult_ = {};
    CSNTPClient client(clock_);
    NtpReply reply;
    if (Ask(client, m_primary, reply)) {
        m_nServerIndex = 1;
    } else if (Ask(client, m_secondary, reply)) {
        m_nServerIndex = 2;
    } else {
        m_nServerIndex = 3;
    }

    if (m_nServerIndex == 3) {
        result.strMessage = kNoAnswerText;
        result.bAnswered = false;
        outcome_ = QueryOutcome::NoAnswer;
        return false;
    }

    // Receive or transmit times before 2005 are a zero or garbage answer, not a clock.
    if (!HasCredibleTimes(reply)) {
        result.strMessage = kRejectedText;
        result.bAnswered = true;
        result.strServer.clear();
        result.strOffset.clear();
        result.strLastSync.clear();
        outcome_ = QueryOutcome::Rejected;
        return false;
    }

    const double theta = reply.offset;
    if (!result.bSetClock) {
        result.strMessage = theta < 0 ? "사용자 PC가 " + FormatSeconds(-theta) + " 초 빠릅니다."
                                      : "사용자 PC가 " + FormatSeconds(theta) + " 초 늦습니다.";
        result.strServer.clear();
        result.strOffset.clear();
        result.strLastSync.clear();
        result.bAnswered = true;
        outcome_ = QueryOutcome::Compared;
        return true;
    }

    // One relative change: the measured offset and the user's own offset together, so that a
    // password prompt's delay cannot age the time being set.
    const int minutes =
        config_ != nullptr && config_->SyncInfo() != nullptr ? config_->SyncInfo()->nTimeOffset.load() : 0;
    const int64_t change = std::llround(theta * 1e6) + int64_t{minutes} * 60'000'000;
    setResult_ =
        clock_.Shift(change, result.bInteractive ? platform::Prompt::Allowed : platform::Prompt::Never);
    if (!setResult_.Ok()) {
        result.strMessage = std::string(kSetFailedText) + "\n" + ClockSetFailureText(setResult_);
        outcome_ = QueryOutcome::SetFailed;
    } else {
        result.strMessage = " " + FormatSeconds(std::fabs(theta)) + " 초 이내에서 동기되었습니다.";
        m_tLastSync = clock_.NowUtc().seconds;
        m_fLastOffset = theta;
        outcome_ = QueryOutcome::Synchronised;
        const bool log = config_ != nullptr && config_->Env() != nullptr && config_->Env()->bLog.load() == 1;
        if (log)
            AppendLogLine(clock_.ToLocal(m_tLastSync), theta);
    }

    const ServerAddress& used = m_nServerIndex == 1 ? m_primary : m_secondary;
    result.strServer = "Horologia 표준시 서버 \r\n" + used.host;
    result.strOffset = FormatSeconds(m_fLastOffset) + " 초";
    if (m_tLastSync == 0) {
        result.strLastSync.clear();
    } else {
        const calendar::CivilTime t = clock_.ToLocal(m_tLastSync);
        result.strLastSync = Pad(t.year, 4) + "년 " + Pad(t.month, 2) + "월 " + Pad(t.day, 2) + "일 " +
                             m_strDayNames[t.dayOfWeek] + "요일 " + Pad(t.hour, 2) + "시 " +
                             Pad(t.minute, 2) + "분 " + Pad(t.second, 2) + "초";
    }
    result.bAnswered = true;
    return true;
}

void CTiko_QueryServer::AppendLogLine(const calendar::CivilTime& t, double theta) const {
    const std::filesystem::path path =
        logDirectory_.empty() ? std::filesystem::path(kLogFileName) : logDirectory_ / kLogFileName;
    std::FILE* file = std::fopen(path.c_str(), "a+");
    if (file == nullptr)
        return;  // no log, no message
    // The PC's error before correction: positive when it was fast. 0.0 - theta avoids "-0.000".
    const std::string line = Pad(t.year, 4) + "-" + Pad(t.month, 2) + "-" + Pad(t.day, 2) + " " +
                             Pad(t.hour, 2) + ":" + Pad(t.minute, 2) + ":" + Pad(t.second, 2) + " " +
                             FormatSeconds(0.0 - theta) + "\n";
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}
