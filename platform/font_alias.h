#pragma once
// Loads the shipped fontconfig alias file, so that "굴림" and "Arial" reach installed fonts.
// Shared by LumClient and TIKO3SCR; its own target, so the screen saver links nothing else of platform/.

#include <string>

namespace platform {

inline constexpr const char* kFontAliasFile = "tiko3-fonts.conf";

// Where the alias file is for a program in programDir: next to it in a build tree, or in the
// install's share directory. Empty when there is none.
std::string FindFontAliases(const std::string& programDir);

// Adds the aliases to fontconfig's current configuration. Call before the Qt application is
// made. False when the file cannot be parsed.
bool LoadFontAliases(const std::string& file);

}  // namespace platform
