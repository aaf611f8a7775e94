#include "runtime/file_digest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "platform/platform.h"
#include "runtime/md5.h"

namespace pelorin {
namespace {

std::vector<u8> randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<u8> bytes(n);
    for (u8& b : bytes) b = static_cast<u8>(random());
    return bytes;
}

TEST(FileDigest, MatchesTheDigestOfTheWholeContents) {
    platform::MemoryFileSystem files;
    platform::ScopedPlatform installed({&files, nullptr, nullptr});
    for (std::size_t size : {0u, 1u, 32767u, 32768u, 32769u, 65536u, 100000u}) {
        std::vector<u8> bytes = randomBytes(size, static_cast<unsigned>(size));
        files.putFile(u"C:\\f.bin", bytes);
        u8 expected[MD5_DIGEST_SIZE];
        Md5Engine::computeDigest(bytes.data(), bytes.size(), expected);
        u8 digest[MD5_DIGEST_SIZE];
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
    EXPECT_EQ(computeFileDigest(files, u"C:\\missing.bin", digest), 2u);
    for (u8 b : digest) EXPECT_EQ(b, 0);
}

// A file that gives at most `chunk` bytes per read and fails with `error` after `failAfter` reads.
class ScriptedFile : public platform::File {
public:
    ScriptedFile(std::vector<u8> bytes, u32 chunk, u32 failAfter, u32 error, std::vector<u32>& asked)
        : bytes_(std::move(bytes)), chunk_(chunk), failAfter_(failAfter), error_(error), asked_(asked) {}
    u32 read(void* buffer, u32 size, u32& got) override {
        asked_.push_back(size);
        got = 0;
        if (asked_.size() > failAfter_) return error_;
        std::size_t left = bytes_.size() - position_;
        got = static_cast<u32>(std::min<std::size_t>({left, size, chunk_}));
        std::memcpy(buffer, bytes_.data() + position_, got);
        position_ += got;
        return 0;
    }
    u32 write(const void*, u32, u32& written) override { return written = 0, 5; }
    u32 seek(u64) override { return 5; }
    u32 size(u64& out) override { return out = bytes_.size(), 0; }
    u32 setEndOfFile() override { return 5; }

private:
    std::vector<u8> bytes_;
    std::size_t position_ = 0;
    u32 chunk_, failAfter_, error_;
    std::vector<u32>& asked_;
};

class ScriptedFileSystem : public platform::FileSystem {
public:
    u32 openForReading(const char16_t*, std::unique_ptr<platform::File>& out) override {
        out = std::make_unique<ScriptedFile>(bytes, chunk, failAfter, error, asked);
        return 0;
    }
    std::vector<u8> bytes;
    u32 chunk = 0xFFFFFFFF;
    u32 failAfter = 0xFFFFFFFF;
    u32 error = 0;
    std::vector<u32> asked;
};

TEST(FileDigest, ReadsInPiecesAndPassesReadErrorsOn) {
    std::vector<u8> bytes = randomBytes(70000, 5);
    u8 expected[MD5_DIGEST_SIZE];
    Md5Engine::computeDigest(bytes.data(), bytes.size(), expected);
    u8 digest[MD5_DIGEST_SIZE];

    ScriptedFileSystem whole;
    whole.bytes = bytes;
    ASSERT_EQ(computeFileDigest(whole, u"f", digest), 0u);
    EXPECT_EQ(std::memcmp(digest, expected, MD5_DIGEST_SIZE), 0);
    EXPECT_EQ(whole.asked, (std::vector<u32>{32768, 32768, 32768, 32768}));  // the last read finds the end

    ScriptedFileSystem shortReads;  // reads that give less than asked are not the end
    shortReads.bytes = bytes;
    shortReads.chunk = 1000;
    ASSERT_EQ(computeFileDigest(shortReads, u"f", digest), 0u);
    EXPECT_EQ(std::memcmp(digest, expected, MD5_DIGEST_SIZE), 0);

    ScriptedFileSystem failing;
    failing.bytes = bytes;
    failing.failAfter = 1;
    failing.error = 33;
    EXPECT_EQ(computeFileDigest(failing, u"f", digest), 33u);
    for (u8 b : digest) EXPECT_EQ(b, 0);
}

}  // namespace
}  // namespace pelorin
