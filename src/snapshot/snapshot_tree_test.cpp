#include "snapshot/snapshot_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }
std::string n8(const std::u16string& s) { return std::string(s.begin(), s.end()); }

SnapshotNode* add(SnapshotTree& t, SnapshotNode* parent, const char16_t* name, bool leaf = false) {
    return t.addNode(0, leaf, parent, name, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
}

std::vector<std::u16string> childNames(const SnapshotTree& t, const SnapshotNode* parent) {
    std::vector<std::u16string> out;
    for (SnapshotNode* c = parent ? t.firstChild(parent) : t.firstTopLevel(); c; c = t.nextSibling(c))
        out.emplace_back(c->name());
    return out;
}

TEST(SnapshotTree, RecordLayoutAndDataPrefix) {
    struct Case { u32 dataLength; std::vector<u8> prefix; };
    const Case cases[] = {{1, {0x01}}, {127, {0x7F}}, {128, {0x80, 0x00, 0x00, 0x80}}, {300, {0x80, 0x00, 0x01, 0x2C}}};
    for (const Case& c : cases) {
        SnapshotTree t(nullptr, 0, &noStrings);
        std::vector<u8> data(c.dataLength);
        for (u32 i = 0; i < c.dataLength; ++i) data[i] = static_cast<u8>(i * 7);
        const u8 digest[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        u64 size = 0x0102030405060708ull, time = 0x1112131415161718ull;
        u16 attributes = 0x2021;
        SnapshotNode* n = t.addNode(7, true, nullptr, u"ab", digest, &size, &attributes, &time, data.data(),
                                    c.dataLength);
        ASSERT_NE(n, nullptr);
        u32 expectedSize = 20 + 6 + 16 + 8 + 2 + 8 + static_cast<u32>(c.prefix.size()) + c.dataLength;
        EXPECT_EQ(recordSize(n), expectedSize);
        EXPECT_EQ(t.largestNodeSize(), expectedSize);
        EXPECT_EQ(n->flags(), NODE_LEAF | NODE_HAS_DIGEST | NODE_HAS_SIZE | NODE_HAS_ATTRIBUTES | NODE_HAS_TIME | NODE_HAS_DATA);
        EXPECT_EQ(n->valueType(), 7);
        const u8* b = n->bytes();
        EXPECT_EQ(b[3], 0);
        // name, then the blocks in their fixed order, little-endian, then prefix and bytes
        EXPECT_EQ(std::memcmp(b + 20, u"ab", 6), 0);
        EXPECT_EQ(std::memcmp(b + 26, digest, 16), 0);
        EXPECT_EQ(b[42], 0x08);  // size low byte
        EXPECT_EQ(b[50], 0x21);  // attributes low byte
        EXPECT_EQ(b[52], 0x18);  // time low byte
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), b + 60));
        u32 length = 0;
        const u8* d = n->dataOf(&length);
        EXPECT_EQ(length, c.dataLength);
        EXPECT_EQ(std::memcmp(d, data.data(), c.dataLength), 0);
        EXPECT_EQ(n->sizeValue(), size);
        EXPECT_EQ(n->attributesValue(), attributes);
        EXPECT_EQ(n->timeValue(), time);
    }
}

TEST(SnapshotTree, AbsentBlocksCostNothingAndEmptyDataIsNoBlock) {
    SnapshotTree t(nullptr, 0, &noStrings);
    const u8 byte = 1;
    SnapshotNode* a = t.addNode(1, true, nullptr, u"", nullptr, nullptr, nullptr, nullptr, &byte, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->flags(), NODE_LEAF);
    EXPECT_EQ(recordSize(a), 22u);
    EXPECT_EQ(a->dataOf(nullptr), nullptr);
    EXPECT_EQ(a->digestOf(), nullptr);
    u64 time = 5;
    SnapshotNode* b = t.addNode(0, false, nullptr, u"x", nullptr, nullptr, nullptr, &time, nullptr, 0);
    ASSERT_NE(b->timeOf(), nullptr);
    EXPECT_EQ(b->timeOf(), b->bytes() + 24);  // directly behind the name when nothing precedes it
    EXPECT_EQ(t.addNode(0, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(t.nodeCount(), 2u);
}

TEST(SnapshotTree, ListsAreNewestFirstAndSerialsCountEveryNode) {
    SnapshotTree t(nullptr, 0, &noStrings);
    SnapshotNode* root = add(t, nullptr, u"C:");
    SnapshotNode* dir = add(t, root, u"dir");
    SnapshotNode* a = add(t, dir, u"a", true);
    SnapshotNode* b = add(t, dir, u"b", true);
    SnapshotNode* c = add(t, dir, u"c", true);
    SnapshotNode* root2 = add(t, nullptr, u"D:");
    EXPECT_EQ(childNames(t, dir), (std::vector<std::u16string>{u"c", u"b", u"a"}));
    EXPECT_EQ(childNames(t, nullptr), (std::vector<std::u16string>{u"D:", u"C:"}));
    EXPECT_EQ(a->serial(), 3u);
    EXPECT_EQ(b->serial(), 4u);
    EXPECT_EQ(c->serial(), 5u);
    EXPECT_EQ(root2->serial(), 6u);
    EXPECT_EQ(t.nextSerial(), 7u);
    EXPECT_EQ(t.parent(c), dir);
    EXPECT_EQ(t.parent(dir), root);
    EXPECT_EQ(t.parent(root), nullptr);
}

TEST(SnapshotTree, FindChildTellsTwinsApartAndIsCaseSensitive) {
    SnapshotTree t(nullptr, 0, &noStrings);
    SnapshotNode* root = add(t, nullptr, u"C:");
    SnapshotNode* dir = add(t, root, u"data");
    SnapshotNode* file = add(t, root, u"data", true);
    add(t, root, u"README.TXT", true);
    EXPECT_EQ(t.findChild(root, u"data", false), dir);
    EXPECT_EQ(t.findChild(root, u"data", true), file);
    EXPECT_EQ(t.findChild(root, u"Readme.txt", true), nullptr);
    EXPECT_EQ(t.findChild(root, u"dat", true), nullptr);   // a prefix is not the name
    EXPECT_EQ(t.findChild(root, u"data2", true), nullptr);
    // Without a parent the first top-level node stands in as the parent.
    EXPECT_EQ(t.findChild(nullptr, u"data", true), file);
    EXPECT_EQ(t.findTopLevel(u"C:"), root);
    EXPECT_EQ(t.findTopLevel(u"data"), nullptr);
    SnapshotTree empty(nullptr, 0, &noStrings);
    EXPECT_EQ(empty.findChild(nullptr, u"x", false), nullptr);
}

// The lookup must give what a walk of the newest-first list gives, also for large parents
// (where it uses an index), for twins of the same name, and for children added afterwards.
TEST(SnapshotTree, FindChildAgreesWithTheListWalk) {
    for (u32 siblings : {5u, 40u, 2000u}) {
        SnapshotTree t(nullptr, 0, &noStrings);
        SnapshotNode* root = add(t, nullptr, u"R");
        std::mt19937 rng(siblings);
        std::vector<std::u16string> names;
        auto addRandom = [&] {
            std::u16string name = wide("f" + std::to_string(rng() % (siblings / 2 + 1)));
            add(t, root, name.c_str(), rng() % 2);
            names.push_back(name);
        };
        for (u32 i = 0; i < siblings; ++i) addRandom();
        auto walk = [&](const std::u16string& name, bool leaf) -> SnapshotNode* {
            for (SnapshotNode* c = t.firstChild(root); c; c = t.nextSibling(c))
                if (c->isLeaf() == leaf && name == c->name()) return c;
            return nullptr;
        };
        for (int round = 0; round < 2; ++round) {
            for (u32 i = 0; i < siblings + 50; ++i) {
                std::u16string name = wide("f" + std::to_string(i));
                for (bool leaf : {false, true}) ASSERT_EQ(t.findChild(root, name.c_str(), leaf), walk(name, leaf));
            }
            for (u32 i = 0; i < siblings / 4 + 3; ++i) addRandom();  // additions after the index exists
        }
        if (siblings >= 2000) {
            EXPECT_GT(t.indexBytes(), 0u);
        }
        if (siblings <= 5) {
            EXPECT_EQ(t.indexBytes(), 0u);
        }
    }
}

TEST(SnapshotTree, BuildPathJoinsNamesAndTruncates) {
    SnapshotTree t(nullptr, 0, &noStrings);
    SnapshotNode* root = add(t, nullptr, u"C:\\WINDOWS");
    SnapshotNode* dir = add(t, root, u"system32");
    SnapshotNode* file = add(t, dir, u"a.dll", true);
    char16_t buf[64];
    t.buildPath(file, buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"C:\\WINDOWS\\system32\\a.dll");
    t.buildPath(root, buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"C:\\WINDOWS");
    struct Case { u32 capacityBytes; const char16_t* expected; };
    const Case cases[] = {{2, u""}, {8, u"C:\\"}, {24, u"C:\\WINDOWS\\"}, {26, u"C:\\WINDOWS\\s"}};
    for (const Case& c : cases) {
        std::fill(std::begin(buf), std::end(buf), u'#');
        t.buildPath(file, buf, c.capacityBytes);
        EXPECT_EQ(std::u16string(buf), c.expected) << c.capacityBytes;
    }
}

TEST(SnapshotTree, BuildPathKeepsTheNearest1024Names) {
    SnapshotTree t(nullptr, 0, &noStrings);
    SnapshotNode* n = add(t, nullptr, u"top");
    for (int i = 1; i < 1100; ++i) n = add(t, n, i < 1100 - 1024 ? u"x" : u"y");
    std::vector<char16_t> buf(8192);
    t.buildPath(n, buf.data(), static_cast<u32>(buf.size() * 2));
    std::u16string path(buf.data());
    // 1024 names "y" (no "top", no "x"), 1023 separators.
    EXPECT_EQ(path.size(), 1024u + 1023u);
    EXPECT_EQ(path.find(u'x'), std::u16string::npos);
    EXPECT_EQ(path.substr(0, 2), u"y\\");
}

TEST(SnapshotTree, ReportUnseenIsDepthFirstNewestFirstAndHonoursExclusions) {
    platform::MemorySystem system;
    platform::ScopedPlatform scope({nullptr, nullptr, &system});
    RecordingSink sink;
    SnapshotTree t(&sink, TREE_FILE_SYSTEM, &noStrings);
    ASSERT_TRUE(t.exclusions().addPattern("\\Prefetch\\*"));
    SnapshotNode* root = add(t, nullptr, u"C:\\WINDOWS");
    root->markSeen();
    SnapshotNode* gone = add(t, root, u"gone");
    add(t, gone, u"one", true);
    add(t, gone, u"two", true);
    SnapshotNode* kept = add(t, root, u"kept");
    kept->markSeen();
    add(t, kept, u"lost", true);
    SnapshotNode* seen = add(t, kept, u"here", true);
    seen->markSeen();
    SnapshotNode* prefetch = add(t, root, u"Prefetch");
    prefetch->markSeen();
    add(t, prefetch, u"X.PF", true);

    u32 count = 0;
    t.reportUnseen(nullptr, "File", &count);
    std::vector<std::string> got;
    for (const auto& c : sink.changes()) {
        EXPECT_EQ(c.kind, 9u);
        got.push_back(n8(c.text1) + "|" + n8(c.text2));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"lost|C:\\WINDOWS\\kept\\lost", "gone|C:\\WINDOWS\\gone",
                                             "two|C:\\WINDOWS\\gone\\two", "one|C:\\WINDOWS\\gone\\one"}));
    EXPECT_EQ(count, 4u);
    auto lines = sink.lineTexts(7);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "File lost C:\\WINDOWS\\kept\\lost");
}

// A removed record is tested with its own full path (its name included) and its name, so an
// entry "key|value" does not hide the removal of that value, while "key\*|value" does.
TEST(SnapshotTree, RegistryRemovalsMatchExclusionsOnTheRecordsFullPath) {
    for (bool wildcard : {false, true}) {
        RecordingSink sink;
        SnapshotTree t(&sink, TREE_REGISTRY, &noStrings);
        ASSERT_TRUE(t.exclusions().addPattern(wildcard ? "HKLM\\SW\\RNG\\*|Seed" : "HKLM\\SW\\RNG|Seed"));
        SnapshotNode* hklm = add(t, nullptr, u"HKLM");
        hklm->markSeen();
        SnapshotNode* sw = add(t, hklm, u"SW");
        sw->markSeen();
        SnapshotNode* key = add(t, sw, u"RNG");
        key->markSeen();
        add(t, key, u"Seed", true);
        add(t, key, u"", true);  // the default value: its path ends in "\"
        u32 count = 0;
        t.reportUnseen(nullptr, "Registry value", &count);
        std::vector<std::string> got;
        for (const auto& c : sink.changes()) {
            EXPECT_EQ(c.kind, 4u);
            got.push_back(n8(c.text1) + "|" + n8(c.text2));
        }
        std::vector<std::string> expected{"|HKLM\\SW\\RNG\\"};
        if (!wildcard) expected.push_back("Seed|HKLM\\SW\\RNG\\Seed");
        EXPECT_EQ(got, expected);
        EXPECT_EQ(count, expected.size());
        EXPECT_EQ(sink.lineTexts(4).size(), expected.size());
    }
}

TEST(SnapshotTree, ExcludedFilesOnlyBelowTheWindowsDirectory) {
    platform::MemorySystem system;
    system.windowsDirectoryValue = u"C:\\WINDOWS";
    platform::ScopedPlatform scope({nullptr, nullptr, &system});
    SnapshotTree t(nullptr, TREE_FILE_SYSTEM, &noStrings);
    ASSERT_TRUE(t.exclusions().addPattern("\\Prefetch\\*"));
    ASSERT_TRUE(t.exclusions().addPattern("\\system32\\config\\SOFTWARE"));
    struct Case { const char16_t* path; bool excluded; };
    const Case cases[] = {
        {u"C:\\WINDOWS\\Prefetch\\X.PF", true},
        {u"C:\\WINDOWSX\\Prefetch\\X.PF", false},
        {u"c:\\windows\\Prefetch\\X.PF", false},
        {u"C:\\WINDOWS\\system32\\config\\SOFTWARE", true},
        {u"C:\\WINDOWS\\system32\\config\\SOFTWARE.LOG", false},
        {u"C:\\WINDOWS", false},   // the rest is empty: matched against the patterns, none fits
        {u"C:\\WIN", false},
        {u"D:\\Prefetch\\X.PF", false},
        {u"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(t.isExcludedFile(c.path), c.excluded);
    EXPECT_FALSE(t.isExcludedFile(nullptr));
}

TEST(RecordChecksum, KnownValues) {
    EXPECT_EQ(recordChecksum(reinterpret_cast<const u8*>("abc"), 3), 0x765387FBu);
    EXPECT_EQ(recordChecksum(nullptr, 0), 0u);
    // Bitwise form of the same CRC, as a cross-check of the table.
    std::mt19937 rng(1);
    std::vector<u8> bytes(1000);
    for (auto& b : bytes) b = static_cast<u8>(rng());
    u32 crc = 0xFFFFFFFF;
    for (u8 b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0x84088408u : crc >> 1;
    }
    EXPECT_EQ(recordChecksum(bytes.data(), 1000), ~crc);
}

}  // namespace
}  // namespace pelorin
