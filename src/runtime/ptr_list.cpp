#include "runtime/ptr_list.h"

#include <cstring>
#include <new>

namespace pelorin {
namespace {

constexpr u32 DEFAULT_STEP = 32;

// A slot array of `capacity` zeroed pointers, or null. The size in bytes must fit 32 bits, as on
// the 32-bit program: a larger list is refused as out of memory rather than attempted.
PtrListItem** allocateSlots(u32 capacity) {
    if (capacity == 0 || capacity > 0xFFFFFFFFu / sizeof(PtrListItem*)) return nullptr;
    return new (std::nothrow) PtrListItem*[capacity]();
}

void exchange(PtrListItem** a, PtrListItem** b) {
    PtrListItem* t = *a;
    *a = *b;
    *b = t;
}

u32 min(u32 a, u32 b) { return a < b ? a : b; }

void swapRuns(PtrListItem** a, PtrListItem** b, u32 n) {
    for (u32 i = 0; i < n; ++i) exchange(&a[i], &b[i]);
}

struct Sorter {
    PtrList::CompareFunction compare;
    void* context;

    i32 order(const PtrListItem* a, const PtrListItem* b) const { return compare(context, a, b); }

    void sort(PtrListItem** slots, u32 n) const {
        while (n > 1) {
            if (n == 2) {
                if (order(slots[0], slots[1]) > 0) exchange(&slots[0], &slots[1]);
                return;
            }
            // Median of first, middle and last; sorting the three leaves it in the middle.
            u32 middle = n / 2;
            PtrListItem** first = &slots[0];
            PtrListItem** mid = &slots[middle];
            PtrListItem** last = &slots[n - 1];
            if (order(*first, *mid) > 0) exchange(first, mid);
            if (order(*mid, *last) > 0) {
                exchange(mid, last);
                if (order(*first, *mid) > 0) exchange(first, mid);
            }
            if (n == 3) return;

            // Partition with the pivot parked at the front. Equal elements met by either scan
            // are moved to the outer ends and afterwards next to the pivot, so many equal keys
            // cost nothing, and sorted input stays sorted (no pathological pivots next round).
            exchange(first, mid);
            const PtrListItem* pivot = slots[0];
            u32 equalLow = 1;       // [0, equalLow): equal, at the front
            u32 low = 1;            // [equalLow, low): before the pivot
            u32 high = n - 1;       // (high, equalHigh]: after the pivot
            u32 equalHigh = n - 1;  // (equalHigh, n): equal, at the back
            for (;;) {
                i32 c;
                while (low <= high && (c = order(slots[low], pivot)) <= 0) {
                    if (c == 0) exchange(&slots[equalLow++], &slots[low]);
                    ++low;
                }
                while (low <= high && (c = order(slots[high], pivot)) >= 0) {
                    if (c == 0) exchange(&slots[high], &slots[equalHigh--]);
                    --high;
                }
                if (low >= high) {
                    // low == high only when the comparator judged one element both ways.
                    if (low == high) ++low;
                    break;
                }
                exchange(&slots[low++], &slots[high--]);
            }
            // Here high == low - 1. Swap the equal runs into the middle.
            u32 lowCount = low - equalLow;
            u32 highCount = equalHigh - high;
            swapRuns(slots, slots + low - min(equalLow, lowCount), min(equalLow, lowCount));
            swapRuns(slots + low, slots + n - min(highCount, n - 1 - equalHigh), min(highCount, n - 1 - equalHigh));
            // Both parts are shorter than n: the pivot itself is never in them.
            // Recurse into the smaller part and go on with the larger: the depth stays logarithmic.
            if (lowCount < highCount) {
                sort(slots, lowCount);
                slots += n - highCount;
                n = highCount;
            } else {
                sort(slots + n - highCount, highCount);
                n = lowCount;
            }
        }
    }
};

}  // namespace

PtrList::PtrList(bool holdsObjects, u32 initialCapacity, u32 growBy, bool ownsElements) {
    state_ = new (std::nothrow) State{};
    if (!state_) {
        status_ = ERR_NO_MEMORY;
        return;
    }
    state_->holdsObjects = holdsObjects;
    state_->ownsElements = ownsElements;
    state_->initialCapacity = initialCapacity ? initialCapacity : DEFAULT_STEP;
    state_->growBy = growBy ? growBy : DEFAULT_STEP;
}

PtrList::~PtrList() {
    if (!state_) return;
    clear();
    delete state_;
}

bool PtrList::reserveSlot() {
    State& s = *state_;
    if (!s.slots) {
        PtrListItem** slots = allocateSlots(s.initialCapacity);
        if (!slots) return false;
        s.slots = slots;
        s.capacity = s.initialCapacity;
        return true;
    }
    // Grows before the array is full, so it always keeps a free slot after an append.
    if (s.count + 1 < s.capacity) return true;
    u64 grown = u64{s.count} + s.growBy;
    if (grown > 0xFFFFFFFFu) return false;
    u32 capacity = static_cast<u32>(grown);
    PtrListItem** slots = allocateSlots(capacity);
    if (!slots) return false;
    std::memcpy(slots, s.slots, s.count * sizeof(PtrListItem*));
    delete[] s.slots;
    s.slots = slots;
    s.capacity = capacity;
    return true;
}

bool PtrList::append(PtrListItem* element) {
    if (!state_) return false;
    if (!reserveSlot()) {
        status_ = ERR_NO_MEMORY;
        return false;
    }
    state_->slots[state_->count++] = element;
    return true;
}

u32 PtrList::count() const { return state_ && state_->slots ? state_->count : 0; }

u32 PtrList::capacity() const { return state_ ? state_->capacity : 0; }

PtrListItem* PtrList::at(u32 index) const {
    if (!state_ || !state_->slots || index >= state_->count) return nullptr;
    return state_->slots[index];
}

bool PtrList::removeAt(u32 index, bool keepObject) { return removeRange(index, 1, keepObject); }

bool PtrList::removeRange(u32 first, u32 n, bool keepObject) {
    if (!state_ || !state_->slots || n == 0) return false;
    State& s = *state_;
    u64 end = u64{first} + n;
    if (first >= s.count || end > s.count) return false;
    if (deletesElements() && !keepObject) {
        for (u32 i = first; i < end; ++i) delete s.slots[i];
    }
    if (end < s.count) {
        std::memmove(&s.slots[first], &s.slots[end], (s.count - end) * sizeof(PtrListItem*));
    }
    s.count -= n;
    return true;
}

void PtrList::clear() {
    if (!state_ || !state_->slots) return;
    State& s = *state_;
    if (deletesElements()) {
        for (u32 i = 0; i < s.count; ++i) delete s.slots[i];
    }
    delete[] s.slots;
    s.slots = nullptr;
    s.count = 0;
    s.capacity = 0;
}

bool PtrList::sort(CompareFunction compare, void* context) {
    if (count() == 0 || !compare) return false;
    Sorter{compare, context}.sort(state_->slots, state_->count);
    return true;
}

}  // namespace pelorin
