// Parses arbitrary bytes as both stores; whatever tree comes out must write
// and re-parse to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

void CheckStable(CLumTreeMgr& mgr, std::string_view input) {
    std::unique_ptr<CLumTreeNode> tree = mgr.ParseTree(input);
    if (!tree)
        return;
    std::string first;
    tree->WriteToString(first, 0);
    std::unique_ptr<CLumTreeNode> again = mgr.ParseTree(first);
    if (!again)
        std::abort();
    std::string second;
    again->WriteToString(second, 0);
    if (first != second)
        std::abort();
    std::size_t size = 0;
    tree->AccumulateSize(size);
    if (size != first.size())
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CTIKOConfList_Mgr conf;
    CheckStable(conf, input);
    CTIKOScheduleList_Mgr schedule;
    CheckStable(schedule, input);
    return 0;
}
