// LumClient: with --compare, --sync or --help the command-line mode, which loads neither Qt nor a
// display library; otherwise it loads the desktop program (libLumClientDesktop.so) and runs it.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/clock_setting.h"
#include "platform/sys_time_right.h"
#include "shell/desktop_entry.h"
#include "timeservices/command_line.h"

namespace {

std::filesystem::path SelfPath(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::absolute(argv0, error) : self;
}

// Beside the program in a build tree; installed, in the private library directory, found from
// the program's own place (bin/ -> lib/<multiarch>/tiko3), so no directory is compiled in.
std::filesystem::path DesktopLibrary(const std::filesystem::path& self) {
    const std::filesystem::path beside = self.parent_path() / kDesktopLibraryName;
    std::error_code error;
    if (std::filesystem::exists(beside, error))
        return beside;
    return self.parent_path() / TIKO3_BIN_TO_PRIVATE_LIBDIR / kDesktopLibraryName;
}

int RunDesktop(int argc, char** argv, const std::filesystem::path& self) {
    const std::filesystem::path library = DesktopLibrary(self);
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::cerr << "LumClient: cannot load the desktop program: " << dlerror()
                  << "\n--compare and --sync work without it.\n";
        return kExitRejected;
    }
    auto entry = reinterpret_cast<DesktopEntry>(dlsym(handle, kDesktopEntryName));
    if (entry == nullptr) {
        std::cerr << "LumClient: " << library.string() << " is not LumClient's desktop program\n";
        return kExitRejected;
    }
    // Never unloaded: Qt's and the runtime's static objects end with the process.
    return entry(argc, argv, self.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing stays effective: the right to set the clock is raised only around the setting.
    platform::DropEffectiveCapabilities();

    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::filesystem::path self = SelfPath(argv[0]);
    if (IsCommandLineMode(args)) {
        platform::SystemClock clock;
        CommandLineContext context{clock, {}};
        context.secureExecution = platform::SecureExecution();
        // --sync at a terminal is a person's own action: the polkit agent may ask a password.
        context.interactive = isatty(STDIN_FILENO) != 0;
        return RunCommandLine(args, std::cout, std::cerr, context);
    }
    return RunDesktop(argc, argv, self);
}
