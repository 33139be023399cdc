#include "windowkit/runtime_bridge.h"

#include "runtime/mediator.h"
#include "runtime/observer.h"
#include "runtime/signals.h"
#include "timeservices/comm_mgr.h"
#include "timeservices/sche_mgr.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"
#include "windowkit/shell_context.h"

namespace {

constexpr int32_t kHeard[] = {AO_CLOCK_TICK_SIG,   AO_COMPARE_RESULT_SIG,   AO_SYNC_RESULT_SIG,
                              AO_ALARM_NOTIFY_SIG, AO_MSGCOLOR_CHANGED_SIG, AO_SLIMSIZE_CHANGED_SIG,
                              AO_COMM_SENT_SIG};

}  // namespace

// Runs on the mediator's thread: copies what the message carries and queues the signal to the
// GUI thread, never touching a window and never waiting for that thread.
class CRuntimeBridge::Listener final : public CLumAOSM_Observer {
public:
    explicit Listener(CRuntimeBridge* bridge) : bridge_(bridge) { SetName("RuntimeBridge"); }

    int Receive(const CLumAOSM_Message* message, const char*) override {
        if (message == nullptr)
            return -1;
        CRuntimeBridge* bridge = bridge_;
        switch (message->GetSignal()) {
            case AO_CLOCK_TICK_SIG: {
                TimeNotice notice;
                if (!GetTimeNotice(*message, 0, &notice))
                    return -1;
                const int64_t second = notice.tTime;
                bridge->latest_.store(second);
                if (bridge->secondsWanted_.load())
                    QueueToGui(bridge, [second](CRuntimeBridge* self) { emit self->second(second); });
                return 0;
            }
            case AO_COMPARE_RESULT_SIG:
            case AO_SYNC_RESULT_SIG: {
                TimeNotice notice;
                const bool readable = GetTimeNotice(*message, 0, &notice);
                const bool synchronised = message->GetSignal() == AO_SYNC_RESULT_SIG;
                QueueToGui(bridge, [text = QString::fromStdString(notice.strMessage), readable,
                                    synchronised](CRuntimeBridge* self) {
                    if (synchronised)
                        emit self->syncResult(text, readable);
                    else
                        emit self->compareResult(text, readable);
                });
                return readable ? 0 : -1;
            }
            case AO_ALARM_NOTIFY_SIG: {
                CTiko_AlarmTexts texts;
                if (!GetAlarmTexts(*message, &texts))
                    return -1;
                QueueToGui(bridge, [text = QString::fromStdString(texts.first),
                                    detail = QString::fromStdString(texts.second)](CRuntimeBridge* self) {
                    emit self->alarm(text, detail);
                });
                return 0;
            }
            case AO_MSGCOLOR_CHANGED_SIG:
                QueueToGui(bridge, [](CRuntimeBridge* self) { emit self->messageColoursChanged(); });
                return 0;
            case AO_SLIMSIZE_CHANGED_SIG:
                QueueToGui(bridge, [](CRuntimeBridge* self) { emit self->clockScaleChanged(); });
                return 0;
            case AO_COMM_SENT_SIG:
                QueueToGui(bridge, [](CRuntimeBridge* self) { emit self->serialSent(); });
                return 0;
            default:
                return -1;
        }
    }

private:
    CRuntimeBridge* const bridge_;
};

CRuntimeBridge::CRuntimeBridge(CLumAOSM_Mediator* mediator, Class_TIKOCONF_TOP* conf, QObject* parent)
    : QObject(parent), mediator_(mediator), conf_(conf), listener_(std::make_unique<Listener>(this)) {
    if (mediator_ != nullptr)
        for (int32_t signal : kHeard)
            mediator_->Subscribe(listener_.get(), signal);
}

CRuntimeBridge::~CRuntimeBridge() {
    // Here rather than in the listener's base: a delivery in progress still finds it whole.
    CLumAOSM_Mediator::Forget(listener_.get());
}

void CRuntimeBridge::Send(const CLumAOSM_Message& message) {
    if (mediator_ != nullptr)
        mediator_->Publish(message);
}

int CRuntimeBridge::Deliver(const CLumAOSM_Message& message) {
    return listener_->Receive(&message, "");
}

void CRuntimeBridge::SendSignal(int32_t signal) {
    Send(CLumAOSM_Message(signal));
}

void CRuntimeBridge::RequestCompare() {
    SendSignal(AO_SYNC_COMPARE_SIG);
}

void CRuntimeBridge::RequestSync() {
    SendSignal(AO_SYNC_SET_SIG);
}

void CRuntimeBridge::SetSwitch(std::atomic<int32_t>* field, bool on, int32_t onSignal, int32_t offSignal) {
    if (field != nullptr)
        field->store(on ? 1 : 0);
    SendSignal(on ? onSignal : offSignal);
}

void CRuntimeBridge::SetAutoSync(bool on) {
    auto* section = conf_ != nullptr ? conf_->SyncInfo() : nullptr;
    SetSwitch(section != nullptr ? &section->bAutoSync : nullptr, on, AO_AUTOSYNC_ON_SIG,
              AO_AUTOSYNC_OFF_SIG);
}

void CRuntimeBridge::SetColours(std::initializer_list<std::pair<Colour, int32_t>> colours) {
    Class_TIKOCONF_ENV* env = conf_ != nullptr ? conf_->Env() : nullptr;
    bool message = false;
    // In the order of `Colour`.
    constexpr std::atomic<int32_t> Class_TIKOCONF_ENV::*kFields[] = {
        &Class_TIKOCONF_ENV::crClockBack, &Class_TIKOCONF_ENV::crClockText, &Class_TIKOCONF_ENV::crMsgBack,
        &Class_TIKOCONF_ENV::crMsgText};
    for (const auto& [which, colorRef] : colours) {
        message = message || which == Colour::kMessageBack || which == Colour::kMessageText;
        if (env != nullptr)
            (env->*kFields[static_cast<int>(which)]).store(colorRef);
    }
    // The clock faces read their colours at every paint; only the message line is told.
    if (message)
        SendSignal(AO_MSGCOLOR_CHANGED_SIG);
}

void CRuntimeBridge::SetClockScale(float scale) {
    if (conf_ != nullptr && conf_->WorldClocks() != nullptr)
        conf_->WorldClocks()->fScale.store(scale);
    SendSignal(AO_SLIMSIZE_CHANGED_SIG);
}

void CRuntimeBridge::SetAlarms(bool on) {
    auto* section = conf_ != nullptr ? conf_->Alarm() : nullptr;
    SetSwitch(section != nullptr ? &section->bAlarm : nullptr, on, AO_ALARM_ON_SIG, AO_ALARM_OFF_SIG);
}

void CRuntimeBridge::PauseAlarms() {
    SendSignal(AO_ALARM_OFF_SIG);
}

void CRuntimeBridge::ResumeAlarms() {
    SendSignal(AO_ALARM_ON_SIG);
}

void CRuntimeBridge::SetAutoSend(bool on) {
    auto* section = conf_ != nullptr ? conf_->Comm() : nullptr;
    SetSwitch(section != nullptr ? &section->bAutoMode : nullptr, on, AO_COMM_AUTO_ON_SIG,
              AO_COMM_AUTO_OFF_SIG);
}

void CRuntimeBridge::SendSerial(const CommSendRequest& request) {
    CLumAOSM_Message message(AO_COMM_SEND_SIG);
    message.SetParamValue(0, request);
    Send(message);
}

void CRuntimeBridge::WantSeconds(const QObject* window, bool want) {
    if (want)
        secondWatchers_.insert(window);
    else
        secondWatchers_.remove(window);
    secondsWanted_.store(!secondWatchers_.isEmpty());
}

void CRuntimeBridge::SetManagersReady() {
    if (ready_.exchange(true))
        return;
    QueueToGui(this, [](CRuntimeBridge* self) { emit self->managersReady(); });
}
