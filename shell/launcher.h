#pragma once
// Opening a file or a web address with the desktop's "open" verb, behind an interface so tests
// record the call instead of starting an editor or a browser.

#include <sys/types.h>

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Opens the file at the absolute `path`; false when nothing could be started.
    virtual bool Open(const QString& path) = 0;
    // Opens a web address in the desktop's browser; false when nothing could be started.
    virtual bool OpenUrl(const QString& address) = 0;
};

// The arguments that start the browser of `commandLine` on `target`: the line is split at white
// space, double quotes grouping; the target takes the place of %1 (or %s, the placeholder
// $BROWSER uses) in each argument that holds one, else follows as one more argument. Empty when
// the placeholder stands where the program should.
QStringList BrowserArguments(const QString& commandLine, const QString& target);

// Starts `argv` (looked up on PATH) without a shell; a thread of its own waits for the child's
// end, so no zombie stays. The child's pid, or -1 when it could not be started.
pid_t SpawnReaped(const std::vector<std::string>& argv);

// QDesktopServices (xdg-open underneath); when that fails, each command of $BROWSER (a list
// separated by colons) in turn, by the rules above.
class DesktopLauncher final : public ILauncher {
public:
    bool Open(const QString& path) override;
    bool OpenUrl(const QString& address) override;
};

// Records what would have been opened.
class RecordingLauncher final : public ILauncher {
public:
    bool Open(const QString& path) override {
        opened.append(path);
        return result;
    }
    bool OpenUrl(const QString& address) override {
        opened.append(address);
        return result;
    }
    QStringList opened;
    bool result = true;
};
