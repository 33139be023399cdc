#include "shell/launcher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool DesktopLauncher::Open(const QString& path) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    // $BROWSER may list several programs separated by colons; the first is started with the
    // path as its only argument (no shell), detached so no child is left to reap.
    const QString browser = qEnvironmentVariable("BROWSER").section(QLatin1Char(':'), 0, 0);
    if (browser.isEmpty())
        return false;
    return QProcess::startDetached(browser, {path});
}

bool DesktopLauncher::OpenUrl(const QString& address) {
    if (QDesktopServices::openUrl(QUrl(address)))
        return true;
    const QString browser = qEnvironmentVariable("BROWSER").section(QLatin1Char(':'), 0, 0);
    if (browser.isEmpty())
        return false;
    return QProcess::startDetached(browser, {address});
}
