#include "snapshot/node_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace pelorin {
namespace {

TEST(NodePool, HandsOutBytesWithoutGapsAndStartsANewBlockWhenFull) {
    NodePool pool;
    ASSERT_TRUE(pool.setBlockSize(2048));
    EXPECT_FALSE(pool.setBlockSize(1024));  // too small: refused, the 2048 stays

    auto* a = static_cast<u8*>(pool.allocate(1000));
    auto* b = static_cast<u8*>(pool.allocate(1000));
    EXPECT_EQ(b, a + 1000);
    EXPECT_EQ(pool.blockCount(), 1u);
    // 2000 + 48 == 2048 is not strictly below the capacity: a new block.
    auto* c = static_cast<u8*>(pool.allocate(48));
    EXPECT_EQ(pool.blockCount(), 2u);
    EXPECT_NE(c, b + 1000);
    // A request larger than a block gets a block of its own size.
    auto* big = static_cast<u8*>(pool.allocate(5000));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(pool.blockCount(), 3u);
    std::memset(big, 0xAB, 5000);  // the whole record is usable (ASan checks)
    // After a full oversized block, the next small request needs another block.
    pool.allocate(10);
    EXPECT_EQ(pool.blockCount(), 4u);
}

TEST(NodePool, HandlesResolveToTheirMemoryAndBack) {
    NodePool pool;
    std::vector<std::pair<NodePool::Handle, u8*>> given;
    for (u32 i = 0; i < 20000; ++i) {
        NodePool::Handle h = 0;
        u32 size = 7 + (i * 37) % 300;
        if (i % 997 == 0) size = 200000;  // now and then a record larger than a block
        auto* p = static_cast<u8*>(pool.allocate(size, &h));
        ASSERT_NE(p, nullptr);
        ASSERT_NE(h, 0u);
        given.emplace_back(h, p);
    }
    for (auto& [h, p] : given) {
        EXPECT_EQ(pool.resolve(h), p);
        EXPECT_EQ(pool.handleOf(p), h);
    }
    int foreign = 0;
    EXPECT_EQ(pool.handleOf(&foreign), 0u);
}

}  // namespace
}  // namespace pelorin
