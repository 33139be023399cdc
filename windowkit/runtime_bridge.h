#pragma once
// The windows' one link to the runtime. What the managers publish arrives on the mediator's
// thread, is copied there and leaves as a Qt signal on the GUI thread; what the windows and
// pages ask for leaves here as the runtime's messages (with the setting that goes with it).

#include <QObject>
#include <QSet>
#include <QString>
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>

class CLumAOSM_Mediator;
class CLumAOSM_Message;
class Class_TIKOCONF_TOP;
struct CommSendRequest;

class CRuntimeBridge : public QObject {
    Q_OBJECT

public:
    enum class Colour { kClockBack, kClockText, kMessageBack, kMessageText };

    // Subscribes to what the windows show. Without a mediator nothing arrives and nothing is
    // sent (tests emit the signals themselves); without a tree no setting is written.
    CRuntimeBridge(CLumAOSM_Mediator* mediator, Class_TIKOCONF_TOP* conf, QObject* parent = nullptr);
    // Unsubscribes, waiting for a delivery in progress; a mediator already gone is skipped.
    ~CRuntimeBridge() override;

    // GUI thread: requests to the managers.
    void RequestCompare();
    void RequestSync();
    // Writes bAutoSync and turns the automatic synchronisation on or off.
    void SetAutoSync(bool on);
    // Writes the colours; the message line is told once when one of them is the message's.
    void SetColours(std::initializer_list<std::pair<Colour, int32_t>> colours);
    // Writes fScale and tells the clock windows.
    void SetClockScale(float scale);
    // Writes bAlarm and turns the alarms on or off.
    void SetAlarms(bool on);
    // While the schedule dialog edits the book; the setting stays as it is.
    void PauseAlarms();
    void ResumeAlarms();
    // Writes bAutoMode and turns the automatic transmission on or off.
    void SetAutoSend(bool on);
    // One telegram now; the manager gets its own copy of the request.
    void SendSerial(const CommSendRequest& request);

    // GUI thread: seconds reach the GUI thread only while some window asks for them, so the
    // program in the tray leaves that thread asleep. A window asks again whenever it shows or
    // hides, and stops asking before it goes.
    void WantSeconds(const QObject* window, bool want);
    // Any thread: the last tick's second (UTC seconds + 32,400), 0 before the first.
    int64_t LatestSecond() const { return latest_.load(); }

    // Any thread: every manager has entered its first state, so no request made from now on
    // is lost. managersReady() follows on the GUI thread, once.
    void SetManagersReady();
    bool ManagersReady() const { return ready_.load(); }

signals:
    // 46, while wanted.
    void second(qint64 koreanSecond);
    // 40 and 41: the result's message; `readable` false when the record could not be read
    // (the wait for it ends all the same).
    void compareResult(const QString& message, bool readable);
    void syncResult(const QString& message, bool readable);
    // 51: the alarm's two texts.
    void alarm(const QString& text, const QString& detail);
    // 47 and 48: read the settings again.
    void messageColoursChanged();
    void clockScaleChanged();
    // 45: a telegram has gone out.
    void serialSent();
    void managersReady();

protected:
    // Every message the windows send passes here (a test's bridge records them instead).
    virtual void Send(const CLumAOSM_Message& message);
    // What the mediator's thread does with a publication (a test's bridge feeds it directly).
    int Deliver(const CLumAOSM_Message& message);

private:
    class Listener;
    void SendSignal(int32_t signal);
    // Writes an on/off setting (when the tree has it) and sends the matching signal.
    void SetSwitch(std::atomic<int32_t>* field, bool on, int32_t onSignal, int32_t offSignal);

    CLumAOSM_Mediator* const mediator_;
    Class_TIKOCONF_TOP* const conf_;
    std::unique_ptr<Listener> listener_;
    QSet<const QObject*> secondWatchers_;
    std::atomic<bool> secondsWanted_{false};  // GUI thread writes, the mediator's reads
    std::atomic<int64_t> latest_{0};          // the mediator's thread writes
    std::atomic<bool> ready_{false};
};
