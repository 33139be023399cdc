#include "platform/font_alias.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

std::string FindFontAliases(const std::string& programDir) {
    const std::string candidates[] = {
        programDir + "/" + kFontAliasFile,
        programDir + "/../share/TIKo3/fonts/" + kFontAliasFile,
        programDir + "/../../share/TIKo3/fonts/" + kFontAliasFile,
    };
    for (const auto& c : candidates)
        if (access(c.c_str(), R_OK) == 0)
            return c;
    return {};
}

bool LoadFontAliases(const std::string& file) {
    {
#ifdef __SANITIZE_ADDRESS__
        // fontconfig's first load loses a few hundred bytes parsing the system's configuration,
        // which nothing can free. Left out of the leak check, they no longer make every window
        // test's exit start a symbolizer to match them against the suppressions.
        __lsan::ScopedDisabler systemConfigLeaks;
#endif
        if (!FcInit())
            return false;
    }
    FcConfig* config = FcConfigGetCurrent();
    if (!config)
        return false;
    return FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue) == FcTrue;
}

}  // namespace platform
