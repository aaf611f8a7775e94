#include "snapshot/file_system_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/run_options.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
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

bool englishTexts(char* buffer, u32 capacity, u32 id, bool) {
    static const std::map<u32, const char*> texts = {
        {155, "File system processing complete."},
        {156, "Processing '%ls'..."},
        {162, "Size: %s"},
        {163, "Timestamp: %s"},
        {164, "MD5: %s"},
        {166, "File"},
        {168, "Total file count:      %s"},
        {169, "Total file size:       %s"},
        {179, "Error processing '%ls', error code %s"},
    };
    auto it = texts.find(id);
    if (it == texts.end()) return false;
    copyBounded(buffer, capacity, it->second);
    return true;
}

std::vector<u8> bytes(std::string_view text) { return std::vector<u8>(text.begin(), text.end()); }

std::string digestText(std::string_view content) {
    u8 digest[MD5_DIGEST_SIZE];
    Md5Engine::computeDigest(content.data(), content.size(), digest);
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (u8 b : digest) {
        out += HEX[b >> 4];
        out += HEX[b & 15];
    }
    return out;
}

const char* kindName(u32 kind) {
    switch (kind) {
    case CHANGE_FILE_ADDED: return "FileAdded";
    case CHANGE_DIR_ADDED: return "DirAdded";
    case CHANGE_FILE_CHANGED: return "FileChanged";
    case CHANGE_FILE_REMOVED: return "FileRemoved";
    default: return "?";
    }
}

// The in-memory file system and system, installed for the life of the object.
struct MemoryPlatform {
    MemoryFileSystem fileSystem;
    platform::MemorySystem system;
    platform::ScopedPlatform scope{platform::Platform{&fileSystem, nullptr, &system}};
};

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

    std::vector<RecordingSink::Status> statusesFrom(std::size_t first) const {
        auto all = sink.statuses();
        return std::vector<RecordingSink::Status>(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
    }

    MemoryPlatform platform;
    bool windowsDirectorySet;
    RecordingSink sink;
    SnapshotTree tree{&sink, TREE_FILE_SYSTEM, &noStrings};
    FileSystemScanner scanner{&sink, &englishTexts};
    u32 changeCount = 0;
};

std::string digestOf(const SnapshotNode* node) {
    if (!node || !node->digestOf()) return "none";
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (u32 i = 0; i < MD5_DIGEST_SIZE; ++i) {
        out += HEX[node->digestOf()[i] >> 4];
        out += HEX[node->digestOf()[i] & 15];
    }
    return out;
}

TEST(FileSystemScanner, PassOneRecordsDirectoriesFilesAndTheirBlocks) {
    ScanRun run;
    run.fs().addDirectory(u"C:\\r\\sub", T1).attributes = 0x10 | 0x2;  // hidden directory
    run.fs().addFile(u"C:\\r\\sub\\a.txt", bytes("hello"), T2).attributes = 0x20 | 0x4;
    run.fs().addFile(u"C:\\r\\big.iso", {}, T1).listedSize = 5ull << 30;
    ASSERT_EQ(run.scan(false, {{u"C:\\r\\", MODE_COMPLETE}}), 0u);

    SnapshotNode* root = run.find(u"C:\\r");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->flags(), NODE_SEEN);  // no blocks, not a leaf, seen from the start

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

    // The listing's "." and ".." are not items; directories are not counted.
    EXPECT_EQ(run.tree.nodeCount(), 4u);
    EXPECT_EQ(run.scanner.fileCount(), 2u);
    EXPECT_EQ(run.scanner.totalSize(), (5ull << 30) + 5);
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
        run.fs().addFile(u"C:\\old.txt", bytes("1"));
        ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}), 0u);
        EXPECT_NE(run.find(c.node), nullptr) << narrow(c.root);
        run.fs().addFile(u"C:\\data\\new.txt", bytes("2"));
        run.fs().addFile(u"C:\\new.txt", bytes("2"));
        ASSERT_EQ(run.scan(true, {{c.root, MODE_QUICK}}), 0u);
        EXPECT_EQ(run.reports(), c.reports) << narrow(c.root);
    }
}

TEST(FileSystemScanner, ErrorsEndThePassWithTheRootAndCode) {
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
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
                  std::vector<std::string>{"Error processing '" + narrow(c.root) + "', error code " +
                                           std::to_string(c.code)})
            << c.name;
        EXPECT_EQ(run.find(u"C:\\s"), nullptr) << c.name << ": the next root must not be scanned";
        // The pass still ends its detail lines.
        auto statuses = run.sink.statuses();
        ASSERT_GE(statuses.size(), 4u);
        EXPECT_EQ(statuses[statuses.size() - 4].text, "File system processing complete.") << c.name;
        EXPECT_EQ(statuses.back().text, "") << c.name;
    }
}

TEST(FileSystemScanner, RootsInListOrderWithProcessingAndCompletionLines) {
    ScanRun run;
    run.fs().addFile(u"C:\\a\\1", bytes("1"));
    run.fs().addFile(u"C:\\b\\2", bytes("22"));
    ASSERT_EQ(run.scan(false, {{u"C:\\a", MODE_QUICK}, {u"C:\\b", MODE_QUICK}}), 0u);
    EXPECT_EQ(narrow(run.tree.firstTopLevel()->name()), "C:\\b");  // newest first
    std::vector<std::string> line7;
    for (const auto& s : run.sink.statuses())
        if (s.line == LINE_FILE_ITEM && s.mode != STATUS_DETAIL) line7.push_back(s.text);
    EXPECT_EQ(line7, (std::vector<std::string>{"File system processing complete."}));
    std::vector<std::string> processing;
    for (const auto& s : run.sink.statuses())
        if (s.text.rfind("Processing", 0) == 0) processing.push_back(s.text);
    EXPECT_EQ(processing, (std::vector<std::string>{"Processing 'C:\\a'...", "Processing 'C:\\b'..."}));
    EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
              (std::vector<std::string>{"Total file count:      1", "Total file size:       1",
                                        "Total file count:      1", "Total file size:       2"}));
}

TEST(FileSystemScanner, DetailLinesOfAFileAndAStream) {
    ScanRun run;
    run.platform.system.localTimeOffsetMinutes = 60;
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().addFile(u"C:\\r\\a.txt", std::vector<u8>(1234, 'x'), T1);
    run.fs().addStream(u"C:\\r\\a.txt", u"s", bytes("stream"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);

    std::vector<std::string> details;
    for (const auto& s : run.sink.statuses())
        if (s.line >= LINE_FILE_ITEM && s.text.rfind("Processing", 0) != 0)
            details.push_back(std::to_string(s.mode) + "/" + std::to_string(s.line) + " " + s.text);
    EXPECT_EQ(details, (std::vector<std::string>{
                           "3/7 C:\\r\\a.txt",
                           "3/8 Size: 1.234",
                           "3/9 Timestamp: 29.02.2024 14:45:07",
                           "3/10 MD5: " + digestText(std::string(1234, 'x')),
                           "2/7 C:\\r\\a.txt:s",
                           "2/8 Size: 6",
                           "2/9 ",
                           "2/10 MD5: " + digestText("stream"),
                           "1/7 File system processing complete.",
                           "1/8 ",
                           "1/9 ",
                           "1/10 ",
                       }));

    // Without showDetails only the totals are shown; a time that cannot be converted shows zeros.
    ScanRun quiet;
    quiet.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);
    ASSERT_EQ(quiet.scan(false, {{u"C:\\r", MODE_QUICK}}, false, false), 0u);
    for (const auto& s : quiet.sink.statuses()) EXPECT_EQ(s.line, LINE_FILE_TOTALS) << s.text;

    ScanRun failing;
    failing.platform.system.fileTimeConversionWorks = false;
    failing.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);
    ASSERT_EQ(failing.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    EXPECT_EQ(failing.sink.lineTexts(LINE_FILE_TIME)[0], "Timestamp: 00.00.0000 00:00:00");
    EXPECT_EQ(failing.sink.lineTexts(LINE_FILE_DIGEST)[0], "MD5: -");
}

TEST(FileSystemScanner, DigestsOnlyInCompleteModeWithoutSkipMd5) {
    struct Case {
        u32 mode;
        bool skip;
        bool digest;
    };
    const Case cases[] = {{MODE_COMPLETE, false, true}, {MODE_QUICK, false, false}, {MODE_COMPLETE, true, false}};
    for (const Case& c : cases) {
        ScanRun run;
        skipMD5 = c.skip;
        run.fs().addFile(u"C:\\r\\a", bytes("abc"));
        ASSERT_EQ(run.scan(false, {{u"C:\\r", c.mode}}), 0u);
        EXPECT_EQ(digestOf(run.find(u"C:\\r", {u"a"})), c.digest ? digestText("abc") : "none");
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_DIGEST)[0], c.digest ? "MD5: " + digestText("abc") : "MD5: -");
    }
}

TEST(FileSystemScanner, LockedFileGetsZeroDigestAndNoStreams) {
    for (u32 mode : {MODE_COMPLETE, MODE_QUICK}) {
        ScanRun run;
        run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
        run.fs().addFile(u"C:\\r\\locked.dat", bytes("secret"), T1).openError = 32;
        run.fs().addStream(u"C:\\r\\locked.dat", u"s", bytes("x"));
        ASSERT_EQ(run.scan(false, {{u"C:\\r", mode}}), 0u);
        SnapshotNode* node = run.find(u"C:\\r", {u"locked.dat"});
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(digestOf(node), mode == MODE_COMPLETE ? std::string(32, '0') : "none");
        EXPECT_EQ(node->sizeValue(), 6u);
        EXPECT_EQ(run.sink.lineTexts(LINE_FILE_DIGEST)[0], "MD5: -");
        EXPECT_EQ(run.childNames(run.find(u"C:\\r")), std::vector<std::string>{"locked.dat"});
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
        {"volume unknown", NT, true, u"C:\\d", u"D:\\", NAMED, false},
        {"drive letter fallback", NT, false, u"C:\\d", u"C:", NAMED, true},
        {"fallback needs an upper-case letter", NT, false, u"c:\\d", u"C:", NAMED, false},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().volumeFlags.clear();
        run.fs().volumeFlags[c.volume] = c.flags;
        run.fs().volumePathNameWorks = c.volumePathWorks;
        run.platform.system.osVersionValue.platformId = c.platformId;
        run.fs().addFile(u"C:\\d\\a.exe", bytes("MZ"));
        run.fs().addStream(u"C:\\d\\a.exe", u"Zone.Identifier", bytes("[ZoneTransfer]"));
        run.fs().addDirectory(u"C:\\d\\sub");
        run.fs().addStream(u"C:\\d\\sub", u"meta", bytes("m"));
        ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}), 0u) << c.name;
        std::vector<std::string> expected = {"sub", "a.exe"};
        if (c.streams) expected = {"sub:meta", "sub", "a.exe:Zone.Identifier", "a.exe"};
        SnapshotNode* root = run.tree.firstTopLevel();
        EXPECT_EQ(run.childNames(root), expected) << c.name;
        EXPECT_EQ(run.scanner.fileCount(), c.streams ? 3u : 1u) << c.name;
        if (c.streams) {
            SnapshotNode* stream = run.tree.findChild(root, u"a.exe:Zone.Identifier", true);
            EXPECT_EQ(stream->sizeValue(), 14u);
            EXPECT_EQ(run.scanner.totalSize(), 2u + 14u + 1u);
        }
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
        auto& file = run.fs().addFile(u"C:\\d\\a.exe", bytes("MZ"));
        file.streamRecords = rawRecords(c.records);
        ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u) << c.name;
        std::vector<std::string> names = run.childNames(run.tree.firstTopLevel());
        names.pop_back();  // a.exe itself
        EXPECT_EQ(names, c.streams) << c.name;
    }
}

TEST(FileSystemScanner, AnEmptyAnswerDoesNotRepeatTheLastRecords) {
    ScanRun run;
    run.fs().volumeFlags[u"C:\\"] = platform::VOLUME_NAMED_STREAMS;
    run.fs().addFile(u"C:\\d\\a.exe", bytes("MZ"));
    run.fs().addStream(u"C:\\d\\a.exe", u"s", bytes("s"));
    run.fs().addDirectory(u"C:\\d\\sub");  // a directory without streams: the query writes nothing
    ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u);
    EXPECT_EQ(run.childNames(run.tree.firstTopLevel()), (std::vector<std::string>{"sub", "a.exe:s", "a.exe"}));
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
        for (int i = 0; i < 60; ++i) {
            char16_t name[101];
            std::fill(name, name + 100, u'a' + i % 26);
            name[0] = static_cast<char16_t>(u'A' + i / 26);
            name[100] = 0;
            run.fs().addStream(u"C:\\d\\many", name, bytes("s"));
        }
        run.fs().addFile(u"C:\\d\\next", bytes("n"));
        run.fs().addStream(u"C:\\d\\next", u"one", bytes("1"));
        ASSERT_EQ(run.scan(false, {{u"C:\\d", MODE_QUICK}}), 0u);
        if (c.grows) {
            // The buffer grows once and is kept for the next file.
            EXPECT_EQ(run.fs().streamQuerySizes, (std::vector<u32>{8192, 16384, 16384}));
            EXPECT_EQ(run.scanner.streamBufferSize(), 16384u);
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

std::u16string chain(const std::u16string& root, u32 levels) {
    std::u16string path = root;
    for (u32 i = 1; i < levels; ++i) path += u"\\d";
    return path;
}

TEST(FileSystemScanner, DepthLimitAndJunctionLoops) {
    struct Case {
        const char* name;
        void (*stage)(MemoryFileSystem&);
        u32 code;
    };
    const Case cases[] = {
        {"1024 levels", [](MemoryFileSystem& fs) { fs.addFile(chain(u"C:\\r", 1024) + u"\\deep.txt", bytes("x")); },
         0},
        {"1025 levels", [](MemoryFileSystem& fs) { fs.addDirectory(chain(u"C:\\r", 1025)); }, ERR_ACCESS_DENIED},
        {"junction to an ancestor", [](MemoryFileSystem& fs) { fs.addJunction(u"C:\\r\\a\\loop", u"C:\\r"); },
         ERR_ACCESS_DENIED},
        {"junction elsewhere",
         [](MemoryFileSystem& fs) {
             fs.addFile(u"C:\\other\\x.txt", bytes("x"));
             fs.addJunction(u"C:\\r\\link", u"C:\\other");
         },
         0},
    };
    for (const Case& c : cases) {
        ScanRun run;
        run.fs().addFile(u"C:\\r\\top.txt", bytes("t"));
        c.stage(run.fs());
        EXPECT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}}), c.code) << c.name;
        if (c.code) {
            EXPECT_EQ(run.sink.lineTexts(LINE_FILE_TOTALS),
                      std::vector<std::string>{"Error processing 'C:\\r', error code 5"})
                << c.name;
        }
    }

    ScanRun deep;
    deep.fs().addFile(chain(u"C:\\r", 1024) + u"\\deep.txt", bytes("x"));
    ASSERT_EQ(deep.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    std::vector<std::u16string> names(1023, u"d");
    names.push_back(u"deep.txt");
    EXPECT_NE(deep.find(u"C:\\r", names), nullptr);

    ScanRun linked;
    linked.fs().addFile(u"C:\\other\\x.txt", bytes("x"));
    linked.fs().addJunction(u"C:\\r\\link", u"C:\\other");
    ASSERT_EQ(linked.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    SnapshotNode* link = linked.find(u"C:\\r", {u"link"}, false);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->attributesValue(), 0x410);
    EXPECT_NE(linked.find(u"C:\\r", {u"link", u"x.txt"}), nullptr);
}

TEST(FileSystemScanner, UnlistableDirectoryIsRecordedEmpty) {
    ScanRun run;
    run.fs().addFile(u"C:\\r\\private\\secret.txt", bytes("s"));
    run.fs().findDirectory(u"C:\\r\\private")->listError = 5;
    run.fs().addFile(u"C:\\r\\public.txt", bytes("p"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    SnapshotNode* dir = run.find(u"C:\\r", {u"private"}, false);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(run.tree.firstChild(dir), nullptr);
    EXPECT_NE(run.find(u"C:\\r", {u"public.txt"}), nullptr);
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
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Installer\\$PatchCache$", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\ie7updates\\x", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\$hf_mig$", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Symbols", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\ServicePackFiles\\i386", true},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\PrefetchOld", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Installer", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\SymbolsX", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWS", false},
        {u"C:\\WINDOWS", u"C:\\WINDOWSX\\Prefetch", false},
        {u"C:\\WINDOWS", u"C:\\WIN\\Prefetch", false},
        // Dotless i is no "I": the mapping is one-to-one.
        {u"C:\\WINDOWS", u"C:\\WINDOWS\\Servıcepackfiles", false},
        {u"C:\\ÄÖÜÞ", u"c:\\äöüþ\\prefetch", true},
        {u"C:\\ĀŁŻŸ", u"C:\\āłżÿ\\prefetch", true},
        {u"C:\\ɃƑǄ", u"C:\\ƀƒǆ\\prefetch", true},
        {u"C:\\ΣΎΣΤΗΜΑ", u"C:\\σύστημα\\prefetch", true},
        {u"C:\\ΣΣ", u"C:\\σς\\prefetch", false},
        {u"C:\\СИСТЕМАЁ", u"C:\\системаё\\prefetch", true},
    };
    for (const Case& c : cases) {
        for (bool skipSetting : {true, false}) {
            ScanRun run(c.windowsDirectory);
            run.fs().addFile(c.root + u"\\f", bytes("f"));
            ASSERT_EQ(run.scan(false, {{c.root, MODE_QUICK}}, skipSetting), 0u);
            SnapshotNode* root = run.tree.firstTopLevel();
            ASSERT_NE(root, nullptr);
            bool listed = run.tree.firstChild(root) != nullptr;
            EXPECT_EQ(listed, !(c.skipped && skipSetting)) << narrow(c.root) << " skip " << skipSetting;
        }
    }
}

TEST(FileSystemScanner, UpperCaseMappingIsOneToOne) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},     {u'A', u'A'},     {u'z', u'Z'},     {0xE4, 0xC4},     {0xF7, 0xF7},     {0xFE, 0xDE},
        {0xFF, 0x178},    {0xDF, 0xDF},     {0xB5, 0xB5},     {0x101, 0x100},   {0x131, 0x131},   {0x17F, 0x17F},
        {0x17E, 0x17D},   {0x180, 0x243},   {0x1C5, 0x1C5},   {0x1C6, 0x1C4},   {0x1DD, 0x18E},   {0x24F, 0x24E},
        {0x3AC, 0x386},   {0x3B1, 0x391},   {0x3C2, 0x3C2},   {0x3C3, 0x3A3},   {0x3CE, 0x38F},   {0x430, 0x410},
        {0x44F, 0x42F},   {0x451, 0x401},   {0x45F, 0x40F},   {0x4CF, 0x4C0},   {0x4FF, 0x4FE},   {0x500, 0x500},
    };
    for (auto [lower, upper] : cases) EXPECT_EQ(upperCaseUnit(lower), upper) << std::hex << int(lower);
}

// The comparison: one tree changed in every way a file can change.
TEST(FileSystemScanner, CompareReportsAdditionsChangesAndRemovalsInOrder) {
    ScanRun run;
    auto& fs = run.fs();
    fs.addFile(u"C:\\r\\keep.txt", bytes("same"), T1);
    fs.addFile(u"C:\\r\\grow.txt", bytes("abc"), T1);
    fs.addFile(u"C:\\r\\touch.txt", bytes("x"), T1);
    fs.addFile(u"C:\\r\\attr.txt", bytes("y"), T1);
    fs.addFile(u"C:\\r\\gone.txt", bytes("z"), T1);
    fs.addFile(u"C:\\r\\olddir\\f1", bytes("1"), T1);
    fs.addFile(u"C:\\r\\olddir\\f2", bytes("2"), T1);
    fs.addFile(u"C:\\r\\swap", bytes("file"), T1);
    fs.addFile(u"C:\\r\\sub\\inner.txt", bytes("i"), T1);
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);

    // Unchanged: nothing to report.
    ASSERT_EQ(run.scan(true, {{u"C:\\r", MODE_COMPLETE}}), 0u);
    EXPECT_TRUE(run.reports().empty());
    EXPECT_EQ(run.changeCount, 0u);

    ScanRun changed;
    auto& fs2 = changed.fs();
    fs2.addFile(u"C:\\r\\keep.txt", bytes("same"), T1);
    fs2.addFile(u"C:\\r\\grow.txt", bytes("abc"), T1);
    fs2.addFile(u"C:\\r\\touch.txt", bytes("x"), T1);
    fs2.addFile(u"C:\\r\\attr.txt", bytes("y"), T1);
    fs2.addFile(u"C:\\r\\gone.txt", bytes("z"), T1);
    fs2.addFile(u"C:\\r\\olddir\\f1", bytes("1"), T1);
    fs2.addFile(u"C:\\r\\olddir\\f2", bytes("2"), T1);
    fs2.addFile(u"C:\\r\\swap", bytes("file"), T1);
    fs2.addFile(u"C:\\r\\sub\\inner.txt", bytes("i"), T1);
    ASSERT_EQ(changed.scan(false, {{u"C:\\r", MODE_COMPLETE}}), 0u);

    fs2.addFile(u"C:\\r\\grow.txt", bytes("abcd"), T1);
    fs2.addFile(u"C:\\r\\touch.txt", bytes("x"), T2);
    fs2.findFile(u"C:\\r\\attr.txt")->attributes |= platform::FILE_ATTRIBUTE_READONLY_BIT;
    fs2.removeEntry(u"C:\\r\\gone.txt");
    fs2.removeEntry(u"C:\\r\\olddir");
    fs2.removeEntry(u"C:\\r\\swap");
    fs2.addFile(u"C:\\r\\new.txt", bytes("n"), T2);
    fs2.addFile(u"C:\\r\\newdir\\n1", bytes("1"), T2);
    fs2.addFile(u"C:\\r\\newdir\\n2", bytes("2"), T2);
    fs2.addDirectory(u"C:\\r\\swap", T2);
    const std::size_t mark = changed.sink.statuses().size();
    ASSERT_EQ(changed.scan(true, {{u"C:\\r", MODE_COMPLETE}}), 0u);

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
    EXPECT_EQ(changed.reports(), expected);
    EXPECT_EQ(changed.changeCount, expected.size());

    // Each report also shows its path as a running text on line 7.
    std::vector<std::string> running;
    for (const auto& s : changed.statusesFrom(mark))
        if (s.mode == STATUS_RUNNING) running.push_back(s.text);
    ASSERT_EQ(running.size(), expected.size());
    EXPECT_EQ(running[0], "C:\\r\\grow.txt");
    EXPECT_EQ(running[7], "File swap C:\\r\\swap");
}

TEST(FileSystemScanner, WhichTestDecidesAChange) {
    struct Case {
        const char* name;
        u32 mode1;
        u32 mode2;
        bool skip;
        void (*change)(MemoryFileSystem&);
        bool reported;
        const char* digestLine;  // line 10 of the file in pass 2
    };
    const std::string hello = digestText("hello");
    const std::string jello = digestText("jello");
    const Case cases[] = {
        {"content only, quick", MODE_QUICK, MODE_QUICK, false,
         [](MemoryFileSystem& fs) { fs.addFile(u"C:\\r\\f", bytes("jello"), T1); }, false, "MD5: -"},
        {"content only, complete", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.addFile(u"C:\\r\\f", bytes("jello"), T1); }, true, nullptr},
        {"content only, no digest from pass 1", MODE_QUICK, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.addFile(u"C:\\r\\f", bytes("jello"), T1); }, false, "MD5: -"},
        {"content only, -SkipMD5", MODE_COMPLETE, MODE_COMPLETE, true,
         [](MemoryFileSystem& fs) { fs.addFile(u"C:\\r\\f", bytes("jello"), T1); }, false, "MD5: -"},
        {"touched, quick", MODE_QUICK, MODE_QUICK, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->writeTime = T2; }, true, "MD5: -"},
        {"touched, complete", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->writeTime = T2; }, true, nullptr},
        {"size only", MODE_QUICK, MODE_QUICK, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->listedSize = 6; }, true, "MD5: -"},
        {"attributes only", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->attributes = 0x27; }, false, nullptr},
        {"locked in pass 2", MODE_COMPLETE, MODE_COMPLETE, false,
         [](MemoryFileSystem& fs) { fs.findFile(u"C:\\r\\f")->openError = 32; }, true, "MD5: -"},
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
        std::string digestLine;
        for (const auto& s : run.statusesFrom(mark))
            if (s.line == LINE_FILE_DIGEST && !s.text.empty()) digestLine = s.text;
        const std::string current = run.fs().findFile(u"C:\\r\\f")->bytes == bytes("hello") ? hello : jello;
        EXPECT_EQ(digestLine, c.digestLine ? c.digestLine : "MD5: " + current) << c.name;
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

    run.fs().addFile(u"C:\\r\\a.txt", bytes("a"), T1);              // the same file, new streams:
    run.fs().addStream(u"C:\\r\\a.txt", u"s", bytes("two"));        // same size, only the digest tells
    run.fs().addStream(u"C:\\r\\a.txt", u"new", bytes("n"));
    const std::size_t mark = run.sink.statuses().size();
    ASSERT_EQ(run.scan(true, {{u"C:\\r", MODE_COMPLETE}}, false, false), 0u);
    EXPECT_EQ(run.reports(), (std::vector<std::string>{"FileChanged C:\\r\\a.txt:s", "FileAdded C:\\r\\a.txt:new",
                                                       "FileRemoved a.txt:old | C:\\r\\a.txt:old"}));
    // A changed stream is shown on line 6, unlike everything else.
    std::vector<std::string> running;
    for (const auto& s : run.statusesFrom(mark))
        if (s.mode == STATUS_RUNNING) running.push_back(std::to_string(s.line) + " " + s.text);
    EXPECT_EQ(running, (std::vector<std::string>{"6 C:\\r\\a.txt:s", "7 C:\\r\\a.txt:new",
                                                 "7 File a.txt:old C:\\r\\a.txt:old"}));
}

TEST(FileSystemScanner, NewRootAndUnknownDirectoriesAreNotLookedUp) {
    ScanRun run;
    run.fs().addFile(u"C:\\r\\a", bytes("a"));
    ASSERT_EQ(run.scan(false, {{u"C:\\r", MODE_QUICK}}), 0u);
    run.fs().addFile(u"C:\\s\\x\\b", bytes("b"));
    ASSERT_EQ(run.scan(true, {{u"C:\\s", MODE_QUICK}, {u"C:\\r", MODE_QUICK}}), 0u);
    // The new root gives no report of its own; it was never pass 1's top-level node.
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
    EXPECT_EQ(run.reports(), (std::vector<std::string>{"DirAdded C:\\WINDOWS\\Prefetch\\sub",
                                                       "FileChanged C:\\WINDOWS\\kept.txt"}));
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
    // What was reported before the error stays; the removal of C:\r\gone is never reported.
    const std::vector<std::string> reports = run.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0], "FileAdded C:\\s\\new");
    for (const std::string& r : reports) EXPECT_EQ(r.find("FileRemoved"), std::string::npos) << r;
}

}  // namespace
}  // namespace pelorin
