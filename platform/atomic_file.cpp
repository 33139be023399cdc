#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

namespace platform {
namespace {

constexpr std::size_t kSuffixLength = 6;

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

// ".NAME." : every temporary of NAME starts so; six letters or digits follow.
std::string TemporaryPrefix(const std::filesystem::path& path) {
    // Appended piecewise: "." + string + "." draws a false -Wrestrict from GCC 12 at -O3.
    std::string prefix(".");
    prefix += path.filename().string();
    prefix += '.';
    return prefix;
}

bool IsTemporaryName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kSuffixLength || name.substr(0, prefix.size()) != prefix)
        return false;
    for (char c : name.substr(prefix.size()))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Gives the unnamed file open on fd a fresh temporary name in dir; empty on failure.
std::string LinkUnnamed(int fd, const std::filesystem::path& dir, const std::string& prefix) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    std::random_device seed;
    std::minstd_rand random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(kSuffixLength, 'X');
        for (char& c : suffix)
            c = kLetters[random() % (sizeof kLetters - 1)];
        std::string name = (dir / (prefix + suffix)).string();
        if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return name;
        if (errno != EEXIST)
            return {};
    }
    return {};
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& given, const std::function<bool(std::FILE*)>& write) {
    // The first failure's errno is what the caller hears, not what the cleanup after it left.
    int error = 0;
    auto failed = [&error](int code) {
        if (error == 0)
            error = code != 0 ? code : EIO;
        return false;
    };
    auto finish = [&error](bool ok) {
        if (!ok)
            errno = error != 0 ? error : EIO;
        return ok;
    };

    // A link to a file is written through: the link stays, its target gets the new content
    // beside itself. A dangling link is replaced as a file would be.
    std::filesystem::path path = given;
    struct stat link {};
    if (::lstat(given.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* target = ::realpath(given.c_str(), nullptr)) {
            path = target;
            std::free(target);
        }
    }
    struct stat old {};
    bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return finish(failed(S_ISDIR(old.st_mode) ? EISDIR : EINVAL));
    if (exists && ::access(path.c_str(), W_OK) != 0)
        return finish(failed(errno));

    const std::filesystem::path dir =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    const std::string prefix = TemporaryPrefix(path);
    // An unnamed file first: a writer killed while writing leaves nothing behind. It gets a
    // name only for the moment between linkat and rename.
    std::string temp;
    bool named = false;
    // Naming it goes through /proc/self/fd (linkat with AT_EMPTY_PATH would need a capability).
    int fd = ::access("/proc/self/fd", X_OK) == 0
                 ? ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)
                 : -1;
    if (fd < 0) {
        // File systems without unnamed files: a named temporary from the start. Where the
        // directory itself is at fault, both say so alike.
        temp = (dir / (prefix + "XXXXXX")).string();
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0)
            return finish(failed(errno));
        named = true;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        failed(errno);
        ::close(fd);
        if (named)
            ::unlink(temp.c_str());
        return finish(false);
    }
    bool ok = write(file) || failed(errno);
    ok = (std::fflush(file) == 0 || failed(errno)) && ok;
    ok = ok && (!std::ferror(file) || failed(EIO));
    ok = ok && (::fchmod(fd, exists ? (old.st_mode & 07777) : NewFileMode()) == 0 || failed(errno));
    ok = ok && (::fsync(fd) == 0 || failed(errno));
    if (ok && !named) {
        temp = LinkUnnamed(fd, dir, prefix);
        ok = named = !temp.empty() || failed(errno);
    }
    ok = (std::fclose(file) == 0 || failed(errno)) && ok;
    ok = ok && (::rename(temp.c_str(), path.c_str()) == 0 || failed(errno));
    if (!ok) {
        if (named)
            ::unlink(temp.c_str());
        return finish(false);
    }
    // The new content is in place; a failed directory sync only weakens its
    // durability, but the caller must hear of it.
    return finish(SyncDirectory(dir) || failed(errno));
}

int RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::filesystem::path dir =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    const std::string prefix = TemporaryPrefix(path);
    std::error_code error;
    std::filesystem::directory_iterator it(dir, error);
    int removed = 0;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (IsTemporaryName(name, prefix) && ::unlink(it->path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
    return WriteFileAtomically(path, [content](std::FILE* file) {
        return std::fwrite(content.data(), 1, content.size(), file) == content.size();
    });
}

bool LinkFile(const std::filesystem::path& existing, const std::filesystem::path& name) {
    return ::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
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
