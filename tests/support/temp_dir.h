#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A fresh directory under the system's temporary directory, removed with its contents at the end.
class TempDir {
public:
    explicit TempDir(std::string_view prefix = "tiko3");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Whole files as bytes; a file that cannot be read reads as empty.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
