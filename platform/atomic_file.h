#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Replaces `path` as a whole or not at all: the content goes to an unnamed
// temporary file in the same directory (O_TMPFILE; a named ".NAME.XXXXXX" where
// the file system has none), which is flushed, fsynced, given a temporary name
// and renamed over the target; then the directory is fsynced. A process killed
// meanwhile leaves at most that briefly named file (RemoveStaleTemporaries clears
// such leftovers where only one process writes the file; a save does not, since
// it cannot tell them from another writer's save under way). On any failure the temporary
// file is removed, the old file stays as it was and the result is false. An
// existing target keeps its permission bits, a new one gets 0666 less the umask;
// one that the caller may not write is not replaced (as an in-place write would
// have failed). A symbolic link to a file is written through: the link stays and
// its target is replaced in the target's directory. On failure errno says why
// (the first step that failed, EISDIR or EINVAL for a target that is no file).
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Same, with the content produced by `write` on the temporary file; `write`
// returns false to abandon the replacement.
bool WriteFileAtomically(const std::filesystem::path& path, const std::function<bool(std::FILE*)>& write);

// Removes the temporaries that writers of `path` killed before their rename left
// in its directory; the number removed. Only for a path no other process writes.
int RemoveStaleTemporaries(const std::filesystem::path& path);

// Gives the file `existing` (a link to it followed) the second name `name`; false with errno
// set when the name exists or the file system cannot link there.
bool LinkFile(const std::filesystem::path& existing, const std::filesystem::path& name);

// The whole content of an open file from its current position, or nullopt on a
// read error.
std::optional<std::string> ReadWholeFile(std::FILE* file);

}  // namespace platform
