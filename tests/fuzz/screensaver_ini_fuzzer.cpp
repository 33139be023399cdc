// Reads arbitrary bytes as the screen saver's INI file. Lines it does not change must survive,
// and the five settings written into any file must read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "screensaver/ini_file.h"
#include "screensaver/settings.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Text without carriage returns comes back byte for byte (a last line gains its newline).
    const scr::IniDocument doc(input);
    if (input.find('\r') == std::string_view::npos) {
        std::string expected(input);
        if (!expected.empty() && expected.back() != '\n')
            expected += '\n';
        Check(doc.Text() == expected);
    }

    // The settings of the input: flags stay 0 or 1 whatever the file says.
    scr::ScrSettings read{};
    scr::ReadSettingsText(std::string(input), read);
    for (int flag : {read.bType, read.bCarlendar, read.bSyncUse, read.n24Mode})
        Check(flag == 0 || flag == 1);

    // Written into this file as the settings dialog writes them, they read back unchanged.
    const scr::ScrSettings wanted{1, 0, 1, static_cast<int>(size) - 1000, 1};
    scr::IniDocument edited(input);
    auto flag = [](int v) { return v ? "1" : "0"; };
    edited.Set(scr::kIniSection, "bType", flag(wanted.bType));
    edited.Set(scr::kIniSection, "bCarlendar", flag(wanted.bCarlendar));
    edited.Set(scr::kIniSection, "bSyncUse", flag(wanted.bSyncUse));
    edited.Set(scr::kIniSection, "nSyncDuration", std::to_string(wanted.nSyncDuration));
    edited.Set(scr::kIniSection, "n24Mode", flag(wanted.n24Mode));
    scr::ScrSettings back{};
    scr::ReadSettingsText(edited.Text(), back);
    Check(back == wanted);
    return 0;
}
