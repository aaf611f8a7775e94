#include "runtime/lzari.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "respack/lzari_encoder.h"
#include "runtime/test_support.h"

namespace pelorin {
namespace {

using respack::encodeLzari;
using test::bytesOf;

u32 decode(const std::vector<u8>& packed, std::vector<u8>& out, u32 size) {
    out.assign(size, 0xEE);
    return decodeLzari(packed.data(), static_cast<u32>(packed.size()), out.data(), size);
}

std::vector<u8> randomBytes(std::size_t n, u32 seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    std::vector<u8> v(n);
    for (u8& b : v) b = static_cast<u8>(rng() % alphabet);
    return v;
}

std::vector<u8> realTable(const char* name) {
    std::vector<u8> text;
    EXPECT_TRUE(test::readHostFile(std::string(PELORIN_SOURCE_DIR) + "/resources/" + name, text)) << name;
    return text;
}

TEST(Lzari, RoundTripsEveryKindOfInput) {
    std::vector<u8> allBytes(256 * 3);
    for (std::size_t i = 0; i < allBytes.size(); ++i) allBytes[i] = static_cast<u8>(i * 7);
    std::vector<u8> periodic;
    for (int i = 0; i < 9000; ++i) periodic.push_back(static_cast<u8>("abcdefghij"[i % 10]));
    // Repeats just inside and just outside the ring's reach.
    std::vector<u8> farRepeat = randomBytes(300, 9);
    const std::vector<u8> filler1 = randomBytes(4095 - 300, 10);
    farRepeat.insert(farRepeat.end(), filler1.begin(), filler1.end());
    farRepeat.insert(farRepeat.end(), farRepeat.begin(), farRepeat.begin() + 300);
    const std::vector<u8> filler2 = randomBytes(4200, 11);
    farRepeat.insert(farRepeat.end(), filler2.begin(), filler2.end());
    farRepeat.insert(farRepeat.end(), farRepeat.begin(), farRepeat.begin() + 300);

    struct Case { const char* name; std::vector<u8> data; };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", {0x41}},
        {"one blank", bytesOf(" ")},
        {"two bytes", {0x00, 0xFF}},
        {"blanks like the initial ring", std::vector<u8>(5000, ' ')},
        {"blanks then text", bytesOf(std::string(61, ' ') + "x" + std::string(3, ' '))},
        {"long run of zeros", std::vector<u8>(20000, 0)},
        {"long run of 0xFF", std::vector<u8>(7000, 0xFF)},
        {"all byte values", allBytes},
        {"periodic, longer than the ring", periodic},
        {"random", randomBytes(10000, 1)},
        {"random over 4 letters", randomBytes(12000, 2, 4)},
        {"repeats near the ring size", farRepeat},
        {"text", bytesOf("Registry value changed: '%ls' in '%ls'\nRegistry value changed: '%ls'")},
        {"English table source", realTable("strings_en.txt")},
        {"German table source", realTable("strings_de.txt")},
        {"neutral table source", realTable("strings_neutral.txt")},
    };
    for (const Case& c : cases) {
        const std::vector<u8> packed = encodeLzari(c.data);
        std::vector<u8> out;
        ASSERT_EQ(decode(packed, out, static_cast<u32>(c.data.size())), 0u) << c.name;
        EXPECT_EQ(out, c.data) << c.name;
    }
}

TEST(Lzari, CompressesRedundantInput) {
    // A coder that never found matches would still round-trip. Ten letters repeated cost over
    // three bits each as literals (3.7 KB here); as 60-byte matches they cost a few hundred bytes.
    std::vector<u8> periodic;
    for (int i = 0; i < 9000; ++i) periodic.push_back(static_cast<u8>("abcdefghij"[i % 10]));
    EXPECT_LT(encodeLzari(periodic).size(), 400u);
    const std::vector<u8> english = realTable("strings_en.txt");
    EXPECT_LT(encodeLzari(english).size(), english.size() / 2);
}

TEST(Lzari, EmptyInputIsTheSizeWordAlone) {
    EXPECT_EQ(encodeLzari(std::vector<u8>{}), (std::vector<u8>{0, 0, 0, 0}));
    std::vector<u8> out;
    EXPECT_EQ(decode({0, 0, 0, 0}, out, 0), 0u);
    EXPECT_EQ(decode({0, 0, 0, 0, 0}, out, 0), ERR_BAD_FORMAT) << "a coded byte after an empty stream";
}

TEST(Lzari, RejectsDamagedStreams) {
    const std::vector<u8> data = realTable("strings_de.txt");
    const u32 size = static_cast<u32>(data.size());
    const std::vector<u8> packed = encodeLzari(data);

    std::vector<u8> surplus = packed;
    surplus.push_back(0x00);
    std::vector<u8> surplusOnes = packed;
    surplusOnes.push_back(0xFF);
    std::vector<u8> twoSurplus = packed;
    twoSurplus.insert(twoSurplus.end(), {0x12, 0x34});
    std::vector<u8> truncated(packed.begin(), packed.end() - 1);
    std::vector<u8> halved(packed.begin(), packed.begin() + packed.size() / 2);
    std::vector<u8> wrongWord = packed;
    wrongWord[0] ^= 1;

    struct Case { const char* name; std::vector<u8> stream; u32 size; u32 expected; };
    const Case cases[] = {
        {"intact", packed, size, 0},
        {"one surplus zero byte", surplus, size, ERR_BAD_FORMAT},
        {"one surplus 0xFF byte", surplusOnes, size, ERR_BAD_FORMAT},
        {"two surplus bytes", twoSurplus, size, ERR_BAD_FORMAT},
        {"last byte missing", truncated, size, ERR_BAD_FORMAT},
        {"half the stream missing", halved, size, ERR_BAD_FORMAT},
        {"size word differs from U", wrongWord, size, ERR_INVALID_DATA},
        {"U differs from the size word", packed, size + 1, ERR_INVALID_DATA},
        {"three bytes", {0, 0, 0}, 0, ERR_BAD_FORMAT},
        {"nothing", {}, 0, ERR_BAD_FORMAT},
        {"size word without coded bits", {5, 0, 0, 0}, 5, ERR_BAD_FORMAT},
    };
    for (const Case& c : cases) {
        std::vector<u8> out;
        EXPECT_EQ(decode(c.stream, out, c.size), c.expected) << c.name;
    }
}

TEST(Lzari, RejectsAMatchRunningPastTheEnd) {
    // "abcabcabc..." codes as a few literals and one long match. Claiming fewer bytes than the
    // match needs (and patching the size word to agree) must not write past the buffer.
    const std::vector<u8> data = bytesOf("abcabcabcabcabcabcabcabcabcabc");
    std::vector<u8> packed = encodeLzari(data);
    for (u32 claimed : {4u, 10u, 29u}) {
        std::vector<u8> stream = packed;
        stream[0] = static_cast<u8>(claimed);
        std::vector<u8> out(claimed + 16, 0xEE);
        EXPECT_EQ(decodeLzari(stream.data(), static_cast<u32>(stream.size()), out.data(), claimed), ERR_BAD_FORMAT)
            << claimed;
        for (u32 i = claimed; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << "byte " << i << " of " << claimed;
    }
}

TEST(Lzari, CorruptBitsNeverOverrunOrHang) {
    const std::vector<u8> data = realTable("strings_en.txt");
    const std::vector<u8> packed = encodeLzari(data);
    std::mt19937 rng(7);
    int rejected = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<u8> stream = packed;
        const std::size_t at = 4 + rng() % (stream.size() - 4);
        stream[at] ^= static_cast<u8>(1u << (rng() % 8));
        std::vector<u8> out(data.size() + 64, 0xEE);
        const u32 e = decodeLzari(stream.data(), static_cast<u32>(stream.size()), out.data(), static_cast<u32>(data.size()));
        for (std::size_t i = data.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE);
        if (e != 0) {
            EXPECT_EQ(e, ERR_BAD_FORMAT);
            ++rejected;
        } else {
            // A flipped bit that still decodes must at least have changed the output.
            out.resize(data.size());
            EXPECT_NE(out, data) << "flip at byte " << at;
        }
    }
    EXPECT_GT(rejected, 0);
}

}  // namespace
}  // namespace pelorin
