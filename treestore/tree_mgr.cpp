#include "treestore/tree_mgr.h"

#include <algorithm>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/guid.h"

namespace {

int ParseHeaderNumber(std::string_view digits) {
    return treerecord::ParseInt(digits);
}

}  // namespace

CLumTreeNode* CLumTreeMgr::CreateNode(int type) {
    auto* node = new CLumTreeNode;
    // Keeping the type id lets a record this build does not know go back to
    // the file unchanged.
    node->SetType(type);
    return node;
}

std::unique_ptr<CLumTreeNode> CLumTreeMgr::LoadTree(std::FILE* file) {
    if (file == nullptr)
        return nullptr;
    std::optional<std::string> text = platform::ReadWholeFile(file);
    if (!text)
        return nullptr;
    return ParseTree(*text);
}

std::unique_ptr<CLumTreeNode> CLumTreeMgr::ParseTree(std::string_view text) {
    using namespace treerecord;
    m_levels.fill(nullptr);
    std::unique_ptr<CLumTreeNode> root;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t length = ScanHexLength(text.substr(position, kLengthDigits));
        position += kLengthDigits;
        if (position >= text.size())
            break;
        std::string_view record = text.substr(position, length);
        const bool truncated = record.size() < length;
        position += record.size();
        if (record.empty())
            break;

        if (record.size() < kMinRecordLength) {
            // A cut-off last record is dropped; a complete one this short is damage.
            if (truncated)
                break;
            return nullptr;
        }
        const int level = ParseHeaderNumber(record.substr(0, kLevelDigits));
        const int type = ParseHeaderNumber(record.substr(kLevelDigits + 1, kTypeDigits));
        CLumTreeNode* parent = nullptr;
        if (root) {
            if (level < 1 || level >= kLevelSlots || m_levels[level - 1] == nullptr) {
                if (truncated)
                    break;
                return nullptr;
            }
            parent = m_levels[level - 1];
        }

        CLumTreeNode* node = CreateNode(type);
        if (!root) {
            root.reset(node);
            m_levels[0] = node;
        } else {
            // Constant-time append: the last node read one level down is the
            // parent's last child whenever it belongs to this parent.
            CLumTreeNode* last = m_levels[level];
            if (last != nullptr && last->GetParent() == parent) {
                last->InsertAfter(node);
            } else {
                parent->AppendChild(node);
            }
            m_levels[level] = node;
        }
        // The payload without "[" in front and "]" plus newline at the end.
        std::string_view payload = record.substr(kHeaderSize + 1, record.size() - kHeaderSize - 3);
        if (!node->ParsePayload(payload))
            return nullptr;
        if (truncated)
            break;
    }
    m_levels.fill(nullptr);
    return root;
}

std::string CLumTreeMgr::NewItemGuid() {
    std::string guid = platform::NewGuidString();
    guid.erase(std::remove(guid.begin(), guid.end(), '-'), guid.end());
    return guid;
}
