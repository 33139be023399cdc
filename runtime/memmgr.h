#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>

// One block of a LumAOSM_MemMgr; releases it with free.
class CLumMemInfo {
public:
    CLumMemInfo() = default;
    CLumMemInfo(const CLumMemInfo&) = delete;
    CLumMemInfo& operator=(const CLumMemInfo&) = delete;
    virtual ~CLumMemInfo();

    std::string tag;
    void* block = nullptr;
};

// Hands out filled blocks and keeps track of them until Free or FreeAll.
class LumAOSM_MemMgr {
public:
    explicit LumAOSM_MemMgr(const char* name = "");
    LumAOSM_MemMgr(const LumAOSM_MemMgr&) = delete;
    LumAOSM_MemMgr& operator=(const LumAOSM_MemMgr&) = delete;
    ~LumAOSM_MemMgr();

    // size bytes, every one set to fill; null when memory is short.
    void* Alloc(size_t size, int fill);
    // Releases a block of this manager; any other pointer, or null, changes nothing.
    void Free(void* block);
    int FreeAll();
    size_t Count() const;

private:
    mutable std::mutex mutex_;
    std::string name_;
    std::list<std::unique_ptr<CLumMemInfo>> blocks_;
};

// Base of objects that live in a memory-manager block: `new (mgr) T(...)` takes zero-filled
// memory from mgr (or yields null when there is none). `delete` runs the destructor only; the
// owner gives the memory back with mgr.Free afterwards.
class LumAOSM_MemMgrClient {
public:
    static void* operator new(size_t size, LumAOSM_MemMgr& mgr) noexcept;
    static void operator delete(void*) noexcept {}
    // Only used when a constructor throws.
    static void operator delete(void* block, LumAOSM_MemMgr& mgr) noexcept;
};
