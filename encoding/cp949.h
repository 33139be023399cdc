#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace encoding {

// Conversion between the stores' cp949 bytes and the screen's UTF-8, through
// glibc iconv ("CP949", Microsoft's table).

// Exact conversions: nullopt when the input is not valid in its encoding or has
// a character the other side cannot represent.
std::optional<std::string> Cp949ToUtf8(std::string_view cp949);
std::optional<std::string> Utf8ToCp949(std::string_view utf8);

// For display: every byte that does not start a valid cp949 character becomes
// U+FFFD, so any stored bytes can be shown.
std::string Cp949ToUtf8Lossy(std::string_view cp949);

}  // namespace encoding
