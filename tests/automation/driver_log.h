#pragma once
// The log a window-test driver writes for its script: one line per event, flushed at once so
// the script can wait for a line while the driver runs.
#include <cstdio>
#include <string>

namespace pelorin::test {

inline std::FILE* gLog = nullptr;

inline void logLine(const std::string& line) {
    if (!gLog) return;
    std::fprintf(gLog, "%s\n", line.c_str());
    std::fflush(gLog);
}

// Stands in for the shell: what would have been opened is logged instead.
inline bool logOpen(const char* target) {
    logLine(std::string("open ") + target);
    return true;
}

}  // namespace pelorin::test
