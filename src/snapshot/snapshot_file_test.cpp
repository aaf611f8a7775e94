#include "snapshot/snapshot_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/registry_strings.h"
#include "app/run_options.h"
#include "platform/memory/memory_platform.h"
#include "runtime/allocation_hook.h"
#include "runtime/file_stream.h"
#include "snapshot/end_session_save.h"
#include "snapshot/sample_trees.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

using Bytes = std::vector<u8>;

void putLE(Bytes& b, u32 v, int n = 4) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<u8>(v >> (8 * i)));
}
u32 getLE(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | u32(b[at + 3]) << 24; }
void setLE(Bytes& b, size_t at, u32 v, int n = 4) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<u8>(v >> (8 * i));
}

// A record as the file holds it, with its check bits set from its contents.
Bytes sealed(Bytes record) {
    const u16 bits = static_cast<u16>((recordChecksum(record.data() + 2, u32(record.size() - 2)) & 3) << 14);
    setLE(record, 0, (record[0] | record[1] << 8 | bits) & 0xFFFF, 2);
    return record;
}

// The file split into its parts, to edit one and put it together again.
struct Parsed {
    Bytes header[2];
    std::vector<Bytes> records[2];
    Bytes options;

    static Parsed of(const Bytes& f) {
        Parsed p;
        size_t at = 0;
        for (int s = 0; s < 2; ++s) {
            p.header[s].assign(f.begin() + at, f.begin() + at + 20);
            const u32 count = getLE(f, at + 4);
            at += 20;
            for (u32 i = 0; i < count; ++i) {
                const u32 length = getLE(f, at);
                p.records[s].emplace_back(f.begin() + at + 4, f.begin() + at + 4 + length);
                at += 4 + length;
            }
        }
        p.options.assign(f.begin() + at, f.end());
        return p;
    }
    Bytes join(bool seal = true) const {
        Bytes f;
        for (int s = 0; s < 2; ++s) {
            f.insert(f.end(), header[s].begin(), header[s].end());
            for (const Bytes& r : records[s]) {
                putLE(f, u32(r.size()));
                const Bytes out = seal ? sealed(r) : r;
                f.insert(f.end(), out.begin(), out.end());
            }
        }
        f.insert(f.end(), options.begin(), options.end());
        return f;
    }
    size_t treesEnd() const { return join().size() - options.size(); }
};

// Everything a tree holds, node by node in pre-order: serials of the node and its links, the
// flags that mean something in memory, the value type, the name and the blocks.
std::vector<std::string> describe(const SnapshotTree& t) {
    std::vector<std::string> out;
    std::vector<const SnapshotNode*> pending;
    auto serial = [&](const SnapshotNode* n) { return n ? std::to_string(n->serial()) : std::string("-"); };
    for (const SnapshotNode* n = t.firstTopLevel(); n || !pending.empty();) {
        if (!n) {
            n = pending.back();
            pending.pop_back();
            continue;
        }
        if (out.size() > t.nodeCount()) break;
        const u16 flags = n->flags() & ~(NODE_NARROW_NAME | NODE_CHECK_BITS | NODE_INDEXED);
        std::string d = serial(n) + " " + serial(t.parent(n)) + " " + serial(t.firstChild(n)) + " " +
                        serial(t.nextSibling(n)) + " " + std::to_string(flags) + " " + std::to_string(n->valueType()) + " ";
        for (u32 i = 0; i < n->nameLength(); ++i) d += std::to_string(n->name()[i]) + ",";
        const u32 nameEnd = 20 + 2 * (n->nameLength() + 1);
        d.append(reinterpret_cast<const char*>(n->bytes()) + nameEnd, recordSize(n) - nameEnd);
        out.push_back(d);
        if (t.firstChild(n)) {
            pending.push_back(t.nextSibling(n));
            n = t.firstChild(n);
        } else {
            n = t.nextSibling(n);
        }
    }
    out.push_back("counters " + std::to_string(t.nodeCount()) + " " + std::to_string(t.nextSerial()) + " " +
                  std::to_string(t.largestNodeSize()));
    return out;
}

class SnapshotFileTest : public ::testing::Test {
protected:
    struct Trees {
        SnapshotTree registry{nullptr, TREE_REGISTRY, &noStrings};
        SnapshotTree files{nullptr, TREE_FILE_SYSTEM, &noStrings};
    };

    Bytes save(Trees& t, const RunOptions& o) {
        EXPECT_TRUE(saveSnapshotFile(&sink, "C:\\s.sna", t.registry, t.files, o));
        auto* f = p.fileSystem.findFile(u"C:\\s.sna");
        return f ? f->bytes : Bytes();
    }
    u32 load(const Bytes& bytes, Trees& t, RunOptions& o) {
        p.fileSystem.putFile(u"C:\\in.sna", bytes);
        return loadSnapshotFile("C:\\in.sna", t.registry, t.files, o);
    }
    std::string remembered() {
        char buffer[TEXT_FIELD_SIZE];
        return readRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0,
                                  buffer, sizeof buffer)
                   ? buffer
                   : "(none)";
    }
    static void fillSamples(Trees& t, u32 nodes) {
        samples::fillRegistryTree(t.registry, nodes, 1);
        samples::fillFileSystemTree(t.files, nodes, 2);
    }

    platform::MemoryPlatform p;
    RecordingSink sink;
};

// The exact bytes of a small snapshot: an empty registry tree; a file-system tree whose records
// come in pre-order with serials for links, Latin-1 names (the empty one included) narrowed and
// a Cyrillic one kept wide; then the options.
TEST_F(SnapshotFileTest, FileFormByteForByte) {
    Trees t;
    SnapshotNode* top = t.files.addNode(0, false, nullptr, u"Ab", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    const u64 size = 0x1122334455667788ull;
    const u16 attributes = 0x20;
    t.files.addNode(0, true, top, u"\u00e9", nullptr, &size, &attributes, nullptr, nullptr, 0);
    const u8 data[] = {9, 8, 7};
    t.files.addNode(3, true, top, u"\u042f", nullptr, nullptr, nullptr, nullptr, data, 3);
    t.files.addNode(1, true, top, u"", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    RunOptions o;
    o.showDetails = false;
    o.disableParallel = true;
    o.checkFileSystem = false;
    o.skipWindowsUpdateFiles = true;
    o.regDataSizeThreshold = 0x01020304;
    appendDirectory(o, u"C:\\A", MODE_QUICK);
    appendDirectory(o, u"D:\\\u042f", MODE_COMPLETE);

    Bytes expected = {0x01, 0x00, 0xC2, 0xA5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes fsHeader = {0x02, 0x00, 0xC2, 0xA5, 4, 0, 0, 0, 5, 0, 0, 0, 34, 0, 0, 0, 1, 0, 0, 0};
    expected.insert(expected.end(), fsHeader.begin(), fsHeader.end());
    const Bytes records[] = {
        {0x40, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 'A', 'b', 0},
        {0x41, 0, 1, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0},
        {0x21, 0, 3, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0x2F, 0x04, 0, 0, 3, 9, 8, 7},
        {0x4D, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE9, 0, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33,
         0x22, 0x11, 0x20, 0x00},
    };
    for (const Bytes& r : records) {
        putLE(expected, u32(r.size()));
        const Bytes s = sealed(r);
        expected.insert(expected.end(), s.begin(), s.end());
    }
    const Bytes options = {0x00, 0x00, 0xC3, 0xA5, 1, 0, 2, 1, 3, 0, 4, 1, 5, 4, 3, 2, 1,
                           6, 1, 0, 0, 0, 10, 0, 0, 0, 'C', 0, ':', 0, '\\', 0, 'A', 0, 0, 0,
                           6, 2, 0, 0, 0, 10, 0, 0, 0, 'D', 0, ':', 0, '\\', 0, 0x2F, 0x04, 0, 0,
                           7, 1, 0};
    expected.insert(expected.end(), options.begin(), options.end());

    EXPECT_EQ(save(t, o), expected);
    EXPECT_EQ(t.files.recordsWritten, 4u);
    EXPECT_EQ(remembered(), "C:\\s.sna");
    EXPECT_EQ(sink.lineTexts(0).size(), 1u);  // message 131 only
    // Writing changed nothing in memory: the names are still UTF-16, the links still handles.
    EXPECT_EQ(std::u16string(t.files.nextSibling(t.files.firstChild(top))->name()), u"\u042f");
}

// Writing and reading back keeps names, blocks, serials, links, list orders and counters, and
// the file of a loaded tree is the file it was loaded from.
TEST_F(SnapshotFileTest, RoundTrip) {
    struct Case {
        const char* what;
        std::function<void(Trees&)> build;
    };
    const Case cases[] = {
        {"empty", [](Trees&) {}},
        {"names", [](Trees& t) {
             SnapshotNode* key = t.registry.addNode(0, false, nullptr, u"HKEY_USERS", nullptr, nullptr, nullptr,
                                                    nullptr, nullptr, 0);
             key->markSeen();
             const u8 data[200] = {1};
             for (const char16_t* name : {u"", u"caf\u00e9", u"\u00ff", u"\u0100", u"\u0416\u0443\u043a"})
                 t.registry.addNode(1, true, key, name, nullptr, nullptr, nullptr, nullptr, data, 200);
         }},
        {"samples", [](Trees& t) {
             fillSamples(t, 3000);
             // Large parents get a child index; its flag must not reach the file.
             for (SnapshotTree* tree : {&t.registry, &t.files}) {
                 SnapshotNode* top = tree->firstTopLevel();
                 for (char16_t c = u'a'; c < u'a' + 40; ++c) {
                     const char16_t name[] = {c, 0};
                     tree->addNode(0, true, top, name, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
                 }
                 tree->findChild(top, u"not there", true);
                 EXPECT_TRUE(top->flags() & NODE_INDEXED);
             }
         }},
    };
    for (const Case& c : cases) {
        Trees original;
        c.build(original);
        RunOptions o;
        const Bytes file = save(original, o);
        const Parsed parsed = Parsed::of(file);
        for (const auto& section : parsed.records)
            for (const Bytes& r : section) EXPECT_FALSE(r[1] & (NODE_INDEXED >> 8)) << c.what;

        Trees loaded;
        RunOptions back;
        ASSERT_EQ(load(file, loaded, back), 0u) << c.what;
        EXPECT_EQ(describe(loaded.registry), describe(original.registry)) << c.what;
        EXPECT_EQ(describe(loaded.files), describe(original.files)) << c.what;
        EXPECT_EQ(save(loaded, back), file) << c.what;
    }
}

// The options section against the run options, which start with one path and the defaults.
TEST_F(SnapshotFileTest, OptionsSection) {
    const Bytes magic = {0x00, 0x00, 0xC3, 0xA5};
    auto path = [](u32 mode, Bytes text) {
        Bytes b = {6};
        putLE(b, mode);
        putLE(b, u32(text.size()));
        b.insert(b.end(), text.begin(), text.end());
        return b;
    };
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes b;
        for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
        return b;
    };
    struct Case {
        const char* what;
        Bytes section;
        u32 code;
        std::vector<std::u16string> paths;
        bool showDetails;
        u32 threshold;
    };
    const Case cases[] = {
        {"no section", {}, 0, {u"C:\\KEEP"}, true, 16},
        {"no directories", cat({magic, {1, 0, 0}}), 0, {}, false, 16},
        {"repeated tags", cat({magic, {5, 7, 0, 0, 0, 5, 9, 0, 0, 0}, path(1, {'a', 0, 0, 0}), path(2, {'b', 0, 0, 0}), {0}}), 0,
         {u"a", u"b"}, true, 9},
        {"text after the zero unit", cat({magic, path(1, {'a', 0, 0, 0, 'b', 0}), {0}}), 0, {u"a"}, true, 16},
        {"tag above 7", cat({magic, {1, 0, 8}}), ERR_BAD_VALUE, {}, false, 16},
        {"odd text length", cat({magic, path(1, {'a', 0, 0}), {0}}), ERR_BAD_FORMAT, {}, true, 16},
        {"text without zero", cat({magic, path(1, {'a', 0, 'b', 0}), {0}}), ERR_BAD_FORMAT, {}, true, 16},
        {"empty text", cat({magic, path(1, {}), {0}}), ERR_BAD_FORMAT, {}, true, 16},
        {"text beyond the file", cat({magic, {6, 1, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 0}}), ERR_READ, {}, true, 16},
        {"no end tag", cat({magic, {1, 0}}), ERR_READ, {}, false, 16},
        {"wrong magic", {0x01, 0x00, 0xC3, 0xA5, 0}, ERR_BAD_FORMAT, {u"C:\\KEEP"}, true, 16},
    };
    Trees empty;
    RunOptions none;
    Bytes trees = save(empty, none);
    trees.resize(Parsed::of(trees).treesEnd());
    for (const Case& c : cases) {
        RunOptions o;
        appendDirectory(o, u"C:\\KEEP", MODE_COMPLETE);
        Trees t;
        EXPECT_EQ(load(cat({trees, c.section}), t, o), c.code) << c.what;
        std::vector<std::u16string> paths;
        for (u32 i = 0; i < o.directoryCount(); ++i) paths.emplace_back(o.directoryAt(i)->path.get());
        EXPECT_EQ(paths, c.paths) << c.what;
        EXPECT_EQ(o.showDetails, c.showDetails) << c.what;
        EXPECT_EQ(o.regDataSizeThreshold, c.threshold) << c.what;
    }
}

// Changes to single records and headers that the reader must refuse; the edited records get
// fresh check bits, so only the rule under test can catch them. The tree: R with the children
// b (a leaf with a size and 3 bytes of data) and a, which holds x (named in Cyrillic). File
// order: R, b, a, x; serials 1, 3, 2, 4.
TEST_F(SnapshotFileTest, RefusesDamagedTrees) {
    Trees t;
    SnapshotNode* r = t.files.addNode(0, false, nullptr, u"R", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    SnapshotNode* a = t.files.addNode(0, false, r, u"a", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    const u64 size = 3;
    const u8 data[] = {1, 2, 3};
    t.files.addNode(0, true, r, u"b", nullptr, &size, nullptr, nullptr, data, 3);
    t.files.addNode(0, true, a, u"\u042f", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    RunOptions o;
    const Parsed good = Parsed::of(save(t, o));
    ASSERT_EQ(good.records[1].size(), 4u);
    enum { R, B, A, X };

    struct Case {
        const char* what;
        std::function<void(Parsed&)> edit;
        u32 code = ERR_BAD_FORMAT;
        bool seal = true;
    };
    auto field = [](int record, size_t at, u32 v) {
        return [=](Parsed& f) { setLE(f.records[1][record], at, v); };
    };
    auto header = [](size_t at, u32 v) { return [=](Parsed& f) { setLE(f.header[1], at, v); }; };
    const Case cases[] = {
        {"unchanged", [](Parsed&) {}, 0},
        {"child link to itself", field(R, 12, 1)},
        {"child link to an ancestor", field(X, 12, 1)},
        {"sibling link back to the parent", field(B, 16, 1)},
        {"wrong parent", field(X, 8, 1)},
        {"unreachable record", field(A, 12, 0)},
        {"serial above nodeCount", field(X, 4, 5)},
        {"serial 0", field(B, 4, 0)},
        {"link above nodeCount", field(X, 16, 9)},
        {"duplicate serial", [](Parsed& f) { setLE(f.records[1][A], 12, 2), setLE(f.records[1][X], 4, 2); }},
        {"records out of order", [](Parsed& f) { std::swap(f.records[1][B], f.records[1][A]); }},
        {"first top-level serial of a child", header(16, 2)},
        {"first top-level serial 0", header(16, 0)},
        {"nodeCount short of the records", header(4, 3)},
        {"narrow name without its zero", [](Parsed& f) { f.records[1][R][21] = 'Q'; }},
        {"wide name without its zero", [](Parsed& f) { f.records[1][X][22] = 1; }},
        {"block past the end", [](Parsed& f) { f.records[1][B][0] |= NODE_HAS_TIME; }},
        {"bytes left over", [](Parsed& f) { f.records[1][B][0] &= ~NODE_HAS_DATA; }},
        {"long prefix of short data",
         [](Parsed& f) {
             Bytes& b = f.records[1][B];
             b.erase(b.begin() + 30);
             b.insert(b.begin() + 30, {0x80, 0, 0, 3});
             setLE(f.header[1], 12, 100);
         }},
        {"larger in memory than largestNodeSize", header(12, 34)},
        {"check bit 14", [](Parsed& f) { f.records[1][A][1] ^= 0x40; }, ERR_BAD_FORMAT, false},
        {"check bit 15", [](Parsed& f) { f.records[1][X][1] ^= 0x80; }, ERR_BAD_FORMAT, false},
        {"both check bits", [](Parsed& f) { f.records[1][R][1] ^= 0xC0; }, ERR_BAD_FORMAT, false},
        {"length below 20",
         [](Parsed& f) {
             f.records[1][R].resize(19);
             setLE(f.header[1], 4, 1);
         }},
        {"length above largestNodeSize", header(12, 33)},
        {"nodeCount beyond the file", header(4, 0xFFFFFFFF), ERR_READ},
        {"huge largestNodeSize is only a bound", header(12, 0xFFFFFFFF), 0},
        {"wrong magic", header(0, SNAPSHOT_REGISTRY_MAGIC)},
    };
    for (const Case& c : cases) {
        Parsed f = good;
        c.edit(f);
        Trees back;
        EXPECT_EQ(load(f.join(c.seal), back, o), c.code) << c.what;
    }
}

// One byte changed at every offset, and the file cut at every length: the reader answers one of
// its codes, never crashes (the sanitizer builds watch), and what it accepts is a sound tree.
TEST_F(SnapshotFileTest, CorruptionAndTruncationSweep) {
    Trees t;
    fillSamples(t, 16);
    RunOptions o;
    appendDirectory(o, u"C:\\WINDOWS", MODE_COMPLETE);
    const Bytes file = save(t, o);
    const Parsed parsed = Parsed::of(file);
    const size_t treesEnd = parsed.treesEnd();
    size_t fsStart = 20;
    for (const Bytes& r : parsed.records[0]) fsStart += 4 + r.size();
    auto inMagic = [&](size_t at) {
        return at < 4 || (at >= fsStart && at < fsStart + 4) || (at >= treesEnd && at < treesEnd + 4);
    };
    Trees back;
    RunOptions options;
    for (size_t at = 0; at < file.size(); ++at) {
        for (u8 change : {0x01, 0xFF}) {
            Bytes damaged = file;
            damaged[at] ^= change;
            const u32 code = load(damaged, back, options);
            ASSERT_TRUE(code == 0 || code == ERR_BAD_FORMAT || code == ERR_READ || code == ERR_BAD_VALUE)
                << at << " " << code;
            if (inMagic(at)) {
                EXPECT_EQ(code, u32(ERR_BAD_FORMAT)) << at;
            }
            if (code == 0) {
                // Walks over what was accepted end: the trees save again.
                EXPECT_TRUE(saveSnapshotFile(nullptr, "C:\\again.sna", back.registry, back.files, options)) << at;
                u32 removed = 0;
                back.files.reportUnseen(nullptr, "File", &removed);
                EXPECT_LE(removed, back.files.nodeCount());
            }
        }
    }
    for (size_t length = 0; length < file.size(); ++length) {
        const u32 code = load(Bytes(file.begin(), file.begin() + length), back, options);
        EXPECT_EQ(code, length == treesEnd ? 0u : u32(ERR_READ)) << length;
    }
}

// A save whose every write, in turn, fails (with an error or short) or whose ending or closing
// fails: message 182 follows 131, the file is gone, the remembered name stays.
TEST_F(SnapshotFileTest, FailedSavesLeaveNothingBehind) {
    Trees t;
    fillSamples(t, 200);
    RunOptions o;
    p.system.allocationGranularityValue = 256;
    p.fileSystem.failWriteAt = 0;
    save(t, o);
    const u32 writes = p.fileSystem.writeCalls;
    ASSERT_GT(writes, 20u);

    auto expectFailedSave = [&](const std::string& what) {
        writeRegistryString(REMEMBERED_SNAPSHOT_ROOT, REMEMBERED_SNAPSHOT_KEY, REMEMBERED_SNAPSHOT_VALUE, 0, "C:\\old.sna");
        p.fileSystem.deleteFileAnsi("C:\\s.sna");
        RecordingSink s;
        EXPECT_FALSE(saveSnapshotFile(&s, "C:\\s.sna", t.registry, t.files, o)) << what;
        EXPECT_EQ(p.fileSystem.findFile(u"C:\\s.sna"), nullptr) << what;
        EXPECT_EQ(remembered(), "C:\\old.sna") << what;
        EXPECT_EQ(s.lineTexts(0).size(), 2u) << what;
    };
    for (u32 error : {112u, 0u}) {
        p.fileSystem.failWriteError = error;
        for (u32 n = 1; n <= writes; ++n) {
            p.fileSystem.writeCalls = 0;
            p.fileSystem.failWriteAt = n;
            expectFailedSave("write " + std::to_string(n) + " error " + std::to_string(error));
        }
    }
    p.fileSystem.failWriteAt = 0;
    p.fileSystem.failSetEndOfFileError = 5;
    expectFailedSave("end of file");
    p.fileSystem.failSetEndOfFileError = 0;
    p.fileSystem.failCloseError = 6;
    expectFailedSave("close");
    p.fileSystem.failCloseError = 0;

    u64 allocations = 0;
    {
        AllocationFailureScope count(0);
        save(t, o);
        allocations = count.count();
    }
    for (u64 n = 1; n <= allocations; ++n) {
        AllocationFailureScope scope(n);
        expectFailedSave("allocation " + std::to_string(n));
    }
}

// A file whose creation is refused is not deleted: it is not ours.
TEST_F(SnapshotFileTest, RefusedCreationKeepsTheExistingFile) {
    Trees t;
    RunOptions o;
    p.fileSystem.putFile(u"C:\\s.sna", {1, 2, 3}).attributes = 0x21;
    EXPECT_FALSE(saveSnapshotFile(&sink, "C:\\s.sna", t.registry, t.files, o));
    ASSERT_NE(p.fileSystem.findFile(u"C:\\s.sna"), nullptr);
    EXPECT_EQ(p.fileSystem.findFile(u"C:\\s.sna")->bytes, (Bytes{1, 2, 3}));
    EXPECT_FALSE(saveSnapshotFile(&sink, "", t.registry, t.files, o));
    EXPECT_EQ(remembered(), "(none)");
}

// Every allocation of a load, in turn, fails: 260 each time, and nothing leaks (the sanitizer
// build checks).
TEST_F(SnapshotFileTest, EveryFailedAllocationOfALoadGives260) {
    Trees t;
    fillSamples(t, 6000);
    RunOptions o;
    appendDirectory(o, u"C:\\A", MODE_QUICK);
    appendDirectory(o, u"C:\\B", MODE_QUICK);
    const Bytes file = save(t, o);
    Trees back;
    RunOptions options;
    u64 allocations = 0;
    {
        AllocationFailureScope count(0);
        ASSERT_EQ(load(file, back, options), 0u);
        allocations = count.count();
    }
    ASSERT_GT(allocations, 10u);  // several pool blocks per tree, a growing scratch buffer, the paths
    for (u64 n = 1; n <= allocations; ++n) {
        AllocationFailureScope scope(n);
        EXPECT_EQ(load(file, back, options), ERR_NO_MEMORY) << n;
    }
    EXPECT_EQ(load(file, back, options), 0u);
    EXPECT_EQ(describe(back.files), describe(t.files));
}

TEST_F(SnapshotFileTest, LoadErrorsBeforeReading) {
    Trees t;
    RunOptions o;
    EXPECT_EQ(loadSnapshotFile("", t.registry, t.files, o), ERR_ACCESS_DENIED);
    EXPECT_EQ(loadSnapshotFile("C:\\missing.sna", t.registry, t.files, o), 2u);
    EXPECT_EQ(readTree(t.files, nullptr, SNAPSHOT_FILE_SYSTEM_MAGIC), ERR_BAD_VALUE);
    EXPECT_EQ(writeTree(t.files, nullptr, SNAPSHOT_FILE_SYSTEM_MAGIC), ERR_BAD_VALUE);
}

// The end-session target and alert, for the ways the temporary directory, the computer name and
// the settings can come.
TEST_F(SnapshotFileTest, EndSessionSave) {
    p.fileSystem.putDirectory(u"D:\\Keep");
    struct Case {
        std::string tempPath;
        std::string computerName;
        bool nameAvailable;
        EndSessionSettings settings;
        bool soundPlays;
        std::string expected;
        bool beeps;
    };
    const Case cases[] = {
        {"C:\\TEMP\\", "PC1", true, {}, true, "C:\\TEMP\\PC1-20240308070605", true},
        {"", "PC1", true, {}, true, "c:\\PC1-20240308070605", true},
        {"C:\\", "PC1", true, {}, true, "C:\\PC1-20240308070605", true},
        {"C:\\TEMP\\", "PC1", false, {}, true, "C:\\TEMP\\-20240308070605", true},
        {"C:\\TEMP\\", std::string(80, 'N'), true, {}, true, "C:\\TEMP\\-20240308070605", true},
        {"C:\\TEMP\\", std::string(79, 'N'), true, {}, true, "C:\\TEMP\\" + std::string(79, 'N') + "-20240308070605", true},
        {"C:\\TEMP\\", "PC1", true, {"D:\\Keep", "ding.wav"}, true, "D:\\Keep\\PC1-20240308070605", false},
        {"C:\\TEMP\\", "PC1", true, {"D:\\Gone", "ding.wav"}, false, "C:\\TEMP\\PC1-20240308070605", true},
    };
    for (const Case& c : cases) {
        p.system.tempPathValue = c.tempPath;
        p.system.computerNameValue = c.computerName;
        p.system.computerNameAvailable = c.nameAvailable;
        p.system.soundAvailable = c.soundPlays;
        p.system.beeps.clear();
        p.system.soundsPlayed.clear();
        p.fileSystem.putDirectory(u"C:\\TEMP");
        Trees t;
        t.files.addNode(0, false, nullptr, u"C:\\WINDOWS", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        RunOptions o;
        EXPECT_TRUE(saveAtEndOfSession(&sink, &t.registry, &t.files, o, c.settings)) << c.expected;
        EXPECT_EQ(remembered(), c.expected);
        EXPECT_NE(p.fileSystem.queryAttributesAnsi(c.expected.c_str()), platform::FILE_ATTRIBUTES_INVALID) << c.expected;
        EXPECT_EQ(p.system.beeps.size(), c.beeps ? 1u : 0u) << c.expected;
        if (c.beeps) {
            EXPECT_EQ(p.system.beeps[0], (std::pair<u32, u32>{440, 500}));
        }
    }
    // Without both trees nothing is saved and nothing sounds.
    p.system.beeps.clear();
    Trees t;
    RunOptions o;
    EXPECT_FALSE(saveAtEndOfSession(&sink, &t.registry, nullptr, o));
    EXPECT_TRUE(p.system.beeps.empty());
}

#ifndef _WIN32
// The fuzz target's seeds (tests/fuzz/seeds/snapshot_file) are small snapshots made here; a
// change of the format shows up as a difference. PELORIN_WRITE_SEEDS=1 writes them anew.
TEST_F(SnapshotFileTest, FuzzSeedsAreCurrent) {
    struct Seed {
        const char* name;
        std::function<void(Trees&, RunOptions&)> build;
        bool withOptions;
    };
    const Seed seeds[] = {
        {"empty.sna", [](Trees&, RunOptions&) {}, true},
        {"names.sna",
         [](Trees& t, RunOptions& o) {
             SnapshotNode* top = t.files.addNode(0, false, nullptr, u"C:\\", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
             const u64 size = 70000;
             const u8 digest[16] = {0xD4, 0x1D, 0x8C, 0xD9};
             t.files.addNode(0, true, top, u"caf\u00e9.txt", digest, &size, nullptr, nullptr, nullptr, 0);
             t.files.addNode(0, true, top, u"\u041e\u0442\u0447\u0451\u0442", nullptr, &size, nullptr, nullptr, nullptr, 0);
             SnapshotNode* key = t.registry.addNode(0, false, nullptr, u"HKEY_USERS", nullptr, nullptr, nullptr, nullptr,
                                                    nullptr, 0);
             const u8 data[130] = {1, 2, 3};
             t.registry.addNode(1, true, key, u"", nullptr, nullptr, nullptr, nullptr, data, 3);
             t.registry.addNode(3, true, key, u"Blob", nullptr, nullptr, nullptr, nullptr, data, 130);
             appendDirectory(o, u"C:\\", MODE_QUICK);
             o.skipWindowsUpdateFiles = true;
         },
         true},
        {"deep.sna",
         [](Trees& t, RunOptions&) {
             SnapshotNode* n = nullptr;
             for (int i = 0; i < 24; ++i) n = t.files.addNode(0, false, n, u"d", nullptr, nullptr, nullptr, nullptr, nullptr, 0);
         },
         true},
        {"samples.sna",
         [](Trees& t, RunOptions& o) {
             fillSamples(t, 40);
             appendDirectory(o, u"C:\\WINDOWS", MODE_COMPLETE);
             appendDirectory(o, u"C:\\Documents and Settings", MODE_QUICK);
         },
         true},
        {"no_options.sna", [](Trees& t, RunOptions&) { fillSamples(t, 12); }, false},
    };
    const bool write = std::getenv("PELORIN_WRITE_SEEDS") != nullptr;
    for (const Seed& seed : seeds) {
        Trees t;
        RunOptions o;
        seed.build(t, o);
        Bytes file = save(t, o);
        if (!seed.withOptions) file.resize(Parsed::of(file).treesEnd());
        const std::string path = std::string(PELORIN_SOURCE_DIR) + "/tests/fuzz/seeds/snapshot_file/" + seed.name;
        if (write) {
            std::FILE* out = std::fopen(path.c_str(), "wb");
            ASSERT_NE(out, nullptr) << path;
            std::fwrite(file.data(), 1, file.size(), out);
            std::fclose(out);
        }
        Bytes committed;
        if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
            int c;
            while ((c = std::fgetc(in)) != EOF) committed.push_back(static_cast<u8>(c));
            std::fclose(in);
        }
        EXPECT_EQ(committed, file) << seed.name;
    }
}
#endif

}  // namespace
}  // namespace pelorin
