#include "runtime/memmgr.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

CLumMemInfo::~CLumMemInfo() {
    std::free(block);
}

LumAOSM_MemMgr::LumAOSM_MemMgr(const char* name) : name_(name != nullptr ? name : "") {}

LumAOSM_MemMgr::~LumAOSM_MemMgr() {
    FreeAll();
}

void* LumAOSM_MemMgr::Alloc(size_t size, int fill) {
    auto info = std::make_unique<CLumMemInfo>();
    info->block = std::malloc(size == 0 ? 1 : size);
    if (info->block == nullptr)
        return nullptr;
    std::memset(info->block, fill, size);
    void* block = info->block;
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(info));
    return block;
}

void LumAOSM_MemMgr::Free(void* block) {
    if (block == nullptr)
        return;
    std::unique_ptr<CLumMemInfo> found;
    {
        std::lock_guard lock(mutex_);
        auto it =
            std::find_if(blocks_.begin(), blocks_.end(),
                         [block](const std::unique_ptr<CLumMemInfo>& info) { return info->block == block; });
        if (it == blocks_.end())
            return;
        found = std::move(*it);
        blocks_.erase(it);
    }
}

int LumAOSM_MemMgr::FreeAll() {
    std::list<std::unique_ptr<CLumMemInfo>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(blocks_);
    }
    return 0;
}

size_t LumAOSM_MemMgr::Count() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

void* LumAOSM_MemMgrClient::operator new(size_t size, LumAOSM_MemMgr& mgr) noexcept {
    return mgr.Alloc(size, 0);
}

void LumAOSM_MemMgrClient::operator delete(void* block, LumAOSM_MemMgr& mgr) noexcept {
    mgr.Free(block);
}
