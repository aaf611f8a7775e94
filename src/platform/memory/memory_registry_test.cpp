// The in-memory registry must answer the scanning calls as Windows does, or the scanner's tests
// prove nothing: buffer sizes that count the NUL, the two end codes, names matched without
// regard to case but given back as created, subkeys in name order.
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorin::platform {
namespace {

constexpr RegistryRoot LM = RegistryRoot::LOCAL_MACHINE;

TEST(MemoryRegistry, EnumerationFollowsTheWindowsContract) {
    MemoryRegistry reg;
    reg.putValue(LM, u"T", u"Abc", 7, {1, 2, 3});
    reg.putValue(LM, u"T", u"", 1, {});
    for (const char16_t* name : {u"Beta", u"_x", u"alpha"}) reg.createKey(LM, std::u16string(u"T\\") + name);

    RegistryKey key;
    ASSERT_EQ(reg.openPath(LM, u"t", key), 0u);
    RegistryKeyInfo info;
    ASSERT_EQ(reg.queryKeyInfo(key, info), 0u);
    EXPECT_EQ(info.valueCount, 2u);
    EXPECT_EQ(info.longestValueName, 3u);
    EXPECT_EQ(info.longestValueData, 3u);
    EXPECT_EQ(info.subkeyCount, 3u);
    EXPECT_EQ(info.longestSubkeyName, 5u);

    struct ValueCase {
        u32 index, nameCapacity, dataCapacity, status;
    };
    const ValueCase values[] = {
        {0, 4, 3, 0},
        {0, 3, 3, REGISTRY_MORE_DATA},  // no room for the NUL
        {0, 4, 2, REGISTRY_MORE_DATA},
        {1, 1, 0, 0},  // the default value: empty name, no data
        {2, 100, 100, REGISTRY_NO_MORE_ITEMS},
    };
    for (const ValueCase& c : values) {
        SCOPED_TRACE(testing::Message() << c.index << " " << c.nameCapacity << " " << c.dataCapacity);
        char16_t name[100];
        u8 data[100];
        RegistryValueInfo value;
        ASSERT_EQ(reg.enumerateValue(key, c.index, name, c.nameCapacity, data, c.dataCapacity, value), c.status);
        if (c.status == 0 && c.index == 0) {
            EXPECT_EQ(std::u16string(name), u"Abc");
            EXPECT_EQ(value.nameLength, 3u);
            EXPECT_EQ(value.type, 7u);
            EXPECT_EQ(value.dataSize, 3u);
            EXPECT_EQ(data[2], 3);
        }
    }

    // Windows orders by the upper-case form: "_" (0x5F) sorts after the letters.
    std::u16string order;
    char16_t name[16];
    u32 length = 0;
    for (u32 i = 0; reg.enumerateSubkey(key, i, name, 16, length) == 0; ++i) order += std::u16string(name) + u",";
    EXPECT_EQ(order, u"alpha,Beta,_x,");
    EXPECT_EQ(reg.enumerateSubkey(key, 0, name, 5, length), REGISTRY_MORE_DATA);
    EXPECT_EQ(reg.enumerateSubkey(key, 3, name, 16, length), REGISTRY_NO_MORE_ITEMS);

    RegistryKey child;
    EXPECT_EQ(reg.openKey(key, u"missing", child), 2u);
    EXPECT_FALSE(child.isOpen());
    EXPECT_EQ(reg.openKey(key, u"ALPHA", child), 0u);
}

}  // namespace
}  // namespace pelorin::platform
