#include "platform/guid.h"

#include <uuid/uuid.h>

namespace platform {

std::string NewGuidString() {
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return std::string(text);
}

}  // namespace platform
