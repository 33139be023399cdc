#include "timeservices/comm_mgr.h"

#include <algorithm>
#include <cstring>

int64_t TransmissionPeriod(int32_t interval, int32_t unit) {
    return unit != 0 ? static_cast<int64_t>(interval) * 60 : interval;
}

CTiko_CommMgr::CTiko_CommMgr(CLumAOSM_Mediator* mediator, const CTiko_Services& services)
    : CTiko_Manager(mediator, services, "Tiko_CommMgr") {}

CTiko_CommMgr::~CTiko_CommMgr() {
    StopAndWait();
}

CLumAOSM_Message CTiko_CommMgr::Initial(CLumAOSM_Message&) {
    SubscribeTo({AO_COMM_SEND_SIG, AO_COMM_AUTO_ON_SIG, AO_COMM_AUTO_OFF_SIG});
    const Class_TIKOCONF_COMM* comm = Setting(&Class_TIKOCONF_TOP::Comm);
    if (comm != nullptr && comm->bAutoMode.load() == 1)
        InitialTransition(this, &CTiko_CommMgr::Automatic);
    else
        InitialTransition(this, &CTiko_CommMgr::Manual);
    return Handled();
}

CLumAOSM_Message CTiko_CommMgr::Manual(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
        case AO_EXIT_SIG:
            Report(message);
            return Handled();
        case AO_COMM_SEND_SIG:
            SendRequested(message);
            return Handled();
        case AO_COMM_AUTO_ON_SIG:
            Transition(this, &CTiko_CommMgr::Automatic);
            return Handled();
        case AO_COMM_AUTO_OFF_SIG:
        case AO_TIMEOUT_SIG:  // the clock was set: nothing waits on it here
            return Handled();
        default:
            return DefaultHandler(message);
    }
}

CLumAOSM_Message CTiko_CommMgr::Automatic(CLumAOSM_Message& message) {
    switch (message.GetSignal()) {
        case AO_ENTRY_SIG:
            reference_ = NowSeconds();
            SendCurrentTime();
            ArmPeriodicCheck();
            Report(message);
            return Handled();
        case AO_EXIT_SIG:
            Disarm();
            Report(message);
            return Handled();
        case AO_TIMEOUT_SIG: {
            ClockWasSet(message);
            const int64_t now = NowSeconds();
            if (now - reference_ >= PeriodSeconds()) {
                SendCurrentTime();
                reference_ = now;
            }
            ArmPeriodicCheck();
            return Handled();
        }
        case AO_COMM_SEND_SIG:
        case AO_COMM_AUTO_ON_SIG:
            return Handled();
        case AO_COMM_AUTO_OFF_SIG:
            Transition(this, &CTiko_CommMgr::Manual);
            return Handled();
        default:
            return DefaultHandler(message);
    }
}

int64_t CTiko_CommMgr::PeriodSeconds() const {
    const Class_TIKOCONF_COMM* comm = Setting(&Class_TIKOCONF_TOP::Comm);
    return comm != nullptr ? TransmissionPeriod(comm->nInterval.load(), comm->nIntervalUnit.load()) : 600;
}

void CTiko_CommMgr::ArmPeriodicCheck() {
    const int64_t period = PeriodSeconds();
    // A period of 0 or less makes every check due: half a second apart, as on an unwatched clock.
    if (period <= 0)
        Arm(kCheckMs);
    else
        ArmCheck(reference_ + period, kLongestSleepMs, kCheckMs);
}

void CTiko_CommMgr::SendRequested(const CLumAOSM_Message& message) {
    void* data = nullptr;
    int32_t length = 0;
    bool borrowed = false;
    CommSendRequest request;
    // Owned copies and borrowed records alike; anything shorter than a request sends nothing.
    if (message.GetParam(0, &data, &length, &borrowed) && data != nullptr &&
        (length == 0 ? borrowed : length >= static_cast<int32_t>(sizeof request)))
        std::memcpy(&request, data, sizeof request);
    const int count = std::clamp<int32_t>(request.count, 0, static_cast<int32_t>(telegram::kSize));
    Transmit(request.bytes, count, kManualBaud);
    Publish(CLumAOSM_Message(AO_COMM_SENT_SIG));
}

void CTiko_CommMgr::SendCurrentTime() {
    const Class_TIKOCONF_COMM* comm = Setting(&Class_TIKOCONF_TOP::Comm);
    const int compensation = comm != nullptr ? comm->nCompensationMs.load() : 500;
    const int baud = comm != nullptr ? comm->nBaudRate.load() : kManualBaud;
    const calendar::CivilTime local = CatchSecond(*services_.clock, compensation, services_.sleep);
    const TimeTelegram bytes = BuildTimeTelegram(local.hour, local.minute, local.second);
    Transmit(bytes.data(), static_cast<int>(bytes.size()), baud);
    Publish(CLumAOSM_Message(AO_COMM_SENT_SIG));
}

void CTiko_CommMgr::Transmit(const uint8_t* bytes, int count, int baud) {
    const Class_TIKOCONF_COMM* comm = Setting(&Class_TIKOCONF_TOP::Comm);
    if (comm == nullptr || !services_.serialLine)
        return;
    const std::atomic<int32_t>* flags[kPortCount] = {&comm->bCom1, &comm->bCom2, &comm->bCom3, &comm->bCom4};
    for (int port = 1; port <= kPortCount; ++port) {
        if (flags[port - 1]->load() != 1)
            continue;
        std::unique_ptr<platform::ISerialLine> line = services_.serialLine();
        // A missing or busy port is skipped without a word.
        if (line == nullptr || !line->Open(port, baud))
            continue;
        line->Send(bytes, count);
        line->Send(bytes, count);
        line->Close();
    }
}
