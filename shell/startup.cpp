#include "shell/startup.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace {

const char* Get(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment ? environment(name) : std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace

bool ParseDesktopArgs(const std::vector<std::string>& args, DesktopOptions& options, std::string& problem) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--workdir") {
            if (i + 1 >= args.size()) {
                problem = "option '--workdir' needs a value";
                return false;
            }
            value = args[++i];
        } else if (arg.rfind("--workdir=", 0) == 0) {
            value = arg.substr(10);
        } else {
            problem = "unknown argument '" + arg + "'";
            return false;
        }
        if (value.empty()) {
            problem = "--workdir needs a directory";
            return false;
        }
        options.workdir = value;
    }
    return true;
}

bool HasDisplay(const EnvironmentLookup& environment) {
    if (const char* platform = Get(environment, "QT_QPA_PLATFORM")) {
        const std::string name(platform);
        if (name.rfind("xcb", 0) == 0)
            return Get(environment, "DISPLAY") != nullptr;
        if (name.rfind("wayland", 0) != 0)
            return true;  // offscreen, vnc, ...: no window system needed
    }
    return Get(environment, "DISPLAY") != nullptr || Get(environment, "WAYLAND_DISPLAY") != nullptr;
}

bool PreferXcb(const EnvironmentLookup& environment) {
    return Get(environment, "WAYLAND_DISPLAY") != nullptr && Get(environment, "DISPLAY") != nullptr &&
           Get(environment, "QT_QPA_PLATFORM") == nullptr;
}

std::filesystem::path FindDataDirectory(const std::filesystem::path& executable) {
    std::error_code error;
    const std::filesystem::path bin = executable.parent_path();
    if (std::ifstream marker(bin / kDataDirMarker); marker) {
        std::string line;
        std::getline(marker, line);
        if (!line.empty() && std::filesystem::is_directory(line, error))
            return line;
    }
    const std::filesystem::path share = bin.parent_path() / "share" / "TIKo3";
    if (std::filesystem::is_directory(share, error))
        return share;
    return {};
}

bool PrepareWorkingDirectory(const std::filesystem::path& dir, const std::filesystem::path& dataDir,
                             std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(dir, code);
    // The reason is the making's, not that of the look afterwards (which would say "No such
    // file or directory" for a read-only parent).
    const std::error_code made = code;
    if (!std::filesystem::is_directory(dir, code)) {
        const std::error_code& why = made ? made : code;
        error = "cannot create the working directory " + dir.string() +
                (why ? ": " + why.message() : std::string());
        return false;
    }
    if (dataDir.empty())
        return true;
    for (const char* name : kSeededFiles) {
        const std::filesystem::path target = dir / name;
        if (std::filesystem::exists(target, code) || !std::filesystem::exists(dataDir / name, code))
            continue;
        // Copied under a temporary name and renamed, so an interrupted copy never looks seeded.
        const std::filesystem::path partial = dir / (std::string(name) + ".part");
        if (std::filesystem::copy_file(dataDir / name, partial,
                                       std::filesystem::copy_options::overwrite_existing, code))
            std::filesystem::rename(partial, target, code);
        if (code)
            std::filesystem::remove(partial, code);
    }
    return true;
}

std::filesystem::path RuntimeDirectory(const EnvironmentLookup& environment) {
    if (const char* runtime = Get(environment, "XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/')
        return runtime;
    return std::filesystem::path("/tmp") / ("TIKo3-" + std::to_string(getuid()));
}
