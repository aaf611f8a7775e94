#pragma once
// The whole in-memory platform, installed for the life of the object (tests).
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/platform.h"

namespace pelorin::platform {

class MemoryPlatform {
public:
    MemoryPlatform() : scope_(Platform{&fileSystem, &registry, &system}) {}

    MemoryFileSystem fileSystem;
    MemoryRegistry registry;
    MemorySystem system;

private:
    ScopedPlatform scope_;
};

}  // namespace pelorin::platform
