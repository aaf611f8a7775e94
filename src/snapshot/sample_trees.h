#pragma once
// Snapshot trees in the manner of real ones, for the tests, the fuzz seeds and the benchmark:
// directories of files with size, attributes, time and some digests, alternate streams, and
// registry keys with values of small data or digests. Names mix ASCII, Latin-1 and Cyrillic and
// include the empty name of a key's default value.
#include <random>
#include <string>
#include <vector>

#include "snapshot/snapshot_tree.h"

namespace pelorin::samples {

inline std::u16string sampleName(std::mt19937& rng, bool withExtension) {
    static const char16_t* stems[] = {u"msvcp", u"kernel", u"setup", u"KB", u"Uninstall", u"readme", u"Caf\u00e9",
                                      u"\u041e\u0442\u0447\u0451\u0442", u"Display", u"Version", u"ntdll", u"driver"};
    static const char16_t* extensions[] = {u".dll", u".exe", u".sys", u".log", u".ini", u".dat", u".txt"};
    std::u16string name = stems[rng() % 12];
    for (char c : std::to_string(rng() % 100000)) name += static_cast<char16_t>(c);
    if (withExtension) name += extensions[rng() % 7];
    return name;
}

// About `nodes` nodes below two top-level directories, directories up to four levels deep.
inline void fillFileSystemTree(SnapshotTree& tree, u32 nodes, u32 seed) {
    std::mt19937 rng(seed);
    std::vector<SnapshotNode*> directories;
    for (const char16_t* root : {u"C:\\WINDOWS", u"C:\\Program Files\\Common Files"})
        directories.push_back(tree.addNode(0, false, nullptr, root, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
    std::vector<u32> depth = {0, 0};
    for (u32 made = 2; made < nodes; ++made) {
        const u32 at = rng() % directories.size();
        SnapshotNode* parent = directories[at];
        const std::u16string name = sampleName(rng, rng() % 8 != 0);
        u64 time = 0x01D9000000000000ull + rng();
        u16 attributes = static_cast<u16>(rng() % 8 == 0 ? 0x10 : 0x20);
        if (attributes == 0x10 && depth[at] < 4) {
            u64 zero = 0;
            SnapshotNode* d = tree.addNode(0, false, parent, name.c_str(), nullptr, &zero, &attributes, &time, nullptr, 0);
            directories.push_back(d);
            depth.push_back(depth[at] + 1);
            continue;
        }
        u64 size = rng() % 3000000;
        u8 digest[16];
        for (u8& b : digest) b = static_cast<u8>(rng());
        attributes = 0x20;
        SnapshotNode* file = tree.addNode(0, true, parent, name.c_str(), rng() % 4 == 0 ? digest : nullptr, &size,
                                          &attributes, &time, nullptr, 0);
        if (rng() % 50 == 0 && ++made < nodes) {
            u64 streamSize = 26;
            const std::u16string stream = name + u":Zone.Identifier:$DATA";
            tree.addNode(0, true, file, stream.c_str(), nullptr, &streamSize, nullptr, nullptr, nullptr, 0);
        }
    }
}

// About `nodes` nodes below HKEY_LOCAL_MACHINE and HKEY_USERS: keys of a few values each.
inline void fillRegistryTree(SnapshotTree& tree, u32 nodes, u32 seed) {
    std::mt19937 rng(seed);
    std::vector<SnapshotNode*> keys;
    for (const char16_t* root : {u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"})
        keys.push_back(tree.addNode(0, false, nullptr, root, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
    for (u32 made = 2; made < nodes; ++made) {
        SnapshotNode* parent = keys[rng() % keys.size()];
        if (rng() % 6 == 0) {
            const std::u16string name = sampleName(rng, false);
            keys.push_back(tree.addNode(0, false, parent, name.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, 0));
            continue;
        }
        const std::u16string name = rng() % 10 == 0 ? std::u16string() : sampleName(rng, false);
        u8 data[16];
        for (u8& b : data) b = static_cast<u8>(rng());
        const u32 length = rng() % 20;
        const u8 type = static_cast<u8>(rng() % 3 == 0 ? 4 : 1);
        if (length >= 16) {
            tree.addNode(type, true, parent, name.c_str(), data, nullptr, nullptr, nullptr, nullptr, 0);
        } else {
            tree.addNode(type, true, parent, name.c_str(), nullptr, nullptr, nullptr, nullptr, data, length);
        }
    }
}

}  // namespace pelorin::samples
