#pragma once
// MD5 message digest (RFC 1321): the digest of file contents and of large registry values.
#include <cstddef>

#include "runtime/types.h"

namespace pelorin {

constexpr u32 MD5_DIGEST_SIZE = 16;

class Md5Engine {
public:
    Md5Engine() { init(); }

    // Starts a new message; also what the constructor does.
    void init();
    void update(const void* data, std::size_t length);
    // Ends the message: pads it and fixes the digest. Call init() before the next message.
    void finalize();

    const u8* digest() const { return digest_; }
    void copyDigest(u8* out) const;
    // 32 lowercase hexadecimal digits of the digest, kept in the engine until the next call.
    const char* buildHexText();

    // The digest of one piece of memory.
    static void computeDigest(const void* data, std::size_t length, u8* out);

private:
    void compressBlocks(const u8* blocks, std::size_t count);

    u32 state_[4];
    u64 length_;  // bytes so far
    u8 pending_[64];
    u8 digest_[MD5_DIGEST_SIZE];
    char hexText_[2 * MD5_DIGEST_SIZE + 1];
};

}  // namespace pelorin
