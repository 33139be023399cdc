#pragma once
// The five screen-saver settings and their INI file.

#include <cstddef>
#include <string>

namespace scr {

struct ScrSettings {
    int bType = 0;          // 0 analog, 1 digital
    int bCarlendar = 0;     // 1 draws the month calendar on the full-screen faces
    int bSyncUse = 0;       // 1 synchronises periodically
    int nSyncDuration = 0;  // seconds between two synchronisations
    int n24Mode = 0;        // 1 shows hours 00-23 without 오전/오후
    bool operator==(const ScrSettings&) const = default;
};

inline constexpr const char* kIniSection = "TIKO3SCR";

// $XDG_CONFIG_HOME/TIKO3SCR.INI, falling back to ~/.config.
std::string SettingsPath();

// Updates s from the file's section. A missing file or key gives the defaults; a flag whose
// first character is neither '0' nor '1' keeps its value in s.
// The INI holds one short section; a file larger than this is not one.
inline constexpr std::size_t kIniFileLimit = std::size_t{1} << 20;
void ReadSettings(const std::string& path, ScrSettings& s);
// Same rules on a file's text already in memory.
void ReadSettingsText(const std::string& text, ScrSettings& s);

// Writes all five keys, keeping every other line of the file. The file is replaced atomically,
// so an interrupted write leaves the old settings. False with errno on failure.
bool WriteSettings(const std::string& path, const ScrSettings& s);

// The usual decimal text-to-integer rule: leading blanks, a sign, leading digits; none give 0.
// Values beyond int are clamped.
int LeadingInt(const std::string& text);

}  // namespace scr
