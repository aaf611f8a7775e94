#include "runtime/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace pelorin {
namespace {

std::string hexOf(const std::string& message) {
    Md5Engine engine;
    engine.update(message.data(), message.size());
    engine.finalize();
    return engine.buildHexText();
}

TEST(Md5, KnownDigests) {
    struct Case {
        std::string message;
        const char* hex;
    };
    const Case cases[] = {
        // RFC 1321, appendix A.5
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // lengths around the padding boundaries (one or two final blocks)
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const Case& c : cases) EXPECT_EQ(hexOf(c.message), c.hex) << "length " << c.message.size();
}

TEST(Md5, DigestBytesAndReuse) {
    Md5Engine engine;
    engine.update("xyz", 3);
    engine.init();  // forgets the previous message, including a partly filled block
    engine.update("abc", 3);
    engine.finalize();
    const u8 expected[MD5_DIGEST_SIZE] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                          0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    u8 copied[MD5_DIGEST_SIZE];
    engine.copyDigest(copied);
    EXPECT_EQ(std::memcmp(copied, expected, MD5_DIGEST_SIZE), 0);
}

// The same bytes fed in random pieces give the digest of feeding them at once.
TEST(Md5, PiecesGiveTheSameDigest) {
    std::mt19937 random(99);
    std::vector<u8> data(5000);
    for (u8& b : data) b = static_cast<u8>(random());
    const std::size_t lengths[] = {0, 1, 55, 56, 63, 64, 65, 127, 128, 129, 1000, 5000};
    for (std::size_t length : lengths) {
        u8 whole[MD5_DIGEST_SIZE];
        Md5Engine::computeDigest(data.data(), length, whole);
        for (int round = 0; round < 20; ++round) {
            Md5Engine engine;
            std::size_t done = 0;
            while (done < length) {
                std::size_t piece = random() % (round % 2 ? 3 : 130);  // tiny and block-sized pieces
                if (piece > length - done) piece = length - done;
                engine.update(data.data() + done, piece);
                done += piece;
            }
            engine.finalize();
            ASSERT_EQ(std::memcmp(engine.digest(), whole, MD5_DIGEST_SIZE), 0) << "length " << length;
        }
    }
}

}  // namespace
}  // namespace pelorin
