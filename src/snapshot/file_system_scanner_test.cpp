#include "snapshot/file_system_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/run_options.h"
#include "platform/memory/memory_platform.h"
#include "runtime/format.h"
#include "runtime/md5.h"
#include "runtime/text.h"
#include "snapshot/snapshot_tree.h"
#include "ui/recording_sink.h"

namespace pelorin {
namespace {

using platform::MemoryFileSystem;

constexpr u64 SECOND = 10000000;
constexpr u64 T1 = 133536879070000000ull;  // 29.02.2024 13:45:07 UTC
constexpr u64 T2 = T1 + 3600 * SECOND;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

std::vector<u8> bytes(std::string_view text) { return std::vector<u8>(text.begin(), text.end()); }

std::string hexText(const u8* digest) {
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (u32 i = 0; i < MD5_DIGEST_SIZE; ++i) (out += HEX[digest[i] >> 4]) += HEX[digest[i] & 15];
    return out;
}

std::string digestText(std::string_view content) {
    u8 digest[MD5_DIGEST_SIZE];
    Md5Engine::computeDigest(content.data(), content.size(), digest);
    return hexText(digest);
}

std::string digestOf(const SnapshotNode* node) { return node && node->digestOf() ? hexText(node->digestOf()) : "none"; }

const char* kindName(u32 kind) {
    switch (kind) {
    case CHANGE_FILE_ADDED: return "FileAdded";
    case CHANGE_DIR_ADDED: return "DirAdded";
    case CHANGE_FILE_CHANGED: return "FileChanged";
    case CHANGE_FILE_REMOVED: return "FileRemoved";
    default: return "?";
    }
}

struct Root {
    std::u16string path;
    u32 mode;
};

// One tracking run's file-system side: the in-memory platform, a sink, the tree and the scanner.
struct ScanRun {
    explicit ScanRun(std::u16string windowsDirectory = u"C:\\WINDOWS") : windowsDirectorySet(configure(windowsDirectory)) {
        fs().volumeFlags[u"C:\\"] = 0;
    }
    ~ScanRun() { skipMD5 = false; }

    bool configure(const std::u16string& windowsDirectory) {
        registerStandardDirectives();
        platform.system.windowsDirectoryValue = windowsDirectory;
        return true;
    }

    MemoryFileSystem& fs() { return platform.fileSystem; }

    u32 scan(bool compare, const std::vector<Root>& roots, bool skipUpdates = false, bool details = true) {
        PtrList paths(true, 1024, 32, true);
        for (const Root& r : roots) paths.append(DirectoryEntry::create(r.path, r.mode));
        return scanFileSystem(details, &sink, scanner, compare, tree, paths, &changeCount, skipUpdates);
    }

    std::vector<std::string> reports() const {
        std::vector<std::string> out;
        for (const auto& c : sink.changes()) {
            std::string line = std::string(kindName(c.kind)) + " " + narrow(c.text1);
            if (c.hasText2) line += " | " + narrow(c.text2);
            out.push_back(line);
        }
        return out;
    }

    // The node at root\names...; the last one with the given leaf bit.
    SnapshotNode* find(const std::u16string& root, std::vector<std::u16string> names = {}, bool leaf = true) {
        SnapshotNode* node = tree.findTopLevel(root.c_str());
        for (std::size_t i = 0; node && i < names.size(); ++i)
            node = tree.findChild(node, names[i].c_str(), i + 1 == names.size() ? leaf : false);
        return node;
    }

    std::vector<std::string> childNames(const SnapshotNode* parent) const {
        std::vector<std::string> out;
        for (SnapshotNode* c = tree.firstChild(parent); c; c = tree.nextSibling(c)) out.push_back(narrow(c->name()));
        return out;
    }

    // "mode/line text" of the statuses from the n-th on that pass the filter.
    std::vector<std::string> statusesFrom(std::size_t first, bool (*keep)(const RecordingSink::Status&)) const {
        std::vector<std::string> out;
        auto all = sink.statuses();
        for (std::size_t i = first; i < all.size(); ++i)
            if (keep(all[i])) out.push_back(std::to_string(all[i].mode) + "/" + std::to_string(all[i].line) + " " + all[i].text);
        return out;
    }

    platform::MemoryPlatform platform;
    bool windowsDirectorySet;
    test::ScopedEnglishTexts texts{platform.fileSystem};
    RecordingSink sink;
    SnapshotTree tree{&sink, TREE_FILE_SYSTEM, &noStrings};
    FileSystemScanner scanner{&sink};
    u32 changeCount = 0;
};

TEST(FileSystemScanner, PassOneRecordsDirectoriesFilesAndTheirBlocks) {
    ScanRun run;
    run.fs().addDirectory(u"C:\\r\\sub", T1).attributes = 0x12;  // hidden directory
    run.fs().addFile(u"C:\\r\\sub\\a.txt", bytes("hello"), T2).attributes = 0x24;
    run.fs().addFile(u"C:\\r\\big.iso", {}, T1).listedSize = 5ull << 30;
    run.fs().addFile(u"C:\\r\\private\\secret.txt", bytes("s"));
    run.fs().findDirectory(u"C:\\r\\private")->listError = 5;  // recorded, but empty
    ASSERT_EQ(run.scan(false, {{u"C:\\r\\", MODE_COMPLETE}}), 0u);

    SnapshotNode* root = run.find(u"C:\\r");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->flags(), NODE_SEEN);
    SnapshotNode* sub = run.find(u"C:\\r", {u"sub"}, false);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->flags(), NODE_HAS_ATTRIBUTES | NODE_HAS_TIME);
    EXPECT_EQ(sub->attributesValue(), 0x12);
    EXPECT_EQ(sub->timeValue(), T1);
    SnapshotNode* a = run.find(u"C:\\r", {u"sub", u"a.txt"});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->flags(), NODE_LEAF | NODE_HAS_DIGEST | NODE_HAS_SIZE | NODE_HAS_ATTRIBUTES | NODE_HAS_TIME);
    EXPECT_EQ(digestOf(a), digestText("hello"));
    EXPECT_EQ(a->sizeValue(), 5u);
    EXPECT_EQ(a->attributesValue(), 0x24);
    EXPECT_EQ(a->timeValue(), T2);
    EXPECT_EQ(run.find(u"C:\\r", {u"big.iso"})->sizeValue(), 5ull << 30);
    EXPECT_EQ(run.childNames(run.find(u"C:\\r", {u"private"}, false)), std::vector<std::string>{});

    // The listing's "." and ".." are no items; directories are not counted.
    EXPECT_EQ(run.tree.nodeCount(), 5u);
    EXPECT_EQ(run.scanner.fileCount(), 2u);
    EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
              (std::vector<std::string>{"Total file count:      2", "Total file size:       5.368.709.125"}));
    EXPECT_TRUE(run.reports().empty());
}

TEST(FileSystemScanner, RootNamesLoseOneTrailingBackslash) {
    struct Case {
        std::u16string root;
        std::u16string node;
        std::vector<std::string> reports;
    };
    const Case cases[] = {
        {u"C:\\", u"C:", {"FileAdded C:\\data\\new.txt", "FileAdded C:\\new.txt"}},
        {u"C:\\data\\", u"C:\\data", {"FileAdded C:\\data\\new.txt"}},
        {u"C:\\data", u"C:\\data", {"FileAdded C:\\data\\new.txt"}},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().addFile(u"C:\\data\\old.txt", bytes("1"));
        ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}), 0u);
        EXPECT_NE(run.find(c.node), nullptr) << narrow(c.root);
        run.fs().addFile(u"C:\\data\\new.txt", bytes("2"));
        run.fs().addFile(u"C:\\new.txt", bytes("2"));
        ASSERT_EQ(run.scan(true, {{c.root, MODE_QUICK}}), 0u);
        EXPECT_EQ(run.reports(), c.reports) << narrow(c.root);
    }
}

TEST(FileSystemScanner, AnErrorEndsThePassWithRootAndCode) {
    struct Case {
        const char* name;
        std::u16string root;
        void (*stage)(ScanRun&);
        u32 code;
    };
    const Case cases[] = {
        {"empty root", u"", [](ScanRun&) {}, ERR_BAD_VALUE},
        {"backslash only", u"\\", [](ScanRun&) {}, ERR_BAD_VALUE},
        {"listing without memory", u"C:\\r", [](ScanRun& r) { r.fs().listingOutOfMemory = true; }, ERR_NO_MEMORY},
        {"cancelled", u"C:\\r", [](ScanRun& r) { r.sink.cancelAfterPolls(3); }, ERR_CANCELLED},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().addFile(u"C:\\r\\a", bytes("a"));
        run.fs().addFile(u"C:\\r\\b", bytes("b"));
        run.fs().addFile(u"C:\\s\\c", bytes("c"));
        c.stage(run);
        EXPECT_EQ(run.scan(false, {{c.root, MODE_QUICK}, {u"C:\\s", MODE_QUICK}}), c.code) << c.name;
        const std::string root = narrow(c.root);
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
                  std::vector<std::string>{"Error processing '" + root + "', error code " + std::to_string(c.code)})
            << c.name;
        // The next root is not scanned; the pass still ends its detail lines.
        EXPECT_EQ(run.find(u"C:\\s"), nullptr) << c.name;
        EXPECT_EQ(run.statusesFrom(0, [](const RecordingSink::Status& s) { return s.mode != STATUS_DETAIL; }),
                  (std::vector<std::string>{"1/6 Error processing '" + root + "', error code " + std::to_string(c.code),
                                            "1/7 File system processing complete.", "1/8 ", "1/9 ", "1/10 "}))
            << c.name;
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_ITEM)[0], "Processing '" + root + "'...") << c.name;
    }
}

TEST(FileSystemScanner, DetailLinesOfAFileAndAStream) {
    ScanRun run;
    run.platform.system.localTimeOffsetMinutes = 60;
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().addFile(u"C:\\r\\a.txt", std::vector<u8>(1234, 'x'), T1);
    run.fs().addStream(u"C:\\r\\a.txt", u"s", bytes("stream"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    EXPECT_EQ(run.statusesFrom(1, [](const RecordingSink::Status& s) { return s.line >= LINE_FILE_ITEM; }),
              (std::vector<std::string>{
                  "3/7 C:\\r\\a.txt", "3/8 Size: 1.234", "3/9 Timestamp: 29.02.2024 14:45:07",
                  "3/10 MD5: " + digestText(std::string(1234, 'x')),
                  // A stream's lines may be dropped like any running text; it has no time of its own.
                  "2/7 C:\\r\\a.txt:s", "2/8 Size: 6", "2/9 ", "2/10 MD5: " + digestText("stream"),
                  "1/7 File system processing complete.", "1/8 ", "1/9 ", "1/10 "}));

    ScanRun failing;
    failing.platform.system.fileTimeConversionWorks = false;
    failing.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);
    ASSERT_EQ(failing.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    EXPECT_EQ(failing.sink.lineTexts(LINE_FILE_TIME)[0], "Timestamp: 00.00.0000 00:00:00");

    ScanRun quiet;
    quiet.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);
    ASSERT_EQ(quiet.scan(false, {{u"C:\\r", MODE_QUICK}}, false, false), 0u);
    for (const auto& s : quiet.sink.statuses()) EXPECT_EQ(s.line, LINE_FILE_TOTALS) << s.text;
}

TEST(FileSystemScanner, DigestBlockOnlyWhenWantedAndZeroWhenUnreadable) {
    struct Case {
        u32 mode;
        bool skip;
        u32 openError;
        std::string digest;
        std::string line;
    };
    const std::string md5 = digestText("abc");
    const Case cases[] = {
        {MODE_COMPLETE, false, 0, md5, "MD5: " + md5},
        {MODE_QUICK, false, 0, "none", "MD5: -"},
        {MODE_COMPLETE, true, 0, "none", "MD5: -"},
        {MODE_COMPLETE, false, 32, std::string(32, '0'), "MD5: -"},  // locked by another process
        {MODE_QUICK, false, 32, "none", "MD5: -"},
    };
    for (const Case& c : cases) {
        ScanRun run;
        skipMD5 = c.skip;
        run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
        run.fs().addFile(u"C:\\r\\a", bytes("abc")).openError = c.openError;
        run.fs().addStream(u"C:\\r\\a", u"s", bytes("s"));
        ASSERT_EQ(run.scan(false, {{u"C:\\r", c.mode}}), 0u);
        EXPECT_EQ(digestOf(run.find(u"C:\\r", {u"a"})), c.digest) << c.line;
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_DIGEST)[0], c.line);
        // A file that cannot be opened has no stream list either.
        EXPECT_EQ(run.scanner.fileCount(), c.openError ? 1u : 2u);
    }
}

TEST(FileSystemScanner, StreamsOnlyOnNtVolumesWithNamedStreams) {
    struct Case {
        const char* name;
        u32 platformId;
        bool volumePathWorks;
        std::u16string root;
        std::u16string volume;
        u32 flags;
        bool streams;
    };
    const u32 NT = platform::PLATFORM_WIN32_NT;
    const u32 NAMED = platform::VOLUME_NAMED_STREAMS;
    const Case cases[] = {
        {"named streams", NT, true, u"C:\\d", u"C:\\", NAMED, true},
        {"no named streams", NT, true, u"C:\\d", u"C:\\", 0x3, false},
        {"not NT", 1, true, u"C:\\d", u"C:\\", NAMED, false},
        {"volume cannot be asked", NT, true, u"C:\\d", u"D:\\", NAMED, false},
        {"drive letter fallback", NT, false, u"C:\\d", u"C:", NAMED, true},
        {"fallback needs an upper-case letter", NT, false, u"c:\\d", u"C:", NAMED, false},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().volumeFlags = {{c.volume, c.flags}};
        run.fs().volumePathNameWorks = c.volumePathWorks;
        run.platform.system.osVersionValue.platformId = c.platformId;
        run.fs().addFile(u"C:\\d\\a.exe", bytes("MZ"));
        run.fs().addStream(u"C:\\d\\a.exe", u"Zone.Identifier", bytes("[ZoneTransfer]"));
        run.fs().addDirectory(u"C:\\d\\sub");
        run.fs().addStream(u"C:\\d\\sub", u"meta", bytes("m"));
        run.fs().addDirectory(u"C:\\d\\plain");  // no streams: the query writes nothing
        ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}), 0u) << c.name;
        // A stream is a sibling of its file or directory, named after it.
        std::vector<std::string> expected = {"plain", "sub", "a.exe"};
        if (c.streams) expected = {"plain", "sub:meta", "sub", "a.exe:Zone.Identifier", "a.exe"};
        SnapshotNode* root = run.tree.firstTopLevel();
        EXPECT_EQ(run.childNames(root), expected) << c.name;
        EXPECT_EQ(run.scanner.fileCount(), c.streams ? 3u : 1u) << c.name;
        EXPECT_EQ(run.scanner.totalSize(), c.streams ? 2u + 14u + 1u : 2u) << c.name;
    }
}

// A hand-made FILE_STREAM_INFORMATION list. Records sit at 8-byte boundaries; a `next` of 0
// is filled in with the step to the following record (and stays 0 on the last one).
struct RawRecord {
    std::u16string name;
    u32 next = 0;
    u32 nameBytes = 0;  // 0: the name's own length
};

std::vector<u8> rawRecords(const std::vector<RawRecord>& records) {
    std::vector<u8> out;
    std::size_t previous = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RawRecord& r = records[i];
        const std::size_t at = (out.size() + 7) & ~std::size_t(7);
        if (i > 0 && records[i - 1].next == 0) {
            u32 step = static_cast<u32>(at - previous);
            std::memcpy(out.data() + previous, &step, 4);
        }
        const u32 nameBytes = r.nameBytes ? r.nameBytes : static_cast<u32>(2 * r.name.size());
        const u64 size = 7;
        out.resize(at + 24 + 2 * r.name.size(), 0);
        std::memcpy(out.data() + at, &r.next, 4);
        std::memcpy(out.data() + at + 4, &nameBytes, 4);
        std::memcpy(out.data() + at + 8, &size, 8);
        std::memcpy(out.data() + at + 24, r.name.data(), 2 * r.name.size());
        previous = at;
    }
    return out;
}

TEST(FileSystemScanner, StreamNamesFromTheRecordList) {
    struct Case {
        const char* name;
        std::vector<RawRecord> records;
        std::vector<std::string> streams;
    };
    const Case cases[] = {
        {"main stream skipped, suffix removed", {{u"::$DATA"}, {u":Zone.Identifier:$DATA"}}, {"a.exe:Zone.Identifier"}},
        {"name without the suffix kept", {{u":s:$DATA"}, {u":t"}}, {"a.exe:t", "a.exe:s"}},
        {"nothing left of the name", {{u":$DATA"}, {u":x:$DATA"}}, {"a.exe:x"}},
        {"name longer than the step to the next record", {{u":a:$DATA", 8}, {u":b:$DATA"}}, {}},
        {"step beyond the buffer", {{u":a:$DATA", 0x100000}, {u":b:$DATA"}}, {"a.exe:a"}},
        {"name beyond the buffer", {{u":a:$DATA", 0, 0x10000}}, {}},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
        run.fs().addFile(u"C:\\d\\a.exe", bytes("MZ")).streamRecords = rawRecords(c.records);
        ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u) << c.name;
        std::vector<std::string> names = run.childNames(run.tree.firstTopLevel());
        names.pop_back();  // a.exe itself
        EXPECT_EQ(names, c.streams) << c.name;
    }
}

TEST(FileSystemScanner, StreamBufferDoublesOnTheThreeTooSmallAnswersOnly) {
    struct Case {
        u32 status;
        bool grows;
    };
    const Case cases[] = {{platform::NT_STATUS_BUFFER_OVERFLOW, true},
                          {platform::NT_STATUS_BUFFER_TOO_SMALL, true},
                          {platform::NT_STATUS_INFO_LENGTH_MISMATCH, true},
                          {platform::NT_STATUS_NOT_IMPLEMENTED, false}};
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
        run.fs().streamTooSmallStatus = c.status;
        // 60 records of 240 bytes: too many for 8 KiB, few enough for 16 KiB.
        run.fs().addFile(u"C:\\d\\many", bytes("m"));
        for (char16_t i = 0; i < 60; ++i) {
            std::u16string name(100, static_cast<char16_t>(u'a' + i % 26));
            name[0] = static_cast<char16_t>(u'A' + i / 26);
            run.fs().addStream(u"C:\\d\\many", name, bytes("s"));
        }
        run.fs().addFile(u"C:\\d\\next", bytes("n"));
        run.fs().addStream(u"C:\\d\\next", u"one", bytes("1"));
        ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u);
        if (c.grows) {
            // Grown once, and kept for the next file.
            EXPECT_EQ(run.fs().streamQuerySizes, (std::vector<u32>{8192, 16384, 16384}));
            EXPECT_EQ(run.scanner.fileCount(), 2u + 60u + 1u);
        } else {
            EXPECT_EQ(run.fs().streamQuerySizes, (std::vector<u32>{8192, 8192}));
            EXPECT_EQ(run.scanner.fileCount(), 2u + 1u);
        }
    }

    // A file system that never stops answering "too small" is given up on, not chased forever.
    ScanRun run;
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().streamQueryStatus = platform::NT_STATUS_BUFFER_OVERFLOW;
    run.fs().addFile(u"C:\\d\\a", bytes("a"));
    ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u);
    std::vector<u32> sizes;
    for (u32 s = STREAM_BUFFER_INITIAL_SIZE; s <= STREAM_BUFFER_MAX_SIZE; s *= 2) sizes.push_back(s);
    EXPECT_EQ(run.fs().streamQuerySizes, sizes);
}

std::u16string chain(u32 levels) {
    std::u16string path = u"C:\\r";
    for (u32 i = 1; i < levels; ++i) path += u"\\d";
    return path;
}

TEST(FileSystemScanner, DepthLimitAndJunctionLoops) {
    struct Case {
        const char* name;
        void (*stage)(MemoryFileSystem&);
        u32 code;
        std::vector<std::u16string> recorded;  // a file that must be in the tree afterwards
    };
    std::vector<std::u16string> deepest(1023, u"d");
    deepest.push_back(u"deep.txt");
    const Case cases[] = {
        {"1024 levels", [](MemoryFileSystem& fs) { fs.addFile(chain(1024) + u"\\deep.txt", bytes("x")); }, 0, deepest},
        {"1025 levels", [](MemoryFileSystem& fs) { fs.addDirectory(chain(1025)); }, ERR_ACCESS_DENIED, {}},
        {"junction to an ancestor", [](MemoryFileSystem& fs) { fs.addJunction(u"C:\\r\\a\\loop", u"C:\\r"); },
         ERR_ACCESS_DENIED, {}},
        {"junction elsewhere",
         [](MemoryFileSystem& fs) {
             fs.addFile(u"C:\\other\\x.txt", bytes("x"));
             fs.addJunction(u"C:\\r\\link", u"C:\\other");
         },
         0, {u"link", u"x.txt"}},
    };
    for (const Case& c : cases) {
        ScanRun run;
        c.stage(run.fs());
        EXPECT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}}), c.code) << c.name;
        if (c.code) {
            EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
                      std::vector<std::string>{"Error processing 'C:\\r', error code 5"})
                << c.name;
        } else {
            EXPECT_NE(run.find(u"C:\\r", c.recorded), nullptr) << c.name;
        }
    }
}

TEST(FileSystemScanner, WindowsUpdateSkipList) {
    struct Case {
        std::u16string windowsDirectory;
        std::u16string root;
        bool skipped;
    };
    const Case cases[] = {
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\$NtUninstallKB123456$", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\$NtServicePackUninstall$", true},
        {u"C:\\WINDOWS", u"c:\\windows\\prefetch", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Installer\\$PatchCache$\\Managed", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\ie7updates\\x", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\$hf_mig$", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Symbols", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\ServicePackFiles\\i386", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\PrefetchOld", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Installer", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWS", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWSX\\Prefetch", false},
        {u"C:\\WINDOWS", u"C:\\WIN\\Prefetch", false},
        // The case mapping is one-to-one: dotless i is no "I", final sigma no "Σ".
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Servıcepackfiles", false},
        {u"C:\\ΣΣ", u"C:\\σς\\prefetch", false},
        {u"C:\\ÄÖÜÞŸ", u"c:\\äöüþÿ\\prefetch", true},
        {u"C:\\ĀŁŻ", u"C:\\āłż\\prefetch", true},
        {u"C:\\ɃƑǄƎ", u"C:\\ƀƒǆǝ\\prefetch", true},
        {u"C:\\ΣΎΣΤΗΜΑ", u"C:\\σύστημα\\prefetch", true},
        {u"C:\\СИСТЕМАЁ", u"C:\\системаё\\prefetch", true},
    };
    for (const Case& c : cases) {
        for (bool skipSetting : {true, false}) {
            ScanRun run(c.windowsDirectory);
            run.fs().addFile(c.root + u"\\f", bytes("f"));
            ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}, skipSetting), 0u);
            bool listed = run.tree.firstChild(run.tree.firstTopLevel()) != nullptr;
            EXPECT_EQ(listed, !(c.skipped && skipSetting)) << narrow(c.root) << " skip " << skipSetting;
        }
    }
}

// One tree changed in every way a file can change.
void stageTree(MemoryFileSystem& fs) {
    for (const char16_t* name : {u"keep.txt", u"grow.txt", u"touch.txt", u"attr.txt", u"gone.txt", u"olddir\\f1",
                                 u"olddir\\f2", u"swap", u"sub\\inner.txt"})
        fs.addFile(std::u16string(u"C:\\r\\") + name, bytes("abc"), T1);
}

TEST(FileSystemScanner, CompareReportsAdditionsChangesAndRemovalsInOrder) {
    ScanRun same;
    stageTree(same.fs());
    ASSERT_EQ(same.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    ASSERT_EQ(same.scan(true, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    EXPECT_TRUE(same.reports().empty());
    EXPECT_EQ(same.changeCount, 0u);

    ScanRun run;
    auto& fs = run.fs();
    stageTree(fs);
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    fs.addFile(u"C:\\r\\grow.txt", bytes("abcd"), T1);
    fs.findFile(u"C:\\r\\touch.txt")->writeTime = T2;
    fs.findFile(u"C:\\r\\attr.txt")->attributes |= platform::FILE_ATTRIBUTE_READONLY_BIT;
    fs.removeEntry(u"C:\\r\\gone.txt");
    fs.removeEntry(u"C:\\r\\olddir");
    fs.removeEntry(u"C:\\r\\swap");
    fs.addFile(u"C:\\r\\new.txt", bytes("n"), T2);
    fs.addFile(u"C:\\r\\newdir\\n1", bytes("1"), T2);
    fs.addFile(u"C:\\r\\newdir\\n2", bytes("2"), T2);
    fs.addDirectory(u"C:\\r\\swap", T2);
    const std::size_t mark = run.sink.statuses().size();
    ASSERT_EQ(run.scan(true, {{u"C:\\r", MODE_COMPLETE}}), 0u);

    const std::vector<std::string> expected = {
        "FileChanged C:\\r\\grow.txt",
        "FileChanged C:\\r\\touch.txt",
        "FileAdded C:\\r\\new.txt",
        "DirAdded C:\\r\\newdir",
        "FileAdded C:\\r\\newdir\\n1",
        "FileAdded C:\\r\\newdir\\n2",
        "DirAdded C:\\r\\swap",
        // Removals last, children newest first, a directory before what was below it.
        "FileRemoved swap | C:\\r\\swap",
        "FileRemoved olddir | C:\\r\\olddir",
        "FileRemoved f2 | C:\\r\\olddir\\f2",
        "FileRemoved f1 | C:\\r\\olddir\\f1",
        "FileRemoved gone.txt | C:\\r\\gone.txt",
    };
    EXPECT_EQ(run.reports(), expected);
    EXPECT_EQ(run.changeCount, expected.size());
    // Each report shows its path as a running text on line 7.
    auto running = run.statusesFrom(mark, [](const RecordingSink::Status& s) { return s.mode == STATUS_RUNNING; });
    ASSERT_EQ(running.size(), expected.size());
    EXPECT_EQ(running[0], "2/7 C:\\r\\grow.txt");
    EXPECT_EQ(running[7], "2/7 File swap C:\\r\\swap");
}

TEST(FileSystemScanner, WhichTestDecidesAChange) {
    struct Case {
        const char* name;
        u32 mode1;
        u32 mode2;
        bool skip;
        void (*change)(MemoryFileSystem&);
        bool reported;
        bool digestShown;  // line 10 of the file in pass 2 shows its digest rather than "-"
    };
    auto content = [](MemoryFileSystem& fs) { fs.addFile(u"C:\\r\\f", bytes("jello"), T1); };
    auto touch = [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->writeTime = T2; };
    const Case cases[] = {
        {"content only, quick", MODE_QUICK, MODE_QUICK, false, content, false, false},
        {"content only, complete", MODE_COMPLETE, MODE_COMPLETE, false, content, true, true},
        {"content only, no digest from pass 1", MODE_QUICK, MODE_COMPLETE, false, content, false, false},
        {"content only, -SkipMD5", MODE_COMPLETE, MODE_COMPLETE, true, content, false, false},
        {"touched, quick", MODE_QUICK, MODE_QUICK, false, touch, true, false},
        {"touched, complete", MODE_COMPLETE, MODE_COMPLETE, false, touch, true, true},
        {"size only", MODE_QUICK, MODE_QUICK, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->listedSize = 6; }, true, false},
        {"attributes only", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->attributes = 0x27; }, false, true},
        {"unreadable in pass 2", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->openError = 32; }, true, false},
    };
    for (const Case& c : cases) {
        ScanRun run;
        skipMD5 = c.skip;
        run.fs().addFile(u"C:\\r\\f", bytes("hello"), T1);
        ASSERT_EQ(run.scan(false, {{u"C:\\r", c.mode1}}), 0u) << c.name;
        c.change(run.fs());
        const std::size_t mark = run.sink.statuses().size();
        ASSERT_EQ(run.scan(true, {{u"C:\\r", c.mode2}}), 0u) << c.name;
        EXPECT_EQ(run.reports(), c.reported ? std::vector<std::string>{"FileChanged C:\\r\\f"} : std::vector<std::string>{})
            << c.name;
        const std::string now(run.fs().findFile(u"C:\\r\\f")->bytes.begin(), run.fs().findFile(u"C:\\r\\f")->bytes.end());
        auto digestLine = run.statusesFrom(mark, [](const RecordingSink::Status& s) { return s.line == LINE_FILE_DIGEST; });
        EXPECT_EQ(digestLine[0], "3/10 MD5: " + (c.digestShown ? digestText(now) : "-")) << c.name;
    }

    // A file that could not be read in either pass keeps its zero digest: no change.
    ScanRun locked;
    locked.fs().addFile(u"C:\\r\\f", bytes("hello"), T1).openError = 32;
    ASSERT_EQ(locked.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    ASSERT_EQ(locked.scan(true, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    EXPECT_TRUE(locked.reports().empty());
}

TEST(FileSystemScanner, CompareStreams) {
    ScanRun run;
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);
    run.fs().addStream(u"C:\\r\\a.txt", u"s", bytes("one"));
    run.fs().addStream(u"C:\\r\\a.txt", u"old", bytes("o"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);

    run.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);          // the same file with new streams:
    run.fs().addStream(u"C:\\r\\a.txt", u"s", bytes("two"));    // same size, only the digest tells
    run.fs().addStream(u"C:\\r\\a.txt", u"new", bytes("n"));
    const std::size_t mark = run.sink.statuses().size();
    ASSERT_EQ(run.scan(true, {{u"C:\\r", MODE_COMPLETE}}, false, false), 0u);
    EXPECT_EQ(run.reports(), (std::vector<std::string>{"FileChanged C:\\r\\a.txt:s", "FileAdded C:\\r\\a.txt:new",
                                                       "FileRemoved a.txt:old | C:\\r\\a.txt:old"}));
    // Unlike everything else, a changed stream is shown on line 6.
    EXPECT_EQ(run.statusesFrom(mark, [](const RecordingSink::Status& s) { return s.mode == STATUS_RUNNING; }),
              (std::vector<std::string>{"2/6 C:\\r\\a.txt:s", "2/7 C:\\r\\a.txt:new", "2/7 File a.txt:old C:\\r\\a.txt:old"}));
}

TEST(FileSystemScanner, BelowANewRootOrDirectoryNothingIsLookedUp) {
    ScanRun run;
    run.fs().addFile(u"C:\\r\\a", bytes("a"));
    run.fs().addFile(u"C:\\s\\x\\b", bytes("b"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    // C:\s was no root of pass 1; its own name is not reported, what lies below it is.
    ASSERT_EQ(run.scan(true, {{u"C:\\s", MODE_QUICK}, {u"C:\\r", MODE_QUICK}}), 0u);
    EXPECT_EQ(run.reports(), (std::vector<std::string>{"DirAdded C:\\s\\x", "FileAdded C:\\s\\x\\b"}));
}

TEST(FileSystemScanner, ExclusionsApplyToFilesAndStreamsButNotToDirectories) {
    ScanRun run;
    run.tree.exclusions().addPattern("\\Prefetch\\*");
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().addFile(u"C:\\WINDOWS\\Prefetch\\old.pf", bytes("o"), T1);
    run.fs().addFile(u"C:\\WINDOWS\\Prefetch\\gone.pf", bytes("g"), T1);
    run.fs().addFile(u"C:\\WINDOWS\\kept.txt", bytes("k"), T1);
    ASSERT_EQ(run.scan(false, {{u"C:\\WINDOWS", MODE_QUICK}}), 0u);

    run.fs().findFile(u"C:\\WINDOWS\\Prefetch\\old.pf")->writeTime = T2;
    run.fs().removeEntry(u"C:\\WINDOWS\\Prefetch\\gone.pf");
    run.fs().addFile(u"C:\\WINDOWS\\Prefetch\\new.pf", bytes("n"), T2);
    run.fs().addStream(u"C:\\WINDOWS\\Prefetch\\new.pf", u"s", bytes("s"));
    run.fs().addFile(u"C:\\WINDOWS\\Prefetch\\sub\\deep.pf", bytes("d"), T2);
    run.fs().findFile(u"C:\\WINDOWS\\kept.txt")->writeTime = T2;
    ASSERT_EQ(run.scan(true, {{u"C:\\WINDOWS", MODE_QUICK}}), 0u);
    EXPECT_EQ(run.reports(),
              (std::vector<std::string>{"DirAdded C:\\WINDOWS\\Prefetch\\sub", "FileChanged C:\\WINDOWS\\kept.txt"}));
    EXPECT_EQ(run.changeCount, 2u);
}

TEST(FileSystemScanner, AnErrorInPassTwoReportsNoRemovals) {
    ScanRun run;
    run.fs().addFile(u"C:\\r\\a", bytes("a"));
    run.fs().addFile(u"C:\\r\\gone", bytes("g"));
    run.fs().addFile(u"C:\\s\\b", bytes("b"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}, {u"C:\\s", MODE_QUICK}}), 0u);
    run.fs().removeEntry(u"C:\\r\\gone");
    run.fs().addFile(u"C:\\s\\new", bytes("n"));
    run.fs().addJunction(u"C:\\s\\loop", u"C:\\s");
    EXPECT_EQ(run.scan(true, {{u"C:\\r", MODE_QUICK}, {u"C:\\s", MODE_QUICK}}), ERR_ACCESS_DENIED);
    // What was reported before the error stays; the removal of C:\r\gone never comes.
    const std::vector<std::string> reports = run.reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[0], "FileAdded C:\\s\\new");
    EXPECT_EQ(reports[1], "DirAdded C:\\s\\loop");
    for (const std::string& r : reports) EXPECT_EQ(r.find("FileRemoved"), std::string::npos) << r;
}

}  // namespace
}  // namespace pelorin
