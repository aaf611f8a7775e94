// The command line is outside bytes: split it, take out the runtime switches and build the run
// options from it against an in-memory system, checking the limits the rest of the program
// relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/argument_list.h"
#include "app/run_options.h"
#include "platform/memory/memory_platform.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // GetCommandLineA ends at the first NUL.
    const std::string line(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));

    ArgumentList arguments;
    ArgumentList switches;
    splitCommandLine(line.c_str(), arguments);
    moveRuntimeSwitches(arguments, switches);
    if (arguments.count() > ArgumentList::CAPACITY || switches.count() > ArgumentList::CAPACITY) std::abort();
    for (u32 i = 0; i < arguments.count(); ++i) {
        const char* entry = arguments.at(i);
        if (std::strchr(entry, '"')) std::abort();  // quotes never reach an argument
        if (i > 0 && entry[0] == '-' && entry[1] == '~') std::abort();
    }

    platform::MemoryPlatform memory;
    memory.fileSystem.putDirectory(u"C:\\Data");
    memory.fileSystem.currentDirectory = "C:\\Work";
    skipMD5 = false;
    RunOptions options;
    buildRunOptions(arguments, options);
    for (const char* field : {options.snapshotFileName, options.setupFileName, options.resultFileName}) {
        if (strnlen(field, TEXT_FIELD_SIZE) >= TEXT_FIELD_SIZE) std::abort();
    }
    if (options.saveSnapshot && options.loadSnapshot) std::abort();
    for (u32 i = 0; i < options.directoryCount(); ++i) {
        const u32 mode = options.directoryAt(i)->mode;
        if (mode != MODE_QUICK && mode != MODE_COMPLETE) std::abort();
    }
    return 0;
}
