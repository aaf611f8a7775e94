#include "runtime/file_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/memory/memory_platform.h"
#include "runtime/allocation_hook.h"

namespace pelorin {
namespace {

std::vector<u8> pattern(u32 n) {
    std::vector<u8> v(n);
    for (u32 i = 0; i < n; ++i) v[i] = static_cast<u8>(i * 31 + (i >> 8));
    return v;
}

std::unique_ptr<FileStream> makeStream(const char* name) {
    std::unique_ptr<FileStream> s;
    EXPECT_EQ(FileStream::create(name, s), 0u);
    return s;
}

TEST(FileStream, CreateRefusesEmptyNamesAndMissingMemory) {
    platform::MemoryPlatform p;
    std::unique_ptr<FileStream> s;
    EXPECT_EQ(FileStream::create("", s), ERR_ACCESS_DENIED);
    EXPECT_EQ(FileStream::create(nullptr, s), ERR_ACCESS_DENIED);
    for (u64 failAt = 1; failAt <= 3; ++failAt) {  // the object, its name, its buffer
        AllocationFailureScope scope(failAt);
        EXPECT_EQ(FileStream::create("C:\\a", s), ERR_NO_MEMORY) << failAt;
        EXPECT_EQ(s, nullptr);
    }
}

// Data written and read in pieces of every kind of size against buffers of the allocation
// granularity (64 KiB when the system reports 0) come back whole, and position and size follow
// the data, buffered or not.
TEST(FileStream, PiecesAcrossBufferBoundaries) {
    const std::vector<u8> data = pattern(5000);
    for (u32 buffer : {1u, 7u, 16u, 4096u, 0u}) {
        for (u32 piece : {1u, 5u, 16u, 17u, 1000u, 5000u}) {
            platform::MemoryPlatform p;
            p.system.allocationGranularityValue = buffer;
            auto out = makeStream("C:\\f.bin");
            EXPECT_EQ(out->bufferSize(), buffer ? buffer : FILE_STREAM_DEFAULT_BUFFER);
            ASSERT_EQ(out->openForWriting(), 0u);
            for (u32 at = 0; at < data.size(); at += piece) {
                ASSERT_EQ(out->write(data.data() + at, std::min<u32>(piece, 5000 - at)), 0u);
                u64 position = 0, size = 0;
                ASSERT_EQ(out->position(position), 0u);
                ASSERT_EQ(out->size(size), 0u);
                EXPECT_EQ(position, std::min<u32>(at + piece, 5000));
                EXPECT_EQ(size, position);
            }
            ASSERT_EQ(out->close(), 0u);
            ASSERT_EQ(p.fileSystem.findFile(u"C:\\f.bin")->bytes, data) << buffer << " " << piece;

            auto in = makeStream("C:\\f.bin");
            ASSERT_EQ(in->openForReading(), 0u);
            std::vector<u8> back(data.size());
            for (u32 at = 0; at < back.size(); at += piece)
                ASSERT_EQ(in->read(back.data() + at, std::min<u32>(piece, 5000 - at)), 0u);
            EXPECT_EQ(back, data) << buffer << " " << piece;
            u64 position = 0;
            in->position(position);
            EXPECT_EQ(position, 5000u);
            u8 extra = 0;
            EXPECT_EQ(in->read(&extra, 1), ERR_READ);
        }
    }
}

TEST(FileStream, ShortReadFailsAndTheCodeSticks) {
    platform::MemoryPlatform p;
    p.fileSystem.putFile(u"C:\\f", {1, 2, 3});
    auto s = makeStream("C:\\f");
    ASSERT_EQ(s->openForReading(), 0u);
    u8 b[4];
    EXPECT_EQ(s->read(b, 4), ERR_READ);
    EXPECT_EQ(s->error(), ERR_READ);
    EXPECT_EQ(s->read(b, 1), ERR_READ);  // bytes are there, but the stream has failed
    EXPECT_EQ(s->close(), ERR_READ);
}

TEST(FileStream, OpenErrorsAreTheSystemCodes) {
    platform::MemoryPlatform p;
    p.fileSystem.putFile(u"C:\\locked", {1}).openError = 32;
    EXPECT_EQ(makeStream("C:\\missing")->openForReading(), 2u);
    EXPECT_EQ(makeStream("C:\\locked")->openForReading(), 32u);
    EXPECT_EQ(makeStream("C:\\no\\such\\dir.bin")->openForWriting(), 3u);
    auto s = makeStream("C:\\missing");
    u8 b = 0;
    EXPECT_EQ(s->write(&b, 1), ERR_NOT_OPEN);
}

// Replacing an existing file: a hidden one loses its attribute and is replaced; a read-only one,
// or a hidden system file, is refused and keeps its contents.
TEST(FileStream, ReplacingExistingFiles) {
    struct Case {
        u32 attributes;
        u32 expected;
        u32 attributesAfter;
    };
    const Case cases[] = {
        {0x20, 0, 0x20},
        {0x22, 0, 0x20},         // hidden: retried without the attribute
        {0x21, 5, 0x21},         // read-only
        {0x26, 5, 0x24},         // hidden and system: the retry fails on the system attribute
    };
    for (const Case& c : cases) {
        platform::MemoryPlatform p;
        p.fileSystem.putFile(u"C:\\s.sna", pattern(100)).attributes = c.attributes;
        auto s = makeStream("c:\\S.SNA");
        EXPECT_EQ(s->openForWriting(), c.expected) << c.attributes;
        if (c.expected == 0) {
            EXPECT_EQ(s->write("ab", 2), 0u);
            EXPECT_EQ(s->close(), 0u);
        }
        auto* f = p.fileSystem.findFile(u"C:\\s.sna");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->attributes, c.attributesAfter) << c.attributes;
        EXPECT_EQ(f->bytes, (c.expected ? pattern(100) : std::vector<u8>{'a', 'b'})) << c.attributes;
    }
}

TEST(FileStream, DestructorWritesOut) {
    platform::MemoryPlatform p;
    {
        auto s = makeStream("C:\\f");
        ASSERT_EQ(s->openForWriting(), 0u);
        ASSERT_EQ(s->writeU32(0xA5C20001), 0u);
    }
    EXPECT_EQ(p.fileSystem.findFile(u"C:\\f")->bytes, (std::vector<u8>{0x01, 0x00, 0xC2, 0xA5}));
}

}  // namespace
}  // namespace pelorin
