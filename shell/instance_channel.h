#pragma once
// How a second start reaches the running copy: a Unix socket beside the instance lock. The
// running copy listens; a second start connects, which asks it to show its main window.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QSocketNotifier;

inline constexpr char kInstanceSocketName[] = "TIKo3.socket";

class CInstanceChannel : public QObject {
    Q_OBJECT

public:
    CInstanceChannel();
    ~CInstanceChannel() override;

    // Called by the lock's holder only: a socket left by a killed run is replaced. `onShow` runs
    // on the GUI thread for each second start. False when the socket cannot be made.
    bool Listen(const std::string& path, std::function<void()> onShow);
    // The second start: true when a running copy took the request.
    static bool AskToShow(const std::string& path);

private:
    void OnReadable();

    int fd_ = -1;
    std::string path_;
    QSocketNotifier* notifier_ = nullptr;
    std::function<void()> onShow_;
};
