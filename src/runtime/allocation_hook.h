#pragma once
// Allocation with a failure point for tests. The snapshot reader, the file stream and the node
// pool allocate through these, so a test can make the n-th of their allocations fail and check
// that the code answers 260 and leaks nothing. Unarmed, the cost is one relaxed atomic load.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

#include "runtime/types.h"

namespace pelorin {

namespace detail {
extern std::atomic<bool> allocationHookArmed;
// Counts one allocation; true when it is the one that must fail.
bool countAllocation();
}  // namespace detail

// True when the allocation about to be made must fail.
inline bool allocationMustFail() {
    return detail::allocationHookArmed.load(std::memory_order_relaxed) && detail::countAllocation();
}

inline void* checkedMalloc(std::size_t bytes) { return allocationMustFail() ? nullptr : std::malloc(bytes); }
inline void* checkedCalloc(std::size_t count, std::size_t bytes) {
    return allocationMustFail() ? nullptr : std::calloc(count, bytes);
}
// On failure the old block stays valid and owned by the caller, as with realloc.
inline void* checkedRealloc(void* block, std::size_t bytes) {
    return allocationMustFail() ? nullptr : std::realloc(block, bytes);
}
template <class T, class... Args>
T* checkedNew(Args&&... args) {
    return allocationMustFail() ? nullptr : new (std::nothrow) T(std::forward<Args>(args)...);
}
template <class T>
T* checkedNewArray(std::size_t count) {
    return allocationMustFail() ? nullptr : new (std::nothrow) T[count];
}

// While it lives, the checked allocations of every thread are counted, and the one numbered
// `failAt` (1 = the next one) fails; 0 only counts. One scope at a time.
class AllocationFailureScope {
public:
    explicit AllocationFailureScope(u64 failAt);
    ~AllocationFailureScope();
    AllocationFailureScope(const AllocationFailureScope&) = delete;
    AllocationFailureScope& operator=(const AllocationFailureScope&) = delete;

    // Checked allocations made since the scope began, the failed one included.
    u64 count() const;
    bool failed() const { return failAt_ != 0 && count() >= failAt_; }

private:
    u64 failAt_;
};

}  // namespace pelorin
