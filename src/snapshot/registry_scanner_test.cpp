#include "snapshot/registry_scanner.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/platform.h"
#include "runtime/format.h"
#include "runtime/md5.h"
#include "runtime/text.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

using platform::MemoryRegistry;
using platform::RegistryRoot;
constexpr RegistryRoot LM = RegistryRoot::LOCAL_MACHINE;
constexpr RegistryRoot USERS = RegistryRoot::USERS;
constexpr u32 TYPE_SZ = 1, TYPE_BINARY = 3, TYPE_DWORD = 4;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

bool scannerTexts(char* buffer, u32 capacity, u32 id, bool) {
    const char* text = id == 167   ? "Registry value"
                       : id == 170 ? "Total registry count:  %s"
                       : id == 171 ? "Total registry size:   %s"
                                   : nullptr;
    if (!text) return false;
    copyBounded(buffer, capacity, text);
    return true;
}

std::vector<u8> bytes(std::string_view text) { return std::vector<u8>(text.begin(), text.end()); }

std::string hex(const u8* data, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

// "kind text1 | text2 [old data]", the fields a result entry gets.
std::string describe(const RecordingSink::Change& c) {
    std::string out = std::to_string(c.kind) + " " + narrow(c.text1);
    if (c.hasText2) out += " | " + narrow(c.text2);
    if (!c.data.empty()) out += " [" + hex(c.data.data(), c.data.size()) + "]";
    return out;
}

// The tree as text: name#serial, children in list order in brackets.
std::string dump(const SnapshotTree& tree, const SnapshotNode* first) {
    std::string out;
    for (const SnapshotNode* n = first; n; n = tree.nextSibling(n)) {
        if (!out.empty()) out += " ";
        out += narrow(n->name()) + "#" + std::to_string(n->serial());
        if (const SnapshotNode* child = tree.firstChild(n)) out += "[" + dump(tree, child) + "]";
    }
    return out;
}

// A memory registry installed as the platform's, a recording sink and a registry tree without
// exclusions, and the two passes over them.
class Harness {
public:
    Harness() { registerStandardDirectives(); }

    u32 record(u32 threshold = 16, bool details = false) {
        RegistryScanner scanner(&sink, threshold, &scannerTexts);
        if (roots) scanner.setRoots(roots, rootCount);
        return scanner.runRegistryPass(details, false, &tree, nullptr);
    }
    u32 compare(u32 threshold = 16, bool details = false) {
        RegistryScanner scanner(&sink, threshold, &scannerTexts);
        return scanner.runRegistryPass(details, true, &tree, &changeCount);
    }
    std::vector<std::string> reports() const {
        std::vector<std::string> out;
        for (const auto& c : sink.changes()) out.push_back(describe(c));
        return out;
    }
    // The record at a path of names; the last one a value when `leaf`.
    SnapshotNode* find(std::initializer_list<const char16_t*> path, bool leaf = false) {
        SnapshotNode* n = nullptr;
        std::size_t i = 0;
        for (const char16_t* name : path) {
            n = i == 0 ? tree.findTopLevel(name) : tree.findChild(n, name, leaf && i + 1 == path.size());
            if (!n) return nullptr;
            ++i;
        }
        return n;
    }

    MemoryRegistry reg;
    RecordingSink sink;
    SnapshotTree tree{&sink, TREE_REGISTRY, &noStrings};
    u32 changeCount = 0;
    const RegistryScanRoot* roots = nullptr;
    u32 rootCount = 0;

private:
    platform::ScopedPlatform scope_{platform::Platform{nullptr, &reg, nullptr}};
};

TEST(RegistryScanner, RecordsValueBlocksByThreshold) {
    struct Case {
        u32 threshold;
        u32 size;
        u16 flags;
    };
    const Case cases[] = {
        {16, 15, NODE_LEAF | NODE_HAS_DATA},   // below the threshold: whole
        {16, 16, NODE_LEAF | NODE_HAS_DIGEST},  // from the threshold on: digest
        {16, 0, NODE_LEAF},                     // empty: no block at all
        {1, 0, NODE_LEAF},
        {0, 0, NODE_LEAF | NODE_HAS_DIGEST},  // threshold 0 digests everything, nothing too
        {0, 1, NODE_LEAF | NODE_HAS_DIGEST},
        {200, 130, NODE_LEAF | NODE_HAS_DATA},  // a data block with the 4-byte length prefix
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "threshold " << c.threshold << ", size " << c.size);
        Harness h;
        std::vector<u8> data(c.size);
        for (u32 i = 0; i < c.size; ++i) data[i] = static_cast<u8>(i * 13 + 1);
        // A type above 255 keeps its low 8 bits; the default value has the empty name.
        h.reg.putValue(LM, u"A", u"", 0xFFFF1003u, data);
        ASSERT_EQ(h.record(c.threshold), 0u);
        SnapshotNode* v = h.find({u"HKLM", u"A", u""}, true);
        ASSERT_NE(v, nullptr);
        ASSERT_EQ(v->flags(), c.flags);
        EXPECT_EQ(v->valueType(), 0x03);
        u32 length = 0;
        const u8* recorded = v->dataOf(&length);
        if (c.flags & NODE_HAS_DATA) {
            ASSERT_NE(recorded, nullptr);
            EXPECT_EQ(std::vector<u8>(recorded, recorded + length), data);
        }
        if (c.flags & NODE_HAS_DIGEST) {
            u8 expected[16];
            Md5Engine::computeDigest(data.data(), data.size(), expected);
            EXPECT_EQ(hex(v->digestOf(), 16), hex(expected, 16));
        }
    }
}

TEST(RegistryScanner, RecordsInWalkingOrderAndShowsTotals) {
    Harness h;
    h.reg.putValue(LM, u"", u"r1", TYPE_SZ, bytes("r"));
    h.reg.putValue(LM, u"A", u"a1", TYPE_SZ, bytes("1"));
    h.reg.putValue(LM, u"A", u"a2", TYPE_SZ, bytes("22"));
    h.reg.putValue(LM, u"A\\B", u"b1", TYPE_SZ, {});
    h.reg.putValue(LM, u"C", u"c1", TYPE_DWORD, {1, 0, 0, 0});
    h.reg.putValue(USERS, u"S", u"s1", TYPE_BINARY, std::vector<u8>(1234567, 7));
    for (int i = 0; i < 995; ++i) h.reg.putValue(USERS, u"S\\Many", widen("m" + std::to_string(i)), TYPE_SZ, {});

    ASSERT_EQ(h.record(), 0u);
    // Values before subkeys, each subtree right after its key's record; lists newest first,
    // so the top level reads HKU, HKLM.
    const SnapshotNode* hku = h.tree.firstTopLevel();
    const SnapshotNode* hklm = h.tree.nextSibling(hku);
    ASSERT_NE(hklm, nullptr);
    EXPECT_EQ(dump(h.tree, hklm), "HKLM#1[C#8[c1#9] A#3[B#6[b1#7] a2#5 a1#4] r1#2]");
    EXPECT_EQ(narrow(hku->name()), "HKU");
    EXPECT_EQ(hku->serial(), 10u);
    EXPECT_EQ(hklm->flags(), NODE_SEEN);
    EXPECT_EQ(hku->flags(), NODE_SEEN);
    EXPECT_EQ(h.find({u"HKLM", u"A", u"B"})->flags(), 0);
    EXPECT_EQ(h.tree.nodeCount(), 10u + 2 + 995 + 1);

    EXPECT_EQ(h.sink.lineTexts(3), (std::vector<std::string>{"Total registry count:  1.001",
                                                             "Total registry size:   1.234.575"}));
    for (const auto& s : h.sink.statuses()) EXPECT_EQ(s.mode, STATUS_ALWAYS) << s.text;
}

TEST(RegistryScanner, DetailLinesNameValueDigestAndSubkey) {
    Harness h;
    h.reg.putValue(LM, u"K", u"short", TYPE_SZ, bytes("abc"));
    h.reg.putValue(LM, u"K", u"empty", TYPE_SZ, {});
    h.reg.createKey(LM, u"K\\Sub");
    ASSERT_EQ(h.record(3, true), 0u);
    // "abc" reaches the threshold 3: its digest; the empty value stays below it: "-".
    EXPECT_EQ(h.sink.lineTexts(4), (std::vector<std::string>{"short HKLM\\K", "empty HKLM\\K"}));
    EXPECT_EQ(h.sink.lineTexts(5), (std::vector<std::string>{"900150983cd24fb0d6963f7d28e17f72", "-"}));
    EXPECT_EQ(h.sink.lineTexts(3), (std::vector<std::string>{"HKLM\\K", "HKLM\\K\\Sub",
                                                             "Total registry count:  2",
                                                             "Total registry size:   3"}));
}

TEST(RegistryScanner, UnopenableKeyIsRecordedWithoutChildren) {
    Harness h;
    h.reg.putValue(LM, u"A\\Locked", u"x", TYPE_SZ, bytes("x"));
    h.reg.createKey(LM, u"A\\Locked\\Below");
    h.reg.putValue(LM, u"A\\Open", u"y", TYPE_SZ, bytes("y"));
    h.reg.failOpening(LM, u"A\\Locked", 5);
    ASSERT_EQ(h.record(), 0u);
    EXPECT_EQ(dump(h.tree, h.find({u"HKLM"})), "HKLM#1[A#2[Open#4[y#5] Locked#3]]");
    EXPECT_EQ(h.reg.openKeyCount(), 0u);

    // Opening it again in pass 2 fails too: nothing to report, as its record has no children.
    ASSERT_EQ(h.compare(), 0u);
    EXPECT_TRUE(h.reports().empty());
}

TEST(RegistryScanner, ValueGrownBeyondTheSlackEndsThatKeysValues) {
    struct Case {
        u32 growth;
        const char* recorded;
    };
    // The data buffer holds the longest value reported plus 1024 bytes.
    const Case cases[] = {
        {1024, "HKLM#1[A#2[Sub#6[s#7] c#5 b#4 a#3]]"},
        {1025, "HKLM#1[A#2[Sub#4[s#5] a#3]]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.growth);
        Harness h;
        h.reg.putValue(LM, u"A", u"a", TYPE_BINARY, std::vector<u8>(100, 1));
        h.reg.putValue(LM, u"A", u"b", TYPE_BINARY, std::vector<u8>(100, 2));
        h.reg.putValue(LM, u"A", u"c", TYPE_BINARY, std::vector<u8>(10, 3));
        h.reg.putValue(LM, u"A\\Sub", u"s", TYPE_SZ, bytes("s"));
        h.reg.changeAfterQuery(LM, u"A", [&h, &c] {
            h.reg.putValue(LM, u"A", u"b", TYPE_BINARY, std::vector<u8>(100 + c.growth, 2));
        });
        ASSERT_EQ(h.record(), 0u);
        EXPECT_EQ(dump(h.tree, h.find({u"HKLM"})), c.recorded);
    }
}

TEST(RegistryScanner, SubkeyNameGrownAfterTheQueryIsCutInTheChildPathOnly) {
    Harness h;
    h.reg.putValue(LM, u"A\\B", u"v", TYPE_SZ, bytes("v"));
    const std::u16string longName = u"B" + std::u16string(500, u'x');
    h.reg.changeAfterQuery(LM, u"A", [&h, &longName] { h.reg.renameKey(LM, u"A\\B", longName); });
    ASSERT_EQ(h.record(16, true), 0u);
    // The child path buffer holds "HKLM\A" + the longest name reported (1) + 10 units.
    const std::string cut = "HKLM\\A\\Bxxxxxxxx";
    ASSERT_EQ(cut.size(), 6u + 1 + 10 - 1);
    EXPECT_EQ(h.sink.lineTexts(3)[1], cut);
    EXPECT_EQ(h.sink.lineTexts(4), std::vector<std::string>{"v " + cut});
    // The record and the opening use the whole name.
    EXPECT_NE(h.tree.findChild(h.find({u"HKLM", u"A"}), longName.c_str(), false), nullptr);
    EXPECT_NE(h.find({u"HKLM", u"A", longName.c_str(), u"v"}, true), nullptr);
}

TEST(RegistryScanner, FailuresStopThePassWithoutTotalsOrRemovals) {
    enum Fault { QUERY_FAILS, CANCELLED };
    struct Case {
        Fault fault;
        bool compare;
        u32 code;
    };
    const Case cases[] = {
        {QUERY_FAILS, false, 5},
        {QUERY_FAILS, true, 5},
        {CANCELLED, false, 270},
        {CANCELLED, true, 270},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fault " << c.fault << ", compare " << c.compare);
        Harness h;
        h.reg.putValue(LM, u"A\\Deep\\Deeper", u"v", TYPE_SZ, bytes("v"));
        h.reg.putValue(USERS, u"S", u"w", TYPE_SZ, bytes("w"));
        if (c.compare) {
            ASSERT_EQ(h.record(), 0u);
            h.reg.deleteValue(USERS, u"S", u"w");  // would be reported as removed
        }
        const std::size_t statusesBefore = h.sink.statuses().size();
        if (c.fault == QUERY_FAILS) {
            h.reg.failQuerying(LM, u"A\\Deep\\Deeper", 5);
        } else {
            h.sink.cancelAfterPolls(4);  // HKLM, A, Deep, Deeper: cancelled on entering Deeper
        }
        const u32 code = c.compare ? h.compare() : h.record();
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(h.sink.statuses().size(), statusesBefore);  // no totals
        EXPECT_TRUE(h.reports().empty());
        EXPECT_EQ(h.changeCount, 0u);
        EXPECT_EQ(h.reg.openKeyCount(), 0u);  // every level closed its key on the way out
        if (!c.compare) {
            // The pass stopped in HKLM: HKU was never started.
            EXPECT_EQ(h.tree.findTopLevel(u"HKU"), nullptr);
            EXPECT_NE(h.find({u"HKLM", u"A", u"Deep", u"Deeper"}), nullptr);
        }
    }
}

TEST(RegistryScanner, CancelIsAskedOnEnteringEveryKey) {
    Harness h;
    h.reg.putValue(LM, u"A\\B", u"v", TYPE_SZ, bytes("v"));
    h.reg.createKey(LM, u"A\\C");
    h.reg.createKey(USERS, u"S");
    ASSERT_EQ(h.record(), 0u);
    EXPECT_EQ(h.sink.pollCount(), 6u);  // HKLM, A, B, C, HKU, S
}

TEST(RegistryScanner, KeyWithoutRecordIsWalkedButRecordsNothing) {
    // What recording does below a key whose record could not be created: its values and
    // subkeys must not end up at the top level of the tree.
    Harness h;
    h.reg.putValue(LM, u"A", u"v", TYPE_SZ, bytes("vv"));
    h.reg.putValue(LM, u"A\\B", u"w", TYPE_SZ, bytes("w"));
    RegistryScanner scanner(&h.sink, 16, &scannerTexts);
    platform::RegistryKey key;
    ASSERT_EQ(h.reg.openPath(LM, u"A", key), 0u);
    char16_t path[8192];
    EXPECT_EQ(scanner.walkKey(false, false, &h.tree, nullptr, u"HKLM\\A", key, path, sizeof path, nullptr), 0u);
    EXPECT_EQ(h.tree.nodeCount(), 0u);
    EXPECT_EQ(scanner.valueCount(), 2u);
    EXPECT_EQ(scanner.totalDataBytes(), 3u);
}

// The registry every comparison case starts from.
void buildBase(MemoryRegistry& reg) {
    reg.putValue(LM, u"A", u"v", TYPE_SZ, bytes("abc"));
    reg.putValue(LM, u"A", u"big", TYPE_BINARY, std::vector<u8>(40, 9));
    reg.putValue(LM, u"A", u"e", TYPE_SZ, {});
    reg.putValue(LM, u"A", u"", TYPE_SZ, bytes("d"));
    reg.putValue(LM, u"A\\Sub", u"x", TYPE_DWORD, {1, 2, 3, 4});
    reg.putValue(LM, u"A\\Sub\\Deep", u"y", TYPE_SZ, bytes("y"));
    reg.putValue(USERS, u"S", u"w", TYPE_SZ, bytes("1"));
}

TEST(RegistryScanner, ComparisonReportsEachDifferenceOnce) {
    using Edit = std::function<void(MemoryRegistry&)>;
    struct Case {
        const char* name;
        Edit before;  // on top of the base, before pass 1
        Edit change;  // between the passes
        u32 threshold1;
        u32 threshold2;
        std::vector<std::string> expected;
    };
    const Edit none = [](MemoryRegistry&) {};
    const std::vector<u8> big(40, 9);
    const Case cases[] = {
        {"unchanged", none, none, 16, 16, {}},
        {"unchanged, thresholds 0 then 1000", none, none, 0, 1000, {}},
        {"unchanged, thresholds 1000 then 0", none, none, 1000, 0, {}},
        {"same length, other bytes", none, [](MemoryRegistry& r) { r.putValue(LM, u"A", u"v", TYPE_SZ, bytes("abd")); },
         16, 16, {"3 v | HKLM\\A [616263]"}},
        {"length only", none, [](MemoryRegistry& r) { r.putValue(LM, u"A", u"v", TYPE_SZ, bytes("abcd")); }, 16, 16,
         {"3 v | HKLM\\A [616263]"}},
        {"whole record compared whole under a lower threshold", none,
         [](MemoryRegistry& r) { r.putValue(LM, u"A", u"v", TYPE_SZ, bytes("abx")); }, 16, 0, {"3 v | HKLM\\A [616263]"}},
        {"type and data changed: type only", none,
         [](MemoryRegistry& r) { r.putValue(LM, u"A", u"v", 2, bytes("xyz")); }, 16, 16, {"5 v | HKLM\\A"}},
        {"type differs above its low byte only", none,
         [](MemoryRegistry& r) { r.putValue(LM, u"A", u"v", 0xFFFF0001u, bytes("abc")); }, 16, 16, {}},
        {"digest record under a higher threshold, unchanged", none,
         [&big](MemoryRegistry& r) { r.putValue(LM, u"A", u"big", TYPE_BINARY, big); }, 16, 100, {}},
        {"digest record under a higher threshold, changed", none,
         [](MemoryRegistry& r) {
             std::vector<u8> other(40, 9);
             other[39] = 8;
             r.putValue(LM, u"A", u"big", TYPE_BINARY, other);
         },
         16, 100, {"3 big | HKLM\\A"}},
        {"recorded empty, now has data", none, [](MemoryRegistry& r) { r.putValue(LM, u"A", u"e", TYPE_SZ, bytes("x")); },
         16, 16, {"3 e | HKLM\\A"}},
        {"recorded as the digest of nothing, now has data", none,
         [](MemoryRegistry& r) { r.putValue(LM, u"A", u"e", TYPE_SZ, bytes("x")); }, 0, 16, {"3 e | HKLM\\A"}},
        {"values added, the default one too",
         [](MemoryRegistry& r) { r.deleteValue(LM, u"A", u""); },
         [](MemoryRegistry& r) {
             r.putValue(LM, u"A", u"new", TYPE_SZ, bytes("n"));
             r.putValue(LM, u"A", u"", TYPE_SZ, bytes("d"));
         },
         16, 16, {"2 new | HKLM\\A", "2  | HKLM\\A"}},
        {"values removed, the default one too", none,
         [](MemoryRegistry& r) {
             r.deleteValue(LM, u"A", u"v");
             r.deleteValue(LM, u"A", u"");
         },
         16, 16, {"4  | HKLM\\A\\", "4 v | HKLM\\A\\v"}},
        {"key removed with its values",
         [](MemoryRegistry& r) {
             for (const char16_t* n : {u"k1", u"k2", u"k3"}) r.putValue(LM, u"A\\K", n, TYPE_SZ, bytes("k"));
         },
         [](MemoryRegistry& r) { r.deleteKey(LM, u"A\\K"); }, 16, 16,
         {"4 K | HKLM\\A\\K", "4 k3 | HKLM\\A\\K\\k3", "4 k2 | HKLM\\A\\K\\k2", "4 k1 | HKLM\\A\\K\\k1"}},
        {"new key with 50 values and a subkey", none,
         [](MemoryRegistry& r) {
             for (int i = 0; i < 50; ++i) r.putValue(LM, u"A\\New", widen("n" + std::to_string(i)), TYPE_SZ, bytes("n"));
             r.createKey(LM, u"A\\New\\Below");
         },
         16, 16, {"1 HKLM\\A\\New"}},
        {"key renamed by letter case", none, [](MemoryRegistry& r) { r.renameKey(LM, u"A\\Sub", u"SUB"); }, 16, 16,
         {"1 HKLM\\A\\SUB", "4 Sub | HKLM\\A\\Sub", "4 Deep | HKLM\\A\\Sub\\Deep", "4 y | HKLM\\A\\Sub\\Deep\\y",
          "4 x | HKLM\\A\\Sub\\x"}},
        {"key that no longer opens", none, [](MemoryRegistry& r) { r.failOpening(LM, u"A\\Sub", 5); }, 16, 16,
         {"4 Deep | HKLM\\A\\Sub\\Deep", "4 y | HKLM\\A\\Sub\\Deep\\y", "4 x | HKLM\\A\\Sub\\x"}},
        {"order: HKLM, then HKU, then the removals in list order", none,
         [](MemoryRegistry& r) {
             r.putValue(USERS, u"S", u"u", TYPE_SZ, bytes("u"));
             r.deleteValue(USERS, u"S", u"w");
             r.deleteValue(LM, u"A", u"big");
             r.putValue(LM, u"A", u"v", TYPE_SZ, bytes("xyz"));
         },
         16, 16, {"3 v | HKLM\\A [616263]", "2 u | HKU\\S", "4 w | HKU\\S\\w", "4 big | HKLM\\A\\big"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        buildBase(h.reg);
        c.before(h.reg);
        ASSERT_EQ(h.record(c.threshold1), 0u);
        c.change(h.reg);
        ASSERT_EQ(h.compare(c.threshold2), 0u);
        EXPECT_EQ(h.reports(), c.expected);
        EXPECT_EQ(h.changeCount, c.expected.size());
    }
}

TEST(RegistryScanner, DifferencesGoToTheirStatusLines) {
    Harness h;
    buildBase(h.reg);
    ASSERT_EQ(h.record(), 0u);
    h.reg.putValue(LM, u"A", u"v", TYPE_DWORD, {0, 0, 0, 0});
    h.reg.putValue(LM, u"A", u"e", TYPE_SZ, bytes("now"));
    h.reg.createKey(LM, u"A\\New");
    h.reg.deleteValue(USERS, u"S", u"w");
    const std::size_t before = h.sink.statuses().size();
    ASSERT_EQ(h.compare(), 0u);
    std::vector<std::string> running;
    const auto statuses = h.sink.statuses();
    for (std::size_t i = before; i < statuses.size(); ++i)
        running.push_back(std::to_string(statuses[i].mode) + ":" + std::to_string(statuses[i].line) + " " +
                          statuses[i].text);
    EXPECT_EQ(running, (std::vector<std::string>{
                           "2:3 v HKLM\\A",
                           "2:4 e HKLM\\A",
                           "2:4 HKLM\\A\\New",
                           "2:4 Registry value w HKU\\S\\w",
                           "1:3 Total registry count:  6",
                           "1:3 Total registry size:   53",
                       }));
}

TEST(RegistryScanner, ExcludedDifferencesAreSilentButSeen) {
    Harness h;
    buildBase(h.reg);
    // A removal is matched with the record's full path, its own name included.
    for (const char* pattern : {"HKLM\\A|v", "HKLM\\A|big", "HKLM\\A|n*", "HKLM\\A\\New*", "HKU\\S\\w"})
        ASSERT_TRUE(h.tree.exclusions().addPattern(pattern));
    ASSERT_EQ(h.record(), 0u);
    h.reg.putValue(LM, u"A", u"v", TYPE_SZ, bytes("changed"));  // changed
    h.reg.putValue(LM, u"A", u"big", TYPE_DWORD, {1, 0, 0, 0});  // type changed
    h.reg.putValue(LM, u"A", u"new", TYPE_SZ, bytes("n"));  // added
    h.reg.putValue(LM, u"A\\New", u"z", TYPE_SZ, bytes("z"));  // key added
    h.reg.deleteValue(USERS, u"S", u"w");  // removed
    h.reg.putValue(LM, u"A", u"other", TYPE_SZ, bytes("o"));  // the one not excluded
    ASSERT_EQ(h.compare(), 0u);
    // v and big were found again: they must not come back as removed.
    EXPECT_EQ(h.reports(), std::vector<std::string>{"2 other | HKLM\\A"});
    EXPECT_EQ(h.changeCount, 1u);
    EXPECT_TRUE(h.find({u"HKLM", u"A", u"v"}, true)->isSeen());
    EXPECT_TRUE(h.find({u"HKLM", u"A", u"big"}, true)->isSeen());
}

TEST(RegistryScanner, HiveMissingFromTheTreeIsNotCompared) {
    Harness h;
    buildBase(h.reg);
    const RegistryScanRoot onlyMachine[] = {{u"HKLM", LM, nullptr}};
    h.roots = onlyMachine;
    h.rootCount = 1;
    ASSERT_EQ(h.record(), 0u);
    ASSERT_EQ(h.tree.findTopLevel(u"HKU"), nullptr);
    h.reg.putValue(USERS, u"S", u"u", TYPE_SZ, bytes("u"));
    h.reg.putValue(LM, u"A", u"u", TYPE_SZ, bytes("u"));
    ASSERT_EQ(h.compare(), 0u);
    EXPECT_EQ(h.reports(), std::vector<std::string>{"2 u | HKLM\\A"});

    Harness empty;
    buildBase(empty.reg);
    EXPECT_EQ(empty.compare(), 0u);
    EXPECT_TRUE(empty.reports().empty());
}

}  // namespace
}  // namespace pelorin
