#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A text field shared between threads: reads and writes copy the bytes under a
// short lock (one of a small table of mutexes, picked by the field's address),
// so a reader never sees a half-written string. The bytes are the store's
// cp949 bytes, unchanged; convert with encoding/cp949.h for the screen.
class CLumText {
public:
    CLumText() = default;
    explicit CLumText(std::string_view bytes) : m_bytes(bytes) {}
    CLumText(const CLumText& other) : m_bytes(other.Get()) {}
    CLumText& operator=(const CLumText& other);

    std::string Get() const;
    void Set(std::string_view bytes);
    bool Equals(std::string_view bytes) const;

private:
    std::string m_bytes;
};

class CLumTreeNode;

// User data that `Attach` hangs on nodes. The object made for a node is also
// the factory for that node's children.
class CLumTreeUserData {
public:
    virtual ~CLumTreeUserData() = default;
    // The user data for `node` (at `level`), owned by the node from then on;
    // null attaches nothing to it and nothing below it.
    virtual CLumTreeUserData* MakeFor(CLumTreeNode& node, int level) = 0;
};

// Receives the diagnostic lines of `Trace`.
class CLumTraceSink {
public:
    virtual ~CLumTraceSink() = default;
    virtual void Line(std::string_view text) = 0;
};

// A node of a typed tree. A node owns its first child and its next sibling;
// parent and previous sibling are back links. Destroying a node destroys its
// subtree and every sibling after it; `Unlink` first to destroy one alone.
//
// Link operations do not lock. Trees shared between threads guard their list
// structure with the lock of their root class (see the schema headers); text
// fields are CLumText and scalar fields std::atomic, so field access needs no
// further lock.
class CLumTreeNode {
public:
    CLumTreeNode() = default;
    CLumTreeNode(const CLumTreeNode&) = delete;
    CLumTreeNode& operator=(const CLumTreeNode&) = delete;

    virtual ~CLumTreeNode();
    // Plain node with this node's type id, tag and value and a deep copy of its
    // children; detached.
    virtual CLumTreeNode* CloneWithChildren() const;
    // As CloneWithChildren without children.
    virtual CLumTreeNode* CloneNode() const;
    // Copies this node, its subtree and all following siblings (base fields
    // only); the top copy is detached.
    virtual CLumTreeNode* DeepCopy() const;
    // "T[tag] V[value] " lines for this node, its subtree and following
    // siblings, indented by `indent` (+3 per level); no sink, no work.
    virtual void Trace(int indent, CLumTraceSink* sink = nullptr) const;
    // Records of this node at `level`, its subtree and following siblings.
    // WriteToFile returns false when the file reports a write error.
    virtual bool WriteToFile(std::FILE* file, int level) const;
    virtual bool WriteToString(std::string& text, int level) const;
    // Adds the record lengths of this node, its subtree and following siblings.
    virtual bool AccumulateSize(std::size_t& total) const;
    // Fills the persisted fields from a payload (without its brackets).
    virtual bool ParsePayload(std::string_view payload);
    // The record payload, brackets included.
    virtual std::string BuildPayload() const;
    // Sort order for SortChildren: <0, 0, >0. The base compares values as
    // unsigned bytes and ignores `mode`.
    virtual int Compare(const CLumTreeNode& other, int mode) const;
    // Gives this node, its subtree and following siblings user data made by
    // `factory` (see CLumTreeUserData).
    virtual bool Attach(CLumTreeUserData* factory, int level);

    int GetType() const { return m_nType; }
    void SetType(int type) { m_nType = type; }
    std::string GetTag() const { return m_tag.Get(); }
    void SetTag(std::string_view tag) { m_tag.Set(tag); }
    std::string GetValue() const { return m_value.Get(); }
    void SetValue(std::string_view value) { m_value.Set(value); }
    CLumTreeUserData* GetUserData() const { return m_pUserData.get(); }

    // Plain link accessors: they store the pointer and nothing else.
    CLumTreeNode* GetFirstChild() const { return m_pFirstChild; }
    void SetFirstChild(CLumTreeNode* node) { m_pFirstChild = node; }
    CLumTreeNode* GetNext() const { return m_pNext; }
    void SetNext(CLumTreeNode* node) { m_pNext = node; }
    CLumTreeNode* GetParent() const { return m_pParent; }
    void SetParent(CLumTreeNode* node) { m_pParent = node; }
    CLumTreeNode* GetPrev() const { return m_pPrev; }
    void SetPrev(CLumTreeNode* node) { m_pPrev = node; }

    // Makes the detached `node` (or the head of a chain to follow it) the last
    // child of this node, which takes ownership.
    bool AppendChild(CLumTreeNode* node);
    // Links the detached `node` into this attached node's place, before it.
    bool InsertBefore(CLumTreeNode* node);
    // Links the detached `node` right after this attached node (constant time,
    // for building long lists).
    bool InsertAfter(CLumTreeNode* node);
    // Detaches this node (with its subtree) from its parent and siblings; the
    // caller owns it afterwards.
    bool Unlink();
    bool DeleteChildren();
    // First direct child with `type`, or null.
    CLumTreeNode* FindChild(int type) const;
    int GetChildCount() const;
    // Stable ascending sort of the children by Compare(mode); false without
    // children.
    bool SortChildren(int mode);

protected:
    // Relinks the children in the order given, which holds each child once.
    void SetChildOrder(const std::vector<CLumTreeNode*>& order);
    // Copies the base fields (type id, tag, value) into `copy`.
    void CopyBaseFieldsTo(CLumTreeNode& copy) const;

private:
    CLumTreeNode* m_pFirstChild = nullptr;
    CLumTreeNode* m_pNext = nullptr;
    CLumTreeNode* m_pParent = nullptr;
    CLumTreeNode* m_pPrev = nullptr;
    std::unique_ptr<CLumTreeUserData> m_pUserData;
    CLumText m_value;
    CLumText m_tag;
    int m_nType = -1;
};
