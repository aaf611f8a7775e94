#include "runtime/ptr_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

namespace pelorin {
namespace {

// Records its id in a log when deleted, so tests see which elements the list deleted and when.
struct Item : PtrListItem {
    Item(int id, int key, std::vector<int>* log) : id(id), key(key), log(log) {}
    ~Item() override {
        if (log) log->push_back(id);
    }
    int id, key;
    std::vector<int>* log;
};

std::vector<int> idsOf(const PtrList& list) {
    std::vector<int> ids;
    for (u32 i = 0; i < list.count(); ++i) ids.push_back(list.at(i) ? static_cast<const Item*>(list.at(i))->id : -1);
    return ids;
}

std::vector<int> iota(int n) {
    std::vector<int> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = i;
    return v;
}

i32 byKey(const PtrListItem* a, const PtrListItem* b) {
    int x = static_cast<const Item*>(a)->key, y = static_cast<const Item*>(b)->key;
    return x < y ? -1 : x > y ? 1 : 0;
}

TEST(PtrList, GrowsBeforeTheArrayFills) {
    struct Case {
        u32 initialCapacity, growBy, appends, capacity;
    };
    const Case cases[] = {
        {1024, 32, 0, 0},     {1024, 32, 1023, 1024},
        {1024, 32, 1024, 1055},  // the 1024th append finds count + 1 == capacity
        {0, 0, 31, 32},       {0, 0, 32, 63},  // 0 means 32
        {1, 1, 3, 3},
    };
    for (const Case& c : cases) {
        PtrList list(true, c.initialCapacity, c.growBy, true);
        EXPECT_EQ(list.at(0), nullptr);
        for (u32 i = 0; i < c.appends; ++i) ASSERT_TRUE(list.append(new Item(static_cast<int>(i), 0, nullptr)));
        EXPECT_EQ(list.at(c.appends), nullptr);  // at(count)
        EXPECT_EQ(list.capacity(), c.capacity) << c.initialCapacity << "/" << c.growBy << " x" << c.appends;
        EXPECT_EQ(idsOf(list), iota(static_cast<int>(c.appends)));  // copied over intact on every growth
    }
}

TEST(PtrList, AllocationFailureLeavesTheListUnchanged) {
    // A first slot array too large to ask for; growth needing more than 32 bits of bytes or of slots.
    struct Case {
        u32 initialCapacity, growBy, before;
    };
    for (const Case& c : {Case{0xFFFFFFFFu, 32, 0}, Case{2, 0x7FFFFFFFu, 1}, Case{2, 0xFFFFFFFFu, 1}}) {
        std::vector<int> deleted;
        Item item(99, 0, &deleted);
        {
            PtrList list(true, c.initialCapacity, c.growBy, true);
            for (u32 i = 0; i < c.before; ++i) ASSERT_TRUE(list.append(new Item(static_cast<int>(i), 0, nullptr)));
            u32 capacity = list.capacity();
            EXPECT_FALSE(list.append(&item));
            EXPECT_EQ(list.status(), u32{ERR_NO_MEMORY});
            EXPECT_EQ(list.capacity(), capacity);
            EXPECT_EQ(idsOf(list), iota(static_cast<int>(c.before)));
        }
        EXPECT_TRUE(deleted.empty());  // the element that was not appended stays the caller's
        item.log = nullptr;
    }
}

TEST(PtrList, RemoveRange) {
    struct Case {
        u32 first, n;
        bool keepObject, result;
        std::vector<int> remaining, deleted;
    };
    const std::vector<int> all = iota(5);
    const Case cases[] = {
        {2, 3, false, true, {0, 1}, {2, 3, 4}},
        {1, 2, false, true, {0, 3, 4}, {1, 2}},
        {1, 2, true, true, {0, 3, 4}, {}},
        {4, 2, false, false, all, {}},
        {0, 0, false, false, all, {}},
        {1, 0xFFFFFFFFu, false, false, all, {}},  // first + n wraps in 32 bits
    };
    for (const Case& c : cases) {
        std::vector<int> deleted;
        std::vector<PtrListItem*> kept;
        {
            PtrList list(true, 4, 2, true);
            for (int i = 0; i < 5; ++i) ASSERT_TRUE(list.append(new Item(i, 0, &deleted)));
            for (u32 i = c.first; c.keepObject && i < c.first + c.n; ++i) kept.push_back(list.at(i));
            EXPECT_EQ(list.removeRange(c.first, c.n, c.keepObject), c.result) << c.first << "+" << c.n;
            EXPECT_EQ(idsOf(list), c.remaining) << c.first << "+" << c.n;
            EXPECT_EQ(deleted, c.deleted) << c.first << "+" << c.n;
            deleted.clear();
        }
        for (PtrListItem* item : kept) delete item;
    }
}

TEST(PtrList, OwnershipAndNullSlots) {
    std::vector<int> deleted;
    Item a(7, 0, &deleted), b(8, 0, &deleted);
    {
        PtrList borrowed(true, 0, 0, false);
        ASSERT_TRUE(borrowed.append(&a) && borrowed.append(&b));
        EXPECT_TRUE(borrowed.removeAt(0, false));
    }
    EXPECT_TRUE(deleted.empty());
    {
        PtrList list;
        for (int id : {0, -1, 2, 3}) ASSERT_TRUE(list.append(id < 0 ? nullptr : new Item(id, 0, &deleted)));
        EXPECT_TRUE(list.removeAt(1, false));  // a null slot is skipped
        list.clear();
        EXPECT_EQ(deleted, (std::vector<int>{0, 2, 3}));  // in slot order
        EXPECT_EQ(list.count() + list.capacity(), 0u);
        ASSERT_TRUE(list.append(new Item(4, 0, &deleted)));  // usable again, from the initial capacity
        EXPECT_EQ(list.capacity(), 32u);
    }
    EXPECT_EQ(deleted, (std::vector<int>{0, 2, 3, 4}));  // the destructor clears
    a.log = b.log = nullptr;
}

TEST(PtrList, SortOfTwoExchangesOnlyWhenTheFirstIsGreater) {
    for (auto [first, second, order] : {std::tuple{2, 1, std::vector{1, 0}}, std::tuple{1, 2, std::vector{0, 1}},
                                        std::tuple{1, 1, std::vector{0, 1}}}) {
        PtrList list;
        list.append(new Item(0, first, nullptr));
        list.append(new Item(1, second, nullptr));
        int calls = 0;
        EXPECT_TRUE(list.sort([&](const PtrListItem* a, const PtrListItem* b) { return ++calls, byKey(a, b); }));
        EXPECT_EQ(idsOf(list), order) << first << "," << second;
        EXPECT_EQ(calls, 1);
    }
}

// Sorts random lists (few and many distinct keys, sorted and reversed input) and checks the key
// order against std::sort, that every element is still there once, and that the number of
// comparisons stays near n log n, which many equal keys would break without gathering them.
TEST(PtrList, SortMatchesStdSort) {
    std::mt19937 random(42);
    auto check = [&](const std::vector<int>& keys, const char* what) {
        PtrList list(true, 1024, 32, true);
        for (std::size_t i = 0; i < keys.size(); ++i) ASSERT_TRUE(list.append(new Item(static_cast<int>(i), keys[i], nullptr)));
        long comparisons = 0;
        EXPECT_EQ(list.sort([&](const PtrListItem* a, const PtrListItem* b) { return ++comparisons, byKey(a, b); }),
                  !keys.empty());
        std::vector<int> sortedKeys = keys, gotKeys, ids = idsOf(list);
        std::sort(sortedKeys.begin(), sortedKeys.end());
        for (u32 i = 0; i < list.count(); ++i) gotKeys.push_back(static_cast<const Item*>(list.at(i))->key);
        EXPECT_EQ(gotKeys, sortedKeys) << what << " n=" << keys.size();
        std::sort(ids.begin(), ids.end());
        EXPECT_EQ(ids, iota(static_cast<int>(keys.size()))) << what;
        double n = static_cast<double>(keys.size());
        EXPECT_LE(comparisons, static_cast<long>(2 * n * std::log2(n + 2) + 8)) << what << " n=" << keys.size();
    };
    for (int round = 0; round < 400; ++round) {
        std::vector<int> keys(random() % 200);
        u32 distinct = round % 4 == 0 ? 3 : round % 4 == 1 ? 1 : 1000000;
        for (int& k : keys) k = static_cast<int>(random() % distinct);
        check(keys, "random");
    }
    std::vector<int> big(20000);
    for (int& k : big) k = static_cast<int>(random() % 5);
    check(big, "few keys");
    for (int& k : big) k = static_cast<int>(random());
    check(big, "distinct keys");
    std::vector<int> ascending = iota(5000);
    check(ascending, "ascending");
    check(std::vector<int>(ascending.rbegin(), ascending.rend()), "descending");
    check(std::vector<int>(5000, 7), "all equal");
}

TEST(PtrList, SortSurvivesAnInconsistentComparator) {
    std::mt19937 random(7);
    PtrList list;
    EXPECT_FALSE(list.sort(byKey));  // empty
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(list.append(new Item(i, 0, nullptr)));
    EXPECT_TRUE(list.sort([&](const PtrListItem*, const PtrListItem*) { return static_cast<i32>(random() % 3) - 1; }));
    std::vector<int> ids = idsOf(list);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, iota(500));
}

}  // namespace
}  // namespace pelorin
