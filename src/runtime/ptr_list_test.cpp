#include "runtime/ptr_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace pelorin {
namespace {

// Records its id in a log when deleted, so tests see which elements the list deleted and when.
struct Item : PtrListItem {
    Item(int id, int key, std::vector<int>* log) : id(id), key(key), log(log) {}
    ~Item() override {
        if (log) log->push_back(id);
    }
    int id;
    int key;
    std::vector<int>* log;
};

std::vector<int> idsOf(const PtrList& list) {
    std::vector<int> ids;
    for (u32 i = 0; i < list.count(); ++i) {
        const auto* item = static_cast<const Item*>(list.at(i));
        ids.push_back(item ? item->id : -1);
    }
    return ids;
}

i32 byKey(const PtrListItem* a, const PtrListItem* b) {
    int x = static_cast<const Item*>(a)->key;
    int y = static_cast<const Item*>(b)->key;
    return x < y ? -1 : x > y ? 1 : 0;
}

TEST(PtrList, EmptyListHasNoElements) {
    PtrList list(true, 1024, 32, true);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.at(0), nullptr);
    EXPECT_FALSE(list.removeAt(0, false));
    EXPECT_FALSE(list.sort(byKey));
    list.clear();
    EXPECT_EQ(list.status(), 0u);

    ASSERT_TRUE(list.append(new Item(0, 0, nullptr)));
    EXPECT_NE(list.at(0), nullptr);
    EXPECT_EQ(list.at(1), nullptr);  // at(count)
    EXPECT_TRUE(list.sort(byKey));
}

TEST(PtrList, GrowsBeforeTheArrayFills) {
    struct Case {
        u32 initialCapacity, growBy;
        u32 appends;
        u32 capacity;
    };
    const Case cases[] = {
        {1024, 32, 1, 1024},
        {1024, 32, 1023, 1024},
        {1024, 32, 1024, 1055},  // the 1024th append finds count + 1 == capacity
        {1024, 32, 1055, 1086},
        {0, 0, 1, 32},  // 0 means 32
        {0, 0, 31, 32},
        {0, 0, 32, 63},
        {1, 1, 1, 1},
        {1, 1, 3, 3},
        {100, 100, 100, 199},
    };
    for (const Case& c : cases) {
        PtrList list(true, c.initialCapacity, c.growBy, true);
        for (u32 i = 0; i < c.appends; ++i) ASSERT_TRUE(list.append(new Item(static_cast<int>(i), 0, nullptr)));
        EXPECT_EQ(list.capacity(), c.capacity) << c.initialCapacity << "/" << c.growBy << " x" << c.appends;
        EXPECT_EQ(list.count(), c.appends);
        std::vector<int> expected(c.appends);
        for (u32 i = 0; i < c.appends; ++i) expected[i] = static_cast<int>(i);
        EXPECT_EQ(idsOf(list), expected);  // copied over intact on every growth
    }
}

TEST(PtrList, AllocationFailureLeavesTheListUnchanged) {
    std::vector<int> deleted;
    Item item(1, 0, &deleted);
    {
        // The first slot array is too large to ask for.
        PtrList list(true, 0xFFFFFFFFu, 32, true);
        EXPECT_FALSE(list.append(&item));
        EXPECT_EQ(list.status(), u32{ERR_NO_MEMORY});
        EXPECT_EQ(list.count(), 0u);
        EXPECT_EQ(list.at(0), nullptr);
    }
    EXPECT_TRUE(deleted.empty());  // the element that was not appended stays the caller's
    item.log = nullptr;

    // Growth that would need more than 32 bits of bytes, or more than 32 bits of slots.
    for (u32 growBy : {0x7FFFFFFFu, 0xFFFFFFFFu}) {
        PtrList list(true, 2, growBy, true);
        ASSERT_TRUE(list.append(new Item(0, 0, nullptr)));
        Item item(1, 0, nullptr);
        EXPECT_FALSE(list.append(&item)) << growBy;
        EXPECT_EQ(list.status(), u32{ERR_NO_MEMORY});
        EXPECT_EQ(list.count(), 1u);
        EXPECT_EQ(list.capacity(), 2u);
        EXPECT_EQ(idsOf(list), std::vector<int>{0});
    }
}

TEST(PtrList, RemoveRange) {
    struct Case {
        u32 first, n;
        bool keepObject;
        bool result;
        std::vector<int> remaining;
        std::vector<int> deleted;
    };
    const Case cases[] = {
        {2, 3, false, true, {0, 1}, {2, 3, 4}},
        {4, 2, false, false, {0, 1, 2, 3, 4}, {}},
        {1, 2, false, true, {0, 3, 4}, {1, 2}},
        {1, 2, true, true, {0, 3, 4}, {}},
        {0, 5, false, true, {}, {0, 1, 2, 3, 4}},
        {4, 1, false, true, {0, 1, 2, 3}, {4}},
        {0, 0, false, false, {0, 1, 2, 3, 4}, {}},
        {5, 1, false, false, {0, 1, 2, 3, 4}, {}},
        {1, 0xFFFFFFFFu, false, false, {0, 1, 2, 3, 4}, {}},  // first + n wraps in 32 bits
        {0xFFFFFFFFu, 2, false, false, {0, 1, 2, 3, 4}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> deleted;
        std::vector<Item*> kept;
        {
            PtrList list(true, 4, 2, true);
            for (int i = 0; i < 5; ++i) ASSERT_TRUE(list.append(new Item(i, 0, &deleted)));
            if (c.keepObject) {
                for (u32 i = c.first; i < c.first + c.n; ++i) kept.push_back(static_cast<Item*>(list.at(i)));
            }
            EXPECT_EQ(list.removeRange(c.first, c.n, c.keepObject), c.result) << c.first << "+" << c.n;
            EXPECT_EQ(idsOf(list), c.remaining) << c.first << "+" << c.n;
            EXPECT_EQ(deleted, c.deleted) << c.first << "+" << c.n;
            deleted.clear();
        }
        for (Item* item : kept) delete item;
    }
}

TEST(PtrList, OwnershipAndNullSlots) {
    std::vector<int> deleted;
    {
        PtrList list;
        ASSERT_TRUE(list.append(new Item(0, 0, &deleted)));
        ASSERT_TRUE(list.append(nullptr));
        ASSERT_TRUE(list.append(new Item(2, 0, &deleted)));
        ASSERT_TRUE(list.append(new Item(3, 0, &deleted)));
        EXPECT_EQ(list.count(), 4u);
        EXPECT_TRUE(list.removeAt(1, false));  // a null slot is skipped
        list.clear();
        EXPECT_EQ(deleted, (std::vector<int>{0, 2, 3}));  // in slot order
        EXPECT_EQ(list.count(), 0u);
        EXPECT_EQ(list.capacity(), 0u);
        ASSERT_TRUE(list.append(new Item(4, 0, &deleted)));  // usable again, from the initial capacity
        EXPECT_EQ(list.capacity(), 32u);
    }
    EXPECT_EQ(deleted, (std::vector<int>{0, 2, 3, 4}));  // the destructor clears

    deleted.clear();
    Item a(7, 0, &deleted), b(8, 0, &deleted);
    {
        PtrList borrowed(true, 0, 0, false);
        ASSERT_TRUE(borrowed.append(&a));
        ASSERT_TRUE(borrowed.append(&b));
        EXPECT_TRUE(borrowed.removeAt(0, false));
    }
    EXPECT_TRUE(deleted.empty());
}

TEST(PtrList, SortOfTwoExchangesOnlyWhenTheFirstIsGreater) {
    struct Case {
        int firstKey, secondKey;
        std::vector<int> order;
    };
    const Case cases[] = {{2, 1, {1, 0}}, {1, 2, {0, 1}}, {1, 1, {0, 1}}};
    for (const Case& c : cases) {
        PtrList list;
        list.append(new Item(0, c.firstKey, nullptr));
        list.append(new Item(1, c.secondKey, nullptr));
        int calls = 0;
        EXPECT_TRUE(list.sort([&](const PtrListItem* a, const PtrListItem* b) {
            ++calls;
            return byKey(a, b);
        }));
        EXPECT_EQ(idsOf(list), c.order) << c.firstKey << "," << c.secondKey;
        EXPECT_EQ(calls, 1);
    }
}

// Sorts random lists (few and many distinct keys, sorted and reversed input) and checks the key
// order against std::sort, that every element is still there once, and that the number of
// comparisons stays near n log n, which many equal keys would break without gathering them.
TEST(PtrList, SortMatchesStdSort) {
    std::mt19937 random(42);
    auto check = [&](std::vector<int> keys, const char* what) {
        PtrList list(true, 1024, 32, true);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            ASSERT_TRUE(list.append(new Item(static_cast<int>(i), keys[i], nullptr)));
        }
        long comparisons = 0;
        EXPECT_EQ(list.sort([&](const PtrListItem* a, const PtrListItem* b) {
            ++comparisons;
            return byKey(a, b);
        }), !keys.empty());

        std::vector<int> sortedKeys = keys;
        std::sort(sortedKeys.begin(), sortedKeys.end());
        std::vector<int> gotKeys;
        std::vector<int> ids = idsOf(list);
        for (u32 i = 0; i < list.count(); ++i) gotKeys.push_back(static_cast<const Item*>(list.at(i))->key);
        EXPECT_EQ(gotKeys, sortedKeys) << what << " n=" << keys.size();
        std::sort(ids.begin(), ids.end());
        for (std::size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], static_cast<int>(i)) << what;
        double n = static_cast<double>(keys.size());
        EXPECT_LE(comparisons, static_cast<long>(2 * n * std::log2(n + 2) + 8)) << what << " n=" << keys.size();
    };

    for (int round = 0; round < 400; ++round) {
        std::size_t n = random() % 200;
        int distinct = round % 4 == 0 ? 3 : round % 4 == 1 ? 1 : 1000000;
        std::vector<int> keys(n);
        for (int& k : keys) k = static_cast<int>(random() % distinct);
        check(keys, "random");
    }
    std::vector<int> big(20000);
    for (int& k : big) k = static_cast<int>(random() % 5);
    check(big, "few keys");
    for (int& k : big) k = static_cast<int>(random());
    check(big, "distinct keys");
    std::vector<int> ascending(5000);
    for (std::size_t i = 0; i < ascending.size(); ++i) ascending[i] = static_cast<int>(i);
    check(ascending, "ascending");
    std::vector<int> descending(ascending.rbegin(), ascending.rend());
    check(descending, "descending");
    check(std::vector<int>(5000, 7), "all equal");
}

TEST(PtrList, InconsistentComparatorKeepsEveryElement) {
    std::mt19937 random(7);
    PtrList list;
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(list.append(new Item(i, 0, nullptr)));
    EXPECT_TRUE(list.sort([&](const PtrListItem*, const PtrListItem*) { return static_cast<i32>(random() % 3) - 1; }));
    std::vector<int> ids = idsOf(list);
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(ids[i], i);
}

}  // namespace
}  // namespace pelorin
