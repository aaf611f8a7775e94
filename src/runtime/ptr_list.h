#pragma once
// The runtime's growable owning list of object pointers (directories of the run options, result
// entries). It never throws: operations answer true or false and leave a status word behind.
#include <memory>
#include <type_traits>

#include "runtime/types.h"

namespace pelorin {

// Base of every object a PtrList holds: the list deletes its elements through this destructor.
class PtrListItem {
public:
    virtual ~PtrListItem() = default;
};

class PtrList {
public:
    // Negative when a goes before b, 0 when they are equal.
    using CompareFunction = i32 (*)(void* context, const PtrListItem* a, const PtrListItem* b);

    // 0 for initialCapacity or growBy means 32. The program's lists use (true, 1024, 32, true).
    // Elements are deleted when they leave the list only when the list holds objects and owns them.
    explicit PtrList(bool holdsObjects = true, u32 initialCapacity = 0, u32 growBy = 0, bool ownsElements = true);
    ~PtrList();
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;

    // Error code of the last failing operation (ERR_NO_MEMORY); 0 while none failed.
    u32 status() const { return status_; }

    // On failure the element stays the caller's and the list is unchanged.
    bool append(PtrListItem* element);
    u32 count() const;
    u32 capacity() const;
    // Null without a slot array or when index is not below count().
    PtrListItem* at(u32 index) const;
    bool removeAt(u32 index, bool keepObject);
    // False (and nothing changes) for n = 0 or when the range does not lie within the list.
    bool removeRange(u32 first, u32 n, bool keepObject);
    // Deletes the owned elements in slot order and frees the slot array.
    void clear();

    // In-place quicksort, not stable; false when the list is empty.
    bool sort(CompareFunction compare, void* context);
    template <class Compare>
        requires std::is_invocable_r_v<i32, Compare&, const PtrListItem*, const PtrListItem*>
    bool sort(Compare&& compare) {
        // Passes the address of a pointer to the callable, which works for functions too.
        auto* target = std::addressof(compare);
        using Target = decltype(target);
        return sort([](void* context, const PtrListItem* a, const PtrListItem* b) -> i32 {
            return (**static_cast<Target*>(context))(a, b);
        }, &target);
    }

private:
    struct State {
        u8 holdsObjects;
        u8 ownsElements;
        u32 initialCapacity;
        u32 growBy;
        PtrListItem** slots;
        u32 count;
        u32 capacity;
    };

    bool deletesElements() const { return state_->holdsObjects && state_->ownsElements; }
    bool reserveSlot();

    u32 status_ = 0;
    State* state_ = nullptr;
};

}  // namespace pelorin
