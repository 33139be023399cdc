#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sntp/server_address.h"
#include "sntp/sntp_client.h"

class Class_TIKOCONF_TOP;

inline constexpr char kLogFileName[] = "TIKoLog.txt";

// The result record of one operation, handed to the windows. Texts are UTF-8 (the screen's
// encoding); whoever copies them into the configuration converts them to its cp949.
struct TimeNotice {
    int64_t tTime = 0;          // the tick's current second; not used by the query
    bool bSetClock = false;     // in: false = compare, true = synchronise
    bool bAnswered = false;     // out: false only when no server answered
    bool bInteractive = false;  // in: a person asked, so setting the clock may ask for a password
    std::string strMessage;
    std::string strServer;
    std::string strOffset;
    std::string strLastSync;
};

// What became of one server's exchange.
struct ServerAttempt {
    ServerAddress server;
    std::string address;  // resolved IPv4 address, empty when resolution failed
    bool answered = false;
    NtpReply reply;
    SntpFailure failure = SntpFailure::None;
    int error = 0;
    std::string detail;
};

enum class QueryOutcome { NotRun, NoAnswer, Rejected, Compared, Synchronised, SetFailed };

// One compare or synchronise: the primary server, then the secondary if the primary gave no
// answer; the result as Korean texts; the clock set, the user offset applied and the log
// written on a synchronisation. Made for one RunQuery and destroyed after it.
class CTiko_QueryServer {
public:
    // `config` (may be null: defaults) is read at RunQuery for nTimeOffset and bLog.
    // The log goes into `logDirectory` (empty: the current directory).
    CTiko_QueryServer(platform::Clock& clock, const Class_TIKOCONF_TOP* config,
                      std::filesystem::path logDirectory = {}, ServerPair servers = DefaultServers());
    CTiko_QueryServer(const CTiko_QueryServer&) = delete;
    CTiko_QueryServer& operator=(const CTiko_QueryServer&) = delete;
    virtual ~CTiko_QueryServer() = default;

    bool RunQuery(TimeNotice& result);

    int ServerIndex() const { return m_nServerIndex; }
    QueryOutcome Outcome() const { return outcome_; }
    // Why the clock was not set (Outcome() SetFailed); Ok otherwise.
    const platform::ClockSetResult& SetClockResult() const { return setResult_; }
    const std::vector<ServerAttempt>& Attempts() const { return attempts_; }
    int64_t LastSyncTime() const { return m_tLastSync; }
    double LastOffset() const { return m_fLastOffset; }

private:
    bool Ask(CSNTPClient& client, const ServerAddress& server, NtpReply& reply);
    void AppendLogLine(const calendar::CivilTime& local, double theta) const;

    static const char* const m_strDayNames[7];
    int m_nServerIndex = 0;
    ServerAddress m_primary;
    ServerAddress m_secondary;
    int64_t m_tLastSync = 0;
    double m_fLastOffset = 0.0;

    platform::Clock& clock_;
    const Class_TIKOCONF_TOP* config_;
    std::filesystem::path logDirectory_;
    QueryOutcome outcome_ = QueryOutcome::NotRun;
    platform::ClockSetResult setResult_;
    std::vector<ServerAttempt> attempts_;
};

// Seconds with three decimals, whatever the process locale says about decimal points.
std::string FormatSeconds(double seconds, int decimals = 3);
