#pragma once
// Helpers shared by the runtime's unit tests.
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace pelorin::test {

inline std::vector<u8> bytesOf(const std::string& s) { return std::vector<u8>(s.begin(), s.end()); }

// The path of a file of the build or source tree as the test program sees it: under Wine a
// Unix path is reached through drive Z:.
inline std::string hostPath(const std::string& path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') return "Z:" + path;
#endif
    return path;
}

inline bool readHostFile(const std::string& path, std::vector<u8>& out) {
    out.clear();
    std::FILE* f = std::fopen(hostPath(path).c_str(), "rb");
    if (!f) return false;
    u8 buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

}  // namespace pelorin::test
