// Placeholder packer: replaced by the real packer with its LZARI encoder.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "build") == 0) {
        std::ofstream(argv[2], std::ios::binary) << "Rsrc";
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "append") == 0) {
        std::ifstream image(argv[2], std::ios::binary), container(argv[3], std::ios::binary);
        std::vector<char> a((std::istreambuf_iterator<char>(image)), {});
        std::vector<char> b((std::istreambuf_iterator<char>(container)), {});
        std::ofstream out(argv[4], std::ios::binary);
        out.write(a.data(), a.size());
        out.write(b.data(), b.size());
        return 0;
    }
    std::fprintf(stderr, "usage: pelorin-respack build <out> <dir> | append <exe> <container> <out>\n");
    return 2;
}
