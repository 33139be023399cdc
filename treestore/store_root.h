#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "treestore/tree_node.h"

// The root of a store file: carries the version mark (written and read back,
// not compared) and the lock of the tree's list structure.
class CLumStoreRoot : public CLumTreeNode {
public:
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    // Guards the child lists of this tree; hold it for short moments only.
    std::mutex& ListMutex() const { return m_listLock; }

    CLumText strVersion{"TIKO_VER_3_5"};

    // Set when the file this root came from was not read whole and could not be kept aside:
    // saves must not replace it. Empty otherwise.
    void SetUnsafeToSave(std::string reason) { m_unsafeToSave.Set(reason); }
    std::string UnsafeToSave() const { return m_unsafeToSave.Get(); }

protected:
    CLumStoreRoot() = default;

private:
    mutable std::mutex m_listLock;
    CLumText m_unsafeToSave;
};
