// libFuzzer target: arbitrary bytes loaded as a snapshot file. Whatever the reader accepts must
// be a sound pair of trees: saving it and loading the result gives the same file again, and the
// walks over it (saving, reporting removals, building paths) end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/run_options.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"
#include "snapshot/snapshot_file.h"
#include "snapshot/snapshot_tree.h"

namespace {

using namespace pelorin;

bool noStrings(char* buffer, u32 capacity, u32, bool) {
    if (capacity) buffer[0] = 0;
    return false;
}

struct Fixture {
    platform::MemoryFileSystem files;
    platform::MemoryRegistry registry;
    platform::MemorySystem system;
    platform::ScopedPlatform scope{platform::Platform{&files, &registry, &system}};
    // Built once: readTree replaces their contents on every load.
    SnapshotTree registryTree{nullptr, TREE_REGISTRY, &noStrings};
    SnapshotTree fileSystemTree{nullptr, TREE_FILE_SYSTEM, &noStrings};
    SnapshotTree registryAgain{nullptr, TREE_REGISTRY, &noStrings};
    SnapshotTree fileSystemAgain{nullptr, TREE_FILE_SYSTEM, &noStrings};
};

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture* f = new Fixture;  // lives for the process, like the program's platform
    f->files.putFile(u"C:\\in.sna", std::vector<u8>(data, data + size));
    RunOptions options;
    const u32 code = loadSnapshotFile("C:\\in.sna", f->registryTree, f->fileSystemTree, options);
    require(code == ERR_OK || code == ERR_BAD_FORMAT || code == ERR_READ || code == ERR_BAD_VALUE ||
            code == ERR_NO_MEMORY);
    if (code != ERR_OK) return 0;

    require(saveSnapshotFile(nullptr, "C:\\first.sna", f->registryTree, f->fileSystemTree, options));
    RunOptions optionsAgain;
    require(loadSnapshotFile("C:\\first.sna", f->registryAgain, f->fileSystemAgain, optionsAgain) == ERR_OK);
    require(saveSnapshotFile(nullptr, "C:\\second.sna", f->registryAgain, f->fileSystemAgain, optionsAgain));
    require(f->files.findFile(u"C:\\first.sna")->bytes == f->files.findFile(u"C:\\second.sna")->bytes);

    for (SnapshotTree* tree : {&f->registryTree, &f->fileSystemTree}) {
        u32 removed = 0;
        tree->reportUnseen(nullptr, "removed", &removed);
        require(removed <= tree->nodeCount());
    }
    return 0;
}
