#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "treestore/record_format.h"
#include "treestore/tree_node.h"

// What a parse met: whether every byte of the text belonged to a sound record.
struct TreeParseReport {
    bool whole = true;  // no record was damaged, cut off or unplaceable
    int records = 0;    // records placed in the tree
    int skipped = 0;    // damaged stretches and unplaceable records passed over
};

// Reads the tree file format back into a tree; the schema managers decide
// which class a type id makes. A manager is meant for one load or one default
// build; the trees it returns belong to the caller.
class CLumTreeMgr {
public:
    CLumTreeMgr() = default;
    CLumTreeMgr(const CLumTreeMgr&) = delete;
    CLumTreeMgr& operator=(const CLumTreeMgr&) = delete;

    // A new node for a record's type id; the base makes a plain node that keeps
    // the type id.
    virtual CLumTreeNode* CreateNode(int type);
    virtual ~CLumTreeMgr() = default;

    // Reads the rest of an open file and parses it; null for a null file, a
    // read error or no tree.
    std::unique_ptr<CLumTreeNode> LoadTree(std::FILE* file, TreeParseReport* report = nullptr);
    // Reads every sound record: a damaged one (a header that is not the
    // writer's, a payload whose fields do not fill it, a record that does not
    // end in "]\n", one cut off by the end) costs that record only, and reading
    // goes on at the next record that parses. A record that cannot be placed
    // (level 0 after the first, above 99, no node one level up) or whose node
    // rejects its payload is passed over with what hangs below it. A damaged
    // root gets a plain type-0 stand-in, so the items after it are kept. Null
    // when no record could be read.
    std::unique_ptr<CLumTreeNode> ParseTree(std::string_view text, TreeParseReport* report = nullptr);

    // 32 lowercase hexadecimal digits, a fresh GUID without dashes.
    static std::string NewItemGuid();

private:
    // Most recent node read at each level during the current parse; never owns.
    std::array<CLumTreeNode*, treerecord::kLevelSlots> m_levels{};
};
