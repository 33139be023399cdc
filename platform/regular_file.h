#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// The most any file of the programs is read up to: far above the largest store, table, help
// text or INI the programs write or ship (a book of 1,000,000 items is about 150 MB).
inline constexpr std::size_t kMaxReadSize = std::size_t{256} << 20;

// Opens `path` for reading without ever blocking (a FIFO with no writer, a terminal): refuses
// anything that is not a regular file once opened (links are followed). The descriptor is
// blocking again and close-on-exec; -1 with `reason` set (UTF-8, the system's errno text or what
// the file is) otherwise.
int OpenRegularFile(const std::filesystem::path& path, std::string* reason);

// The whole content of the regular file `path`, read up to `limit` bytes. nullopt with `reason`
// set when it cannot be opened, is not a regular file, is larger than `limit` or a read fails.
// `missing` (optional) tells a file that does not exist from one that cannot be read.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::string* reason,
                                           std::size_t limit = kMaxReadSize, bool* missing = nullptr);

// At most the first `count` bytes of the regular file `path` (its start, for a reader that
// shows only that much); the same refusals as ReadRegularFile except the size.
std::optional<std::string> ReadRegularFileStart(const std::filesystem::path& path, std::size_t count,
                                                std::string* reason);

}  // namespace platform
