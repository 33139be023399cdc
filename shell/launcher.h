#pragma once
// Opening a file with the desktop's "open" verb, behind an interface so tests record the call
// instead of starting an editor.

#include <QString>
#include <QStringList>

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Opens the file at the absolute `path`; false when nothing could be started.
    virtual bool Open(const QString& path) = 0;
    // Opens a web address in the desktop's browser; false when nothing could be started.
    virtual bool OpenUrl(const QString& address) = 0;
};

// QDesktopServices (xdg-open underneath); when that fails, $BROWSER started directly with the
// path as its one argument, never through a shell.
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
