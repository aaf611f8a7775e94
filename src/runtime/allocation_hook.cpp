#include "runtime/allocation_hook.h"

namespace pelorin {
namespace detail {

std::atomic<bool> allocationHookArmed{false};

namespace {
std::atomic<u64> gCounted{0};
std::atomic<u64> gFailAt{0};
}  // namespace

bool countAllocation() {
    u64 number = gCounted.fetch_add(1, std::memory_order_relaxed) + 1;
    return number == gFailAt.load(std::memory_order_relaxed);
}

}  // namespace detail

AllocationFailureScope::AllocationFailureScope(u64 failAt) : failAt_(failAt) {
    detail::gCounted.store(0, std::memory_order_relaxed);
    detail::gFailAt.store(failAt, std::memory_order_relaxed);
    detail::allocationHookArmed.store(true, std::memory_order_seq_cst);
}

AllocationFailureScope::~AllocationFailureScope() {
    detail::allocationHookArmed.store(false, std::memory_order_seq_cst);
    detail::gFailAt.store(0, std::memory_order_relaxed);
}

u64 AllocationFailureScope::count() const { return detail::gCounted.load(std::memory_order_relaxed); }

}  // namespace pelorin
