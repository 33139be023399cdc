// LumClient: the command-line mode for now; the desktop shell comes with its own issue.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/sys_time_right.h"
#include "timeservices/command_line.h"

int main(int argc, char** argv) {
    // Nothing stays effective: the right to set the clock is raised only around the setting.
    platform::DropEffectiveCapabilities();

    const std::vector<std::string> args(argv + 1, argv + argc);
    // Until the desktop program exists, any argument goes to the command line, which
    // refuses what it does not know (exit 64).
    if (args.empty() && !IsCommandLineMode(args)) {
        std::cout << "LumClient: the desktop program is not built yet. "
                     "Use --compare or --sync (see --help).\n";
        return 0;
    }
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    platform::SystemClock clock;
    const CommandLineContext context{clock, {}, error ? std::string(argv[0]) : self.string()};
    return RunCommandLine(args, std::cout, std::cerr, context);
}
