#include "platform/font_alias.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

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
    if (!FcInit())
        return false;
    FcConfig* config = FcConfigGetCurrent();
    if (!config)
        return false;
    return FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue) == FcTrue;
}

}  // namespace platform
