#include "snapshot/node_pool.h"

#include <cstdlib>
#include <cstdint>
#include <cstring>

#include "runtime/allocation_hook.h"

namespace pelorin {

NodePool::NodePool(bool threadSafe, u32 initialUsed) : initialUsed_(initialUsed), threadSafe_(threadSafe) {}

NodePool::~NodePool() {
    BlockHeader* b = first_;
    while (b) {
        BlockHeader* next = b->next;
        std::free(b);
        b = next;
    }
    std::free(blockData_);
    std::free(blocksByAddress_);
}

NodePool::Handle NodePool::handleOf(const void* p) const {
    auto* address = static_cast<const u8*>(p);
    // The last block whose data starts at or before the address.
    u32 lo = 0, hi = blockCount_;
    while (lo < hi) {
        u32 mid = (lo + hi) / 2;
        if (reinterpret_cast<uintptr_t>(blockData_[blocksByAddress_[mid]]) <= reinterpret_cast<uintptr_t>(address))
            lo = mid + 1;
        else hi = mid;
    }
    if (lo == 0) return 0;
    u32 index = blocksByAddress_[lo - 1];
    const u8* data = blockData_[index];
    const auto* header = reinterpret_cast<const BlockHeader*>(data) - 1;
    u64 offset = static_cast<u64>(address - data);
    if (offset >= header->used) return 0;
    return (index << offsetBits_ | static_cast<u32>(offset)) + 1;
}

bool NodePool::setBlockSize(u32 size) {
    if (size <= 1024) return false;
    blockSize_ = size;
    return true;
}

void* NodePool::allocate(u32 size, Handle* handle) {
    if (!threadSafe_) return allocateUnlocked(size, handle);
    std::lock_guard<std::mutex> guard(lock_);
    return allocateUnlocked(size, handle);
}

void* NodePool::allocateUnlocked(u32 size, Handle* handle) {
    if (current_ && static_cast<u64>(current_->used) + size < current_->capacity) {
        u8* data = reinterpret_cast<u8*>(current_ + 1);
        void* p = data + current_->used;
        if (handle) *handle = ((blockCount_ - 1) << offsetBits_ | current_->used) + 1;
        current_->used += size;
        return p;
    }

    if (!handlesFixed_) {
        // The offset field must cover a whole regular block; a block larger than that holds one
        // record only, at offset 0.
        u32 regular = blockSize_ ? blockSize_ : DEFAULT_BLOCK_SIZE;
        offsetBits_ = 1;
        while (offsetBits_ < 31 && (1u << offsetBits_) < regular) ++offsetBits_;
        offsetMask_ = (1u << offsetBits_) - 1;
        handlesFixed_ = true;
    }
    if (blockCount_ >= (1u << (32 - offsetBits_)) - 1) return nullptr;  // handle space used up

    if (blockCount_ == blockArrayCapacity_) {
        u32 grown = blockArrayCapacity_ ? blockArrayCapacity_ * 2 : 64;
        void* array = checkedRealloc(blockData_, sizeof(u8*) * grown);
        if (!array) return nullptr;
        blockData_ = static_cast<u8**>(array);
        void* order = checkedRealloc(blocksByAddress_, sizeof(u32) * grown);
        if (!order) return nullptr;
        blocksByAddress_ = static_cast<u32*>(order);
        blockArrayCapacity_ = grown;
    }

    u32 regular = blockSize_ ? blockSize_ : DEFAULT_BLOCK_SIZE;
    u64 capacity = size > regular ? size : regular;
    u64 bytes = sizeof(BlockHeader) + capacity;
    if (bytes > SIZE_MAX) return nullptr;
    auto* block = static_cast<BlockHeader*>(zeroFill_ ? checkedCalloc(1, bytes) : checkedMalloc(bytes));
    if (!block) return nullptr;
    totalBytes_ += bytes;
    block->next = nullptr;
    block->capacity = static_cast<u32>(capacity);
    block->used = initialUsed_;
    if (current_) current_->next = block;
    else first_ = block;
    current_ = block;
    u8* blockStart = reinterpret_cast<u8*>(block + 1);
    u32 at = blockCount_;
    while (at > 0 && reinterpret_cast<uintptr_t>(blockData_[blocksByAddress_[at - 1]]) >
                          reinterpret_cast<uintptr_t>(blockStart)) {
        blocksByAddress_[at] = blocksByAddress_[at - 1];
        --at;
    }
    blocksByAddress_[at] = blockCount_;
    blockData_[blockCount_++] = blockStart;

    u8* data = reinterpret_cast<u8*>(block + 1);
    void* p = data + block->used;
    if (handle) *handle = ((blockCount_ - 1) << offsetBits_ | block->used) + 1;
    block->used += size;
    return p;
}

}  // namespace pelorin
