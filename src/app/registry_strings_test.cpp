#include "app/registry_strings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/memory/memory_platform.h"

namespace pelorin {
namespace {

using namespace platform;

TEST(RegistryStrings, RootCodesKeyPathAndValueNameAreCheckedFirst) {
    struct Case {
        u32 root;
        const char* key;
        const char* value;
        bool valid;
    };
    const Case cases[] = {
        {1, "Software\\Orvex\\Pelorin", "SnapShotFileName", true},
        {2, "Software\\Orvex\\Pelorin", "SnapShotFileName", true},
        {3, "Software\\Orvex\\Pelorin", "SnapShotFileName", true},
        {4, "Software\\Orvex\\Pelorin", "SnapShotFileName", true},
        {1, "Software\\Orvex\\Pelorin", "", true},  // the default value has an empty name
        {0, "Software\\Orvex\\Pelorin", "SnapShotFileName", false},
        {5, "Software\\Orvex\\Pelorin", "SnapShotFileName", false},
        {0x80000001, "Software\\Orvex\\Pelorin", "SnapShotFileName", false},
        {1, "", "SnapShotFileName", false},
        {1, nullptr, "SnapShotFileName", false},
        {1, "Software\\Orvex\\Pelorin", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        MemoryPlatform memory;
        EXPECT_EQ(writeRegistryString(c.root, c.key, c.value, 0, "C:\\a.sna"), c.valid);
        char buffer[64] = "old";
        EXPECT_EQ(readRegistryString(c.root, c.key, c.value, 0, buffer, sizeof buffer), c.valid);
        EXPECT_STREQ(buffer, c.valid ? "C:\\a.sna" : "");
        EXPECT_EQ(deleteRegistryString(c.root, c.key, c.value, 0), c.valid);
        if (c.valid) {
            // each root code reaches its own root
            EXPECT_TRUE(memory.registry.hasKey(static_cast<RegistryRoot>(c.root), c.key));
            for (u32 other = 1; other <= 4; ++other) {
                if (other != c.root) {
                    EXPECT_FALSE(memory.registry.hasKey(static_cast<RegistryRoot>(other), c.key));
                }
            }
        }
    }
}

TEST(RegistryStrings, ReadIsTrueOnlyForAStringThatFits) {
    MemoryPlatform memory;
    const char* key = "Software\\Orvex\\Pelorin";
    char buffer[8];

    std::strcpy(buffer, "old");
    EXPECT_FALSE(readRegistryString(1, key, "Missing", 0, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    memory.registry.putValue(RegistryRoot::CURRENT_USER, key, "Number", REGISTRY_TYPE_DWORD, {'a', 'b', 0, 0});
    std::strcpy(buffer, "old");
    EXPECT_FALSE(readRegistryString(1, key, "Number", 0, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    memory.registry.putString(RegistryRoot::CURRENT_USER, key, "Long", "12345678");
    EXPECT_FALSE(readRegistryString(1, key, "Long", 0, buffer, sizeof buffer));
    memory.registry.putString(RegistryRoot::CURRENT_USER, key, "Fits", "1234567");
    EXPECT_TRUE(readRegistryString(1, key, "Fits", 0, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "1234567");

    // deleting twice: the second finds nothing
    EXPECT_TRUE(deleteRegistryString(1, key, "Fits", 0));
    EXPECT_FALSE(deleteRegistryString(1, key, "Fits", 0));
    EXPECT_FALSE(readRegistryString(1, key, "Fits", 0, buffer, sizeof buffer));

    // a failing registry fails every function
    memory.registry.failure = 5;
    EXPECT_FALSE(writeRegistryString(1, key, "Fits", 0, "x"));
    EXPECT_FALSE(deleteRegistryString(1, key, "Long", 0));
    EXPECT_FALSE(readRegistryString(1, key, "Long", 0, buffer, sizeof buffer));
}

}  // namespace
}  // namespace pelorin
