// pelorin-respack: builds the resource container from the text sources and appends it to the
// executable.
//   pelorin-respack build <out.rsc> <resources-dir>
//   pelorin-respack append <image.exe> <container> <out.exe>
//   pelorin-respack lzari <in> <out>       (a bare LZARI stream, for test inputs)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "respack/container_writer.h"
#include "respack/lzari_encoder.h"
#include "respack/text_source.h"

namespace {

using namespace pelorin::respack;
namespace fs = std::filesystem;

constexpr std::uint16_t TYPE_STRING_BLOCK = 2;
constexpr std::uint16_t TYPE_MENU_TEMPLATE = 7;

bool readFile(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

bool readBytes(const fs::path& path, std::vector<std::uint8_t>& out) {
    std::string s;
    if (!readFile(path, s)) return false;
    out.assign(s.begin(), s.end());
    return true;
}

// Writes beside the target and renames, so a failed run never leaves a half-written output.
bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pelorin-respack: %s\n", message.c_str());
    return 1;
}

int build(const fs::path& outPath, const fs::path& dir) {
    const fs::path manifestPath = dir / "container.txt";
    std::string text, error;
    if (!readFile(manifestPath, text)) return fail("cannot read " + manifestPath.string());
    std::vector<ManifestEntry> manifest;
    if (!parseManifest(text, manifestPath.string(), manifest, error)) return fail(error);

    std::vector<ContainerEntry> entries;
    for (const ManifestEntry& m : manifest) {
        const fs::path source = dir / m.file;
        if (!readFile(source, text)) return fail("cannot read " + source.string());
        if (m.kind == ManifestEntry::STRINGS) {
            std::vector<StringRecord> records;
            if (!parseStringTable(text, source.string(), records, error)) return fail(error);
            entries.push_back(packedEntry(TYPE_STRING_BLOCK, m.language, m.group, encodeStringBlock(records)));
        } else {
            std::vector<MenuResource> menus;
            if (!parseMenus(text, source.string(), menus, error)) return fail(error);
            for (const MenuResource& menu : menus) {
                entries.push_back(packedEntry(TYPE_MENU_TEMPLATE, m.language, menu.id, menu.payload));
            }
        }
    }
    if (!writeFile(outPath, writeContainer(entries))) return fail("cannot write " + outPath.string());
    return 0;
}

int append(const fs::path& imagePath, const fs::path& containerPath, const fs::path& outPath) {
    std::vector<std::uint8_t> image, container;
    if (!readBytes(imagePath, image)) return fail("cannot read " + imagePath.string());
    if (!readBytes(containerPath, container)) return fail("cannot read " + containerPath.string());
    if (image.empty()) return fail(imagePath.string() + " is empty");
    if (container.size() < 4 || std::memcmp(container.data(), "Rsrc", 4) != 0) {
        return fail(containerPath.string() + " is not a resource container");
    }
    if (!writeFile(outPath, appendContainer(image, container))) return fail("cannot write " + outPath.string());
    std::error_code ec;
    fs::permissions(outPath, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    return 0;
}

int packStream(const fs::path& inPath, const fs::path& outPath) {
    std::vector<std::uint8_t> data;
    if (!readBytes(inPath, data)) return fail("cannot read " + inPath.string());
    if (!writeFile(outPath, encodeLzari(data))) return fail("cannot write " + outPath.string());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "build" && argc == 4) return build(argv[2], argv[3]);
    if (command == "append" && argc == 5) return append(argv[2], argv[3], argv[4]);
    if (command == "lzari" && argc == 4) return packStream(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: pelorin-respack build <out.rsc> <resources-dir>\n"
                 "       pelorin-respack append <image.exe> <container> <out.exe>\n"
                 "       pelorin-respack lzari <in> <out>\n");
    return 2;
}
