#include "runtime/md5.h"

#include <bit>
#include <cstring>

#include "runtime/format.h"

namespace pelorin {
namespace {

// MD5 reads its message as little-endian words; on such machines that is a plain load.
inline u32 loadLittle(const u8* p) {
    if constexpr (std::endian::native == std::endian::little) {
        u32 word;
        std::memcpy(&word, p, 4);
        return word;
    } else {
        return u32{p[0]} | u32{p[1]} << 8 | u32{p[2]} << 16 | u32{p[3]} << 24;
    }
}

inline void storeLittle(u8* p, u32 word) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<u8>(word >> (8 * i));
}

// The four rounds, written out step by step. Each step adds the message word and constant to a
// first, off the chain that waits for b; the auxiliary functions are the cheaper equivalent forms
// (F as d ^ (b & (c ^ d)), G as the sum of two disjoint masks).
#define PELORIN_MD5_F(a, b, c, d, x, s, k)      \
    a += (x) + (k);                             \
    a += (d) ^ ((b) & ((c) ^ (d)));             \
    a = std::rotl(a, s) + (b)
#define PELORIN_MD5_G(a, b, c, d, x, s, k)      \
    a += (x) + (k);                             \
    a += (c) & ~(d);                            \
    a += (b) & (d);                             \
    a = std::rotl(a, s) + (b)
#define PELORIN_MD5_H(a, b, c, d, x, s, k)      \
    a += (x) + (k);                             \
    a += (b) ^ (c) ^ (d);                       \
    a = std::rotl(a, s) + (b)
#define PELORIN_MD5_I(a, b, c, d, x, s, k)      \
    a += (x) + (k);                             \
    a += (c) ^ ((b) | ~(d));                    \
    a = std::rotl(a, s) + (b)

}  // namespace

void Md5Engine::compressBlocks(const u8* blocks, std::size_t count) {
    u32 a = state_[0];
    u32 b = state_[1];
    u32 c = state_[2];
    u32 d = state_[3];
    for (; count; --count, blocks += 64) {
        const u32 x0 = loadLittle(blocks + 0), x1 = loadLittle(blocks + 4), x2 = loadLittle(blocks + 8),
                  x3 = loadLittle(blocks + 12), x4 = loadLittle(blocks + 16), x5 = loadLittle(blocks + 20),
                  x6 = loadLittle(blocks + 24), x7 = loadLittle(blocks + 28), x8 = loadLittle(blocks + 32),
                  x9 = loadLittle(blocks + 36), x10 = loadLittle(blocks + 40), x11 = loadLittle(blocks + 44),
                  x12 = loadLittle(blocks + 48), x13 = loadLittle(blocks + 52), x14 = loadLittle(blocks + 56),
                  x15 = loadLittle(blocks + 60);
        const u32 aa = a, bb = b, cc = c, dd = d;

        PELORIN_MD5_F(a, b, c, d, x0, 7, 0xd76aa478);
        PELORIN_MD5_F(d, a, b, c, x1, 12, 0xe8c7b756);
        PELORIN_MD5_F(c, d, a, b, x2, 17, 0x242070db);
        PELORIN_MD5_F(b, c, d, a, x3, 22, 0xc1bdceee);
        PELORIN_MD5_F(a, b, c, d, x4, 7, 0xf57c0faf);
        PELORIN_MD5_F(d, a, b, c, x5, 12, 0x4787c62a);
        PELORIN_MD5_F(c, d, a, b, x6, 17, 0xa8304613);
        PELORIN_MD5_F(b, c, d, a, x7, 22, 0xfd469501);
        PELORIN_MD5_F(a, b, c, d, x8, 7, 0x698098d8);
        PELORIN_MD5_F(d, a, b, c, x9, 12, 0x8b44f7af);
        PELORIN_MD5_F(c, d, a, b, x10, 17, 0xffff5bb1);
        PELORIN_MD5_F(b, c, d, a, x11, 22, 0x895cd7be);
        PELORIN_MD5_F(a, b, c, d, x12, 7, 0x6b901122);
        PELORIN_MD5_F(d, a, b, c, x13, 12, 0xfd987193);
        PELORIN_MD5_F(c, d, a, b, x14, 17, 0xa679438e);
        PELORIN_MD5_F(b, c, d, a, x15, 22, 0x49b40821);

        PELORIN_MD5_G(a, b, c, d, x1, 5, 0xf61e2562);
        PELORIN_MD5_G(d, a, b, c, x6, 9, 0xc040b340);
        PELORIN_MD5_G(c, d, a, b, x11, 14, 0x265e5a51);
        PELORIN_MD5_G(b, c, d, a, x0, 20, 0xe9b6c7aa);
        PELORIN_MD5_G(a, b, c, d, x5, 5, 0xd62f105d);
        PELORIN_MD5_G(d, a, b, c, x10, 9, 0x02441453);
        PELORIN_MD5_G(c, d, a, b, x15, 14, 0xd8a1e681);
        PELORIN_MD5_G(b, c, d, a, x4, 20, 0xe7d3fbc8);
        PELORIN_MD5_G(a, b, c, d, x9, 5, 0x21e1cde6);
        PELORIN_MD5_G(d, a, b, c, x14, 9, 0xc33707d6);
        PELORIN_MD5_G(c, d, a, b, x3, 14, 0xf4d50d87);
        PELORIN_MD5_G(b, c, d, a, x8, 20, 0x455a14ed);
        PELORIN_MD5_G(a, b, c, d, x13, 5, 0xa9e3e905);
        PELORIN_MD5_G(d, a, b, c, x2, 9, 0xfcefa3f8);
        PELORIN_MD5_G(c, d, a, b, x7, 14, 0x676f02d9);
        PELORIN_MD5_G(b, c, d, a, x12, 20, 0x8d2a4c8a);

        PELORIN_MD5_H(a, b, c, d, x5, 4, 0xfffa3942);
        PELORIN_MD5_H(d, a, b, c, x8, 11, 0x8771f681);
        PELORIN_MD5_H(c, d, a, b, x11, 16, 0x6d9d6122);
        PELORIN_MD5_H(b, c, d, a, x14, 23, 0xfde5380c);
        PELORIN_MD5_H(a, b, c, d, x1, 4, 0xa4beea44);
        PELORIN_MD5_H(d, a, b, c, x4, 11, 0x4bdecfa9);
        PELORIN_MD5_H(c, d, a, b, x7, 16, 0xf6bb4b60);
        PELORIN_MD5_H(b, c, d, a, x10, 23, 0xbebfbc70);
        PELORIN_MD5_H(a, b, c, d, x13, 4, 0x289b7ec6);
        PELORIN_MD5_H(d, a, b, c, x0, 11, 0xeaa127fa);
        PELORIN_MD5_H(c, d, a, b, x3, 16, 0xd4ef3085);
        PELORIN_MD5_H(b, c, d, a, x6, 23, 0x04881d05);
        PELORIN_MD5_H(a, b, c, d, x9, 4, 0xd9d4d039);
        PELORIN_MD5_H(d, a, b, c, x12, 11, 0xe6db99e5);
        PELORIN_MD5_H(c, d, a, b, x15, 16, 0x1fa27cf8);
        PELORIN_MD5_H(b, c, d, a, x2, 23, 0xc4ac5665);

        PELORIN_MD5_I(a, b, c, d, x0, 6, 0xf4292244);
        PELORIN_MD5_I(d, a, b, c, x7, 10, 0x432aff97);
        PELORIN_MD5_I(c, d, a, b, x14, 15, 0xab9423a7);
        PELORIN_MD5_I(b, c, d, a, x5, 21, 0xfc93a039);
        PELORIN_MD5_I(a, b, c, d, x12, 6, 0x655b59c3);
        PELORIN_MD5_I(d, a, b, c, x3, 10, 0x8f0ccc92);
        PELORIN_MD5_I(c, d, a, b, x10, 15, 0xffeff47d);
        PELORIN_MD5_I(b, c, d, a, x1, 21, 0x85845dd1);
        PELORIN_MD5_I(a, b, c, d, x8, 6, 0x6fa87e4f);
        PELORIN_MD5_I(d, a, b, c, x15, 10, 0xfe2ce6e0);
        PELORIN_MD5_I(c, d, a, b, x6, 15, 0xa3014314);
        PELORIN_MD5_I(b, c, d, a, x13, 21, 0x4e0811a1);
        PELORIN_MD5_I(a, b, c, d, x4, 6, 0xf7537e82);
        PELORIN_MD5_I(d, a, b, c, x11, 10, 0xbd3af235);
        PELORIN_MD5_I(c, d, a, b, x2, 15, 0x2ad7d2bb);
        PELORIN_MD5_I(b, c, d, a, x9, 21, 0xeb86d391);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state_[0] = a;
    state_[1] = b;
    state_[2] = c;
    state_[3] = d;
}

#undef PELORIN_MD5_F
#undef PELORIN_MD5_G
#undef PELORIN_MD5_H
#undef PELORIN_MD5_I

void Md5Engine::init() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    length_ = 0;
    std::memset(digest_, 0, sizeof digest_);
    hexText_[0] = '\0';
}

void Md5Engine::update(const void* data, std::size_t length) {
    if (length == 0) return;
    const u8* p = static_cast<const u8*>(data);
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    length_ += length;
    if (used) {
        std::size_t take = 64 - used < length ? 64 - used : length;
        std::memcpy(pending_ + used, p, take);
        p += take;
        length -= take;
        if (used + take < 64) return;
        compressBlocks(pending_, 1);
    }
    // Whole blocks straight from the caller's memory, without copying.
    compressBlocks(p, length / 64);
    p += length & ~std::size_t{63};
    if (length % 64) std::memcpy(pending_, p, length % 64);
}

void Md5Engine::finalize() {
    u64 bits = length_ * 8;
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    // 0x80, zeros up to 56 bytes in the last block (one block more when there is no room), and
    // the message length in bits, low word first.
    pending_[used++] = 0x80;
    if (used > 56) {
        std::memset(pending_ + used, 0, 64 - used);
        compressBlocks(pending_, 1);
        used = 0;
    }
    std::memset(pending_ + used, 0, 56 - used);
    storeLittle(pending_ + 56, static_cast<u32>(bits));
    storeLittle(pending_ + 60, static_cast<u32>(bits >> 32));
    compressBlocks(pending_, 1);
    for (u32 i = 0; i < 4; ++i) storeLittle(digest_ + 4 * i, state_[i]);
}

void Md5Engine::copyDigest(u8* out) const { std::memcpy(out, digest_, MD5_DIGEST_SIZE); }

const char* Md5Engine::buildHexText() {
    for (u32 i = 0; i < MD5_DIGEST_SIZE; ++i) {
        char pair[3];
        formatText(pair, sizeof pair, "%02X", digest_[i]);
        hexText_[2 * i] = static_cast<char>(pair[0] >= 'A' ? pair[0] - 'A' + 'a' : pair[0]);
        hexText_[2 * i + 1] = static_cast<char>(pair[1] >= 'A' ? pair[1] - 'A' + 'a' : pair[1]);
    }
    hexText_[2 * MD5_DIGEST_SIZE] = '\0';
    return hexText_;
}

void Md5Engine::computeDigest(const void* data, std::size_t length, u8* out) {
    Md5Engine engine;
    engine.update(data, length);
    engine.finalize();
    engine.copyDigest(out);
}

}  // namespace pelorin
