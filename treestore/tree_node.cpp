#include "treestore/tree_node.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

#include "treestore/record_format.h"

namespace {

// Text fields share a small table of locks instead of one mutex each, which
// would double the size of a schedule item.
constexpr std::size_t kTextLocks = 64;
std::array<std::mutex, kTextLocks> g_textLocks;

std::mutex& TextLock(const void* field) {
    auto address = reinterpret_cast<std::uintptr_t>(field);
    return g_textLocks[(address >> 4) % kTextLocks];
}

// Visits `first`, its subtree and its following siblings in file order, with
// each node's level. Iterative: a list of a million siblings must not grow the
// call stack.
void WalkPreOrder(const CLumTreeNode* first, int level,
                  const std::function<bool(const CLumTreeNode&, int)>& visit) {
    std::vector<std::pair<const CLumTreeNode*, int>> pending;
    if (first != nullptr)
        pending.emplace_back(first, level);
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (!visit(*node, depth))
            return;
        if (node->GetNext() != nullptr)
            pending.emplace_back(node->GetNext(), depth);
        if (node->GetFirstChild() != nullptr)
            pending.emplace_back(node->GetFirstChild(), depth + 1);
    }
}

}  // namespace

CLumText& CLumText::operator=(const CLumText& other) {
    if (this != &other)
        Set(other.Get());
    return *this;
}

std::string CLumText::Get() const {
    std::lock_guard lock(TextLock(this));
    return m_bytes;
}

void CLumText::Set(std::string_view bytes) {
    std::string copy(bytes);
    std::lock_guard lock(TextLock(this));
    m_bytes.swap(copy);
}

bool CLumText::Equals(std::string_view bytes) const {
    std::lock_guard lock(TextLock(this));
    return m_bytes == bytes;
}

CLumTreeNode::~CLumTreeNode() {
    // Siblings are destroyed in a loop, not through each other's destructor, so
    // the depth of destruction is the depth of the tree only.
    CLumTreeNode* sibling = m_pNext;
    m_pNext = nullptr;
    while (sibling != nullptr) {
        CLumTreeNode* following = sibling->m_pNext;
        sibling->m_pNext = nullptr;
        delete sibling;
        sibling = following;
    }
    delete m_pFirstChild;
}

void CLumTreeNode::CopyBaseFieldsTo(CLumTreeNode& copy) const {
    copy.m_nType = m_nType;
    copy.m_tag = m_tag;
    copy.m_value = m_value;
}

CLumTreeNode* CLumTreeNode::CloneWithChildren() const {
    CLumTreeNode* copy = CloneNode();
    if (m_pFirstChild != nullptr) {
        copy->m_pFirstChild = m_pFirstChild->DeepCopy();
        for (CLumTreeNode* child = copy->m_pFirstChild; child != nullptr; child = child->m_pNext) {
            child->m_pParent = copy;
        }
    }
    return copy;
}

CLumTreeNode* CLumTreeNode::CloneNode() const {
    auto* copy = new CLumTreeNode;
    CopyBaseFieldsTo(*copy);
    return copy;
}

CLumTreeNode* CLumTreeNode::DeepCopy() const {
    // Each pending entry: source node, the copy of its parent, the copy of its
    // previous sibling.
    struct Pending {
        const CLumTreeNode* source;
        CLumTreeNode* parent;
        CLumTreeNode* previous;
    };
    CLumTreeNode* top = nullptr;
    std::vector<Pending> pending{{this, nullptr, nullptr}};
    while (!pending.empty()) {
        Pending item = pending.back();
        pending.pop_back();
        auto* copy = new CLumTreeNode;
        item.source->CopyBaseFieldsTo(*copy);
        copy->m_pParent = item.parent;
        copy->m_pPrev = item.previous;
        if (item.previous != nullptr) {
            item.previous->m_pNext = copy;
        } else if (item.parent != nullptr) {
            item.parent->m_pFirstChild = copy;
        } else {
            top = copy;
        }
        if (item.source->m_pNext != nullptr)
            pending.push_back({item.source->m_pNext, item.parent, copy});
        if (item.source->m_pFirstChild != nullptr)
            pending.push_back({item.source->m_pFirstChild, copy, nullptr});
    }
    return top;
}

void CLumTreeNode::Trace(int indent, CLumTraceSink* sink) const {
    if (sink == nullptr)
        return;
    WalkPreOrder(this, 0, [&](const CLumTreeNode& node, int depth) {
        std::string line(static_cast<std::size_t>(std::max(0, indent + 3 * depth)), ' ');
        line += "T[" + node.GetTag() + "] V[" + node.GetValue() + "] \n";
        sink->Line(line);
        return true;
    });
}

bool CLumTreeNode::WriteToString(std::string& text, int level) const {
    WalkPreOrder(this, level, [&](const CLumTreeNode& node, int depth) {
        treerecord::AppendRecord(text, depth, node.GetType(), node.BuildPayload());
        return true;
    });
    return true;
}

bool CLumTreeNode::WriteToFile(std::FILE* file, int level) const {
    if (file == nullptr)
        return false;
    constexpr std::size_t kFlushAt = 1 << 16;
    std::string chunk;
    bool ok = true;
    auto flush = [&] {
        ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
        chunk.clear();
        return ok;
    };
    WalkPreOrder(this, level, [&](const CLumTreeNode& node, int depth) {
        treerecord::AppendRecord(chunk, depth, node.GetType(), node.BuildPayload());
        return chunk.size() < kFlushAt || flush();
    });
    return flush();
}

bool CLumTreeNode::AccumulateSize(std::size_t& total) const {
    WalkPreOrder(this, 0, [&](const CLumTreeNode& node, int) {
        total += node.BuildPayload().size() + treerecord::kRecordOverhead;
        return true;
    });
    return true;
}

bool CLumTreeNode::ParsePayload(std::string_view payload) {
    treerecord::PayloadReader reader(payload);
    reader.Text(m_tag);
    reader.Text(m_value);
    return true;
}

std::string CLumTreeNode::BuildPayload() const {
    return treerecord::PayloadWriter().Text(m_tag).Text(m_value).Finish();
}

int CLumTreeNode::Compare(const CLumTreeNode& other, int) const {
    // std::string compares as unsigned bytes, as strcmp does.
    int c = GetValue().compare(other.GetValue());
    return (c > 0) - (c < 0);
}

bool CLumTreeNode::Attach(CLumTreeUserData* factory, int level) {
    struct Pending {
        CLumTreeNode* node;
        CLumTreeUserData* factory;
        int level;
    };
    std::vector<Pending> pending{{this, factory, level}};
    while (!pending.empty()) {
        Pending item = pending.back();
        pending.pop_back();
        if (item.factory == nullptr)
            continue;
        item.node->m_pUserData.reset(item.factory->MakeFor(*item.node, item.level));
        if (item.node->m_pNext != nullptr)
            pending.push_back({item.node->m_pNext, item.factory, item.level});
        if (item.node->m_pFirstChild != nullptr) {
            pending.push_back({item.node->m_pFirstChild, item.node->m_pUserData.get(), item.level + 1});
        }
    }
    return true;
}

bool CLumTreeNode::AppendChild(CLumTreeNode* node) {
    if (m_pFirstChild == nullptr) {
        m_pFirstChild = node;
        node->m_pParent = this;
        return true;
    }
    CLumTreeNode* last = m_pFirstChild;
    while (last->m_pNext != nullptr)
        last = last->m_pNext;
    // The node's own next link stays: a chain may follow it.
    last->m_pNext = node;
    node->m_pPrev = last;
    node->m_pParent = this;
    return true;
}

bool CLumTreeNode::InsertBefore(CLumTreeNode* node) {
    if (m_pPrev != nullptr) {
        m_pPrev->m_pNext = node;
    } else if (m_pParent != nullptr) {
        m_pParent->m_pFirstChild = node;
    }
    node->m_pParent = m_pParent;
    node->m_pPrev = m_pPrev;
    node->m_pNext = this;
    m_pPrev = node;
    return true;
}

bool CLumTreeNode::InsertAfter(CLumTreeNode* node) {
    node->m_pParent = m_pParent;
    node->m_pPrev = this;
    node->m_pNext = m_pNext;
    if (m_pNext != nullptr)
        m_pNext->m_pPrev = node;
    m_pNext = node;
    return true;
}

bool CLumTreeNode::Unlink() {
    if (m_pPrev != nullptr) {
        m_pPrev->m_pNext = m_pNext;
    } else if (m_pParent != nullptr) {
        m_pParent->m_pFirstChild = m_pNext;
    }
    if (m_pNext != nullptr)
        m_pNext->m_pPrev = m_pPrev;
    m_pParent = nullptr;
    m_pPrev = nullptr;
    m_pNext = nullptr;
    return true;
}

bool CLumTreeNode::DeleteChildren() {
    delete m_pFirstChild;
    m_pFirstChild = nullptr;
    return true;
}

CLumTreeNode* CLumTreeNode::FindChild(int type) const {
    for (CLumTreeNode* child = m_pFirstChild; child != nullptr; child = child->m_pNext) {
        if (child->m_nType == type)
            return child;
    }
    return nullptr;
}

int CLumTreeNode::GetChildCount() const {
    int count = 0;
    for (CLumTreeNode* child = m_pFirstChild; child != nullptr; child = child->m_pNext)
        ++count;
    return count;
}

bool CLumTreeNode::SortChildren(int mode) {
    if (m_pFirstChild == nullptr)
        return false;
    std::vector<CLumTreeNode*> children;
    for (CLumTreeNode* child = m_pFirstChild; child != nullptr; child = child->m_pNext) {
        children.push_back(child);
    }
    // Stable and ascending: the same order as inserting each child after all
    // that do not sort after it.
    std::stable_sort(children.begin(), children.end(), [mode](const CLumTreeNode* a, const CLumTreeNode* b) {
        return a->Compare(*b, mode) < 0;
    });
    SetChildOrder(children);
    return true;
}

void CLumTreeNode::SetChildOrder(const std::vector<CLumTreeNode*>& order) {
    CLumTreeNode* previous = nullptr;
    for (CLumTreeNode* child : order) {
        child->m_pPrev = previous;
        if (previous != nullptr)
            previous->m_pNext = child;
        previous = child;
    }
    if (previous != nullptr)
        previous->m_pNext = nullptr;
    m_pFirstChild = order.empty() ? nullptr : order.front();
}
