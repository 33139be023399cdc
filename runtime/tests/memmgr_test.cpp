#include "runtime/memmgr.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MemMgr, AllocFillsAndFreeReleasesOnce) {
    LumAOSM_MemMgr mgr("");
    auto* block = static_cast<unsigned char*>(mgr.Alloc(64, 0));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(block[i], 0) << i;
    void* other = mgr.Alloc(8, 0xAB);
    EXPECT_EQ(static_cast<unsigned char*>(other)[7], 0xAB);
    EXPECT_EQ(mgr.Count(), 2u);

    mgr.Free(block);
    EXPECT_EQ(mgr.Count(), 1u);
    mgr.Free(block);  // already released: nothing happens
    int foreign = 0;
    mgr.Free(&foreign);
    mgr.Free(nullptr);
    EXPECT_EQ(mgr.Count(), 1u);
    EXPECT_EQ(mgr.FreeAll(), 0);
    EXPECT_EQ(mgr.Count(), 0u);
    EXPECT_EQ(mgr.FreeAll(), 0);
}

namespace {

struct Managed : LumAOSM_MemMgrClient {
    explicit Managed(int* destroyed) : destroyed_(destroyed) {}
    virtual ~Managed() { ++*destroyed_; }
    int* destroyed_;
    char payload[100];
};

}  // namespace

TEST(MemMgr, ClientLivesInABlockAndDeleteRunsTheDestructorOnly) {
    LumAOSM_MemMgr mgr("");
    int destroyed = 0;
    Managed* object = new (mgr) Managed(&destroyed);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(mgr.Count(), 1u);
    delete object;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(mgr.Count(), 1u);  // the memory is still the manager's
    mgr.Free(object);
    EXPECT_EQ(mgr.Count(), 0u);
}
