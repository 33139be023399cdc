#include "treestore/store_root.h"

#include "treestore/record_format.h"

bool CLumStoreRoot::ParsePayload(std::string_view payload) {
    treerecord::PayloadReader(payload).Text(strVersion);
    return true;
}

std::string CLumStoreRoot::BuildPayload() const {
    return treerecord::PayloadWriter().Text(strVersion).Finish();
}
