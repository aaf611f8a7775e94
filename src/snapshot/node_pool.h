#pragma once
// An arena for the many small records of a snapshot: blocks obtained from the heap, handed out
// byte by byte with no gaps, released only as a whole.
#include <mutex>

#include "runtime/types.h"

namespace pelorin {

class NodePool {
public:
    static constexpr u32 DEFAULT_BLOCK_SIZE = 131072;

    // A handle names an allocation by its block and offset, in 32 bits: the snapshot tree links
    // its records with handles instead of 64-bit pointers. 0 is no handle.
    using Handle = u32;

    explicit NodePool(bool threadSafe = false, u32 initialUsed = 0);
    ~NodePool();
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    // Gives `size` bytes, or null when the heap refuses (nothing changes then).
    void* allocate(u32 size) { return allocate(size, nullptr); }
    void* allocate(u32 size, Handle* handle);
    // Sizes of 1024 or less are refused. Takes effect for blocks obtained afterwards.
    bool setBlockSize(u32 size);
    void setZeroFill(bool on) { zeroFill_ = on; }

    // Where a handle points. The handle must come from this pool.
    u8* resolve(Handle handle) const {
        Handle v = handle - 1;
        return blockData_[v >> offsetBits_] + (v & offsetMask_);
    }

    // The handle of memory handed out by this pool (0 for foreign memory).
    Handle handleOf(const void* p) const;

    u64 totalBytes() const { return totalBytes_; }   // obtained from the heap, headers included
    u32 blockCount() const { return blockCount_; }

private:
    struct BlockHeader {
        BlockHeader* next;
        u32 capacity;
        u32 used;
    };

    void* allocateUnlocked(u32 size, Handle* handle);

    BlockHeader* first_ = nullptr;
    BlockHeader* current_ = nullptr;
    u32 blockSize_ = 0;
    u32 initialUsed_;
    bool threadSafe_;
    bool zeroFill_ = false;
    std::mutex lock_;
    u64 totalBytes_ = 0;

    // Data start of every block in chain order, for handle resolution.
    u8** blockData_ = nullptr;
    u32* blocksByAddress_ = nullptr;  // block indexes sorted by data address, for handleOf
    u32 blockCount_ = 0;
    u32 blockArrayCapacity_ = 0;
    u32 offsetBits_ = 17;
    u32 offsetMask_ = (1u << 17) - 1;
    bool handlesFixed_ = false;
};

}  // namespace pelorin
