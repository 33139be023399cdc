#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "treestore/record_format.h"
#include "treestore/tree_node.h"

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
    std::unique_ptr<CLumTreeNode> LoadTree(std::FILE* file);
    // Null when the text holds no record, a record cannot be placed (level 0
    // after the first, above 99, no node one level up, shorter than a minimal
    // record) or a node rejects its payload.
    std::unique_ptr<CLumTreeNode> ParseTree(std::string_view text);

    // 32 lowercase hexadecimal digits, a fresh GUID without dashes.
    static std::string NewItemGuid();

private:
    // Most recent node read at each level during the current parse; never owns.
    std::array<CLumTreeNode*, treerecord::kLevelSlots> m_levels{};
};
