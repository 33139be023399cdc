#include "shell/launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QDesktopServices>
#include <QUrl>
#include <cerrno>
#include <thread>

extern char** environ;

QStringList BrowserArguments(const QString& commandLine, const QString& target) {
    QStringList arguments;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : commandLine) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;  // "" is an empty argument
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                arguments.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        arguments.append(word);

    bool placed = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        for (const char* placeholder : {"%1", "%s"}) {
            if (!arguments[i].contains(QLatin1String(placeholder)))
                continue;
            if (i == 0)
                return {};  // the address is no program
            arguments[i].replace(QLatin1String(placeholder), target);
            placed = true;
            break;
        }
    }
    if (!placed)
        arguments.append(target);
    return arguments;
}

pid_t SpawnReaped(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty())
        return -1;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    // glibc reports a program that cannot be run as the spawn's own failure.
    if (::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    // A browser may run for hours; its exit status matters to nobody, only that it is collected.
    std::thread([pid] {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return pid;
}

namespace {

// Each command of $BROWSER in turn until one starts.
bool StartBrowser(const QString& target) {
    const QStringList commands = qEnvironmentVariable("BROWSER").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& command : commands) {
        const QStringList arguments = BrowserArguments(command, target);
        if (arguments.size() < 2)
            continue;  // no program named
        std::vector<std::string> argv;
        for (const QString& a : arguments)
            argv.push_back(a.toStdString());
        if (SpawnReaped(argv) > 0)
            return true;
    }
    return false;
}

}  // namespace

bool DesktopLauncher::Open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) || StartBrowser(path);
}

bool DesktopLauncher::OpenUrl(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address)) || StartBrowser(address);
}
