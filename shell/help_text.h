#pragma once
// The help box's text: the start of "./TIKo.hlp" (cp949 on disk), for the screen.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char kHelpFileName[] = "TIKo.hlp";
inline constexpr size_t kHelpTextLimit = 10240;
inline constexpr char kHelpUnreadableText[] = "도움말 파일을 읽을 수가 없습니다";

// The length of `bytes` without a trailing lead byte whose second byte was cut off.
size_t WholeCp949Length(std::string_view bytes);

// The first kHelpTextLimit bytes of `file` as UTF-8, a character cut at the limit left out;
// nullopt when the file cannot be read.
std::optional<std::string> ReadHelpText(const std::filesystem::path& file);
