#pragma once

#include <string>

namespace platform {

// A fresh random GUID in the standard dashed form, lowercase
// ("1b4e28ba-2fa1-11d2-883f-0016d3cca427").
std::string NewGuidString();

}  // namespace platform
