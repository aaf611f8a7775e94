#include "runtime/file_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "platform/platform.h"
#include "runtime/md5.h"

namespace pelorin {
namespace {

std::vector<u8> randomBytes(std::size_t n) {
    std::mt19937 random(static_cast<unsigned>(n));
    std::vector<u8> bytes(n);
    for (u8& b : bytes) b = static_cast<u8>(random());
    return bytes;
}

bool isZero(const u8* digest) {
    return std::all_of(digest, digest + MD5_DIGEST_SIZE, [](u8 b) { return b == 0; });
}

TEST(FileDigest, MatchesTheDigestOfTheWholeContents) {
    platform::MemoryFileSystem files;
    platform::ScopedPlatform installed({&files, nullptr, nullptr});
    for (std::size_t size : {0u, 1u, 32767u, 32768u, 32769u, 65536u, 100000u}) {
        std::vector<u8> bytes = randomBytes(size);
        files.putFile(u"C:\\f.bin", bytes);
        u8 expected[MD5_DIGEST_SIZE], digest[MD5_DIGEST_SIZE];
        Md5Engine::computeDigest(bytes.data(), bytes.size(), expected);
        ASSERT_EQ(computeFileDigest(u"C:\\f.bin", digest), 0u) << size;
        EXPECT_EQ(std::memcmp(digest, expected, MD5_DIGEST_SIZE), 0) << size;
    }
}

TEST(FileDigest, OpenErrors) {
    platform::MemoryFileSystem files;
    files.putFile(u"C:\\locked.bin", {1, 2, 3}).openError = 32;
    u8 digest[MD5_DIGEST_SIZE];
    std::memset(digest, 0xAA, sizeof digest);
    EXPECT_EQ(computeFileDigest(files, u"C:\\locked.bin", digest), 32u);
    EXPECT_TRUE(isZero(digest));
    EXPECT_EQ(computeFileDigest(files, u"C:\\missing.bin", digest), 2u);
}

// A file of endless 'x' whose reads fail with code 33 after the first; it records the sizes asked for.
struct FailingFileSystem : platform::MemoryFileSystem {
    struct FailingFile : platform::File {
        explicit FailingFile(std::vector<u32>& asked) : asked(asked) {}
        u32 read(void* buffer, u32 size, u32& got) override {
            asked.push_back(size);
            got = asked.size() == 1 ? size : 0;
            std::memset(buffer, 'x', got);
            return asked.size() == 1 ? 0 : 33;
        }
        u32 write(const void*, u32, u32& written) override { return written = 0, 5; }
        u32 seek(u64) override { return 5; }
        u32 size(u64& out) override { return out = 0, 5; }
        u32 setEndOfFile() override { return 5; }
        std::vector<u32>& asked;
    };
    u32 openForReading(const char16_t*, std::unique_ptr<platform::File>& out) override {
        out = std::make_unique<FailingFile>(asked);
        return 0;
    }
    std::vector<u32> asked;
};

TEST(FileDigest, ReadErrorIsPassedOn) {
    FailingFileSystem files;
    u8 digest[MD5_DIGEST_SIZE];
    EXPECT_EQ(computeFileDigest(files, u"f", digest), 33u);
    EXPECT_TRUE(isZero(digest));
    EXPECT_EQ(files.asked, (std::vector<u32>{32768, 32768}));
}

}  // namespace
}  // namespace pelorin
