#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace platform {
namespace {

bool SyncDirectory(const std::filesystem::path& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The mode a new file gets from fopen: 0666 less the process's umask, read
// without changing it (umask() would race with other threads).
mode_t NewFileMode() {
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, const std::function<bool(std::FILE*)>& write) {
    struct stat old {};
    bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;

    const std::filesystem::path dir = path.parent_path();
    std::string temp =
        (dir.empty() ? std::filesystem::path(".") : dir) / ("." + path.filename().string() + ".XXXXXX");
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = ok && !std::ferror(file);
    ok = ok && ::fchmod(fd, exists ? (old.st_mode & 07777) : NewFileMode()) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = std::fclose(file) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The new content is in place; a failed directory sync only weakens its
    // durability, but the caller must hear of it.
    return SyncDirectory(dir);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
    return WriteFileAtomically(path, [content](std::FILE* file) {
        return std::fwrite(content.data(), 1, content.size(), file) == content.size();
    });
}

std::optional<std::string> ReadWholeFile(std::FILE* file) {
    if (file == nullptr)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        content.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    if (std::ferror(file))
        return std::nullopt;
    return content;
}

}  // namespace platform
