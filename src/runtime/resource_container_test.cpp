#include "runtime/resource_container.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "respack/container_writer.h"
#include "respack/lzari_encoder.h"
#include "respack/text_source.h"
#include "runtime/string_table.h"
#include "runtime/test_support.h"

namespace pelorin {
namespace {

using respack::ContainerEntry;
using respack::packedEntry;
using respack::storedEntry;
using respack::writeContainer;
using test::bytesOf;

// Where the single entry of a one-entry container lies: header (64), type block (16),
// language block (16), id block head (8), then id, flags and payload offset, then the payload.
constexpr u32 ONE_TYPE_COUNT_AT = 68;
constexpr u32 ONE_ID_OFFSET_AT = 112;
constexpr u32 ONE_PAYLOAD_AT = 116;

void put32(std::vector<u8>& v, std::size_t at, u32 value) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<u8>(value >> (8 * i));
}

std::vector<u8> stringBlock(const std::vector<std::pair<u32, std::string>>& records) {
    std::vector<respack::StringRecord> r;
    for (const auto& [id, text] : records) r.push_back({id, bytesOf(text)});
    return respack::encodeStringBlock(r);
}

ContainerEntry strings(u16 language, const std::vector<std::pair<u32, std::string>>& records) {
    return packedEntry(RESOURCE_STRING_BLOCK, language, 0, stringBlock(records));
}

std::vector<u8> oneStoredPayload(const std::string& text) {
    return writeContainer({storedEntry(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, bytesOf(text))});
}

// A fake executable image: "MZ", then the new-header offset at 0x3C pointing to a signature.
std::vector<u8> mzImage(const char* signature, u32 baseField, std::size_t size = 0x200) {
    std::vector<u8> image(size, 0x90);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x38, baseField);
    image[0x3C] = 0x80;
    image[0x3D] = 0;
    image[0x80] = static_cast<u8>(signature[0]);
    image[0x81] = static_cast<u8>(signature[1]);
    return image;
}

std::vector<u8> concat(std::vector<u8> a, const std::vector<u8>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<u8> trailer(u32 base) {
    std::vector<u8> t(32, 0);
    std::memcpy(t.data(), "RsOfs100", 8);
    put32(t, 8, base);
    return t;
}

class ContainerTest : public ::testing::Test {
protected:
    u32 open(ResourceContainer& container, const std::vector<u8>& bytes) {
        fs_.putFile(u"c.bin", bytes);
        return container.open(fs_, u"c.bin");
    }
    // The text of a stored payload under type 7, English, id 1 (what oneStoredPayload writes).
    std::string payloadText(ResourceContainer& container) {
        const u8* data = nullptr;
        u32 size = 0;
        if (!container.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, {}, data, size)) return "<none>";
        return std::string(reinterpret_cast<const char*>(data), size);
    }
    platform::MemoryFileSystem fs_;
};

TEST_F(ContainerTest, LocatesTheContainerByEachRule) {
    const std::vector<u8> a = oneStoredPayload("container A");
    const std::vector<u8> b = oneStoredPayload("container B");
    const std::vector<u8> image = mzImage("PE", 0);
    const u32 at = static_cast<u32>(image.size());

    struct Case { const char* name; std::vector<u8> file; u32 error; const char* text; };
    const Case cases[] = {
        {"bare container", a, 0, "container A"},
        {"trailer", respack::appendContainer(image, a), 0, "container A"},
        {"trailer behind data that is no executable", concat(concat(std::vector<u8>(100, 7), a), trailer(100)), 0,
         "container A"},
        {"MZ with PE", concat(mzImage("PE", at), a), 0, "container A"},
        {"MZ with NE", concat(mzImage("NE", at), a), 0, "container A"},
        {"MZ with LX", concat(mzImage("LX", at), a), 0, "container A"},
        {"trailer wins over MZ", concat(concat(concat(mzImage("PE", at), a), b), trailer(at + static_cast<u32>(a.size()))),
         0, "container B"},
        {"trailer with base zero, MZ not tried", concat(concat(mzImage("PE", at), a), trailer(0)), ERR_NOT_CONTAINER, ""},
        {"trailer with base at the end of the file",
         concat(concat(std::vector<u8>(100, 7), a), trailer(100 + static_cast<u32>(a.size()) + 32)), ERR_NOT_CONTAINER, ""},
        {"trailer with base beyond the end", concat(concat(std::vector<u8>(100, 7), a), trailer(0x7FFFFFFF)),
         ERR_NOT_CONTAINER, ""},
        {"MZ with base zero", concat(mzImage("PE", 0), a), ERR_NOT_CONTAINER, ""},
        {"MZ with base beyond the end", concat(mzImage("PE", 0x100000), a), ERR_NOT_CONTAINER, ""},
        {"MZ with an unknown signature", concat(mzImage("PX", at), a), ERR_NOT_CONTAINER, ""},
        {"MZ without a new header", [&] { auto f = concat(mzImage("PE", at), a); f[0x3C] = 0; return f; }(),
         ERR_NOT_CONTAINER, ""},
        {"no rule matches", concat(std::vector<u8>(100, 'x'), a), ERR_NOT_CONTAINER, ""},
        {"three bytes", bytesOf("Rsr"), ERR_NOT_CONTAINER, ""},
        {"empty file", {}, ERR_NOT_CONTAINER, ""},
    };
    for (const Case& c : cases) {
        ResourceContainer container;
        EXPECT_EQ(open(container, c.file), c.error) << c.name;
        EXPECT_EQ(container.error(), c.error) << c.name;
        EXPECT_EQ(payloadText(container), c.error == 0 ? c.text : "<none>") << c.name;
    }
}

TEST_F(ContainerTest, OpenReportsMissingFilesAndNames) {
    ResourceContainer container;
    ASSERT_EQ(open(container, oneStoredPayload("x")), 0u);
    EXPECT_EQ(container.open(fs_, u"missing.exe"), 2u) << "the file layer's own code";
    EXPECT_EQ(payloadText(container), "<none>") << "a failed open leaves nothing of the earlier one";
    EXPECT_EQ(container.open(fs_, u""), ERR_BAD_VALUE);
    EXPECT_EQ(container.open(fs_, nullptr), ERR_BAD_VALUE);
}

TEST_F(ContainerTest, ChecksTheHeaderAndTheDirectory) {
    const std::vector<u8> good = oneStoredPayload("x");
    const auto patched = [&](std::size_t at, u32 value) {
        std::vector<u8> f = good;
        put32(f, at, value);
        return f;
    };
    struct Case { const char* name; std::vector<u8> file; u32 error; };
    const Case cases[] = {
        {"good", good, 0},
        {"header shorter than 64 bytes", bytesOf(std::string("Rsrc") + std::string(40, '\0')), ERR_WRITE},
        {"header cut behind a trailer", concat(concat(std::vector<u8>(8, 1), bytesOf("Rsrc")), trailer(8)), ERR_WRITE},
        {"magic not Rsrc (behind a trailer)", [&] {
             auto c = good;
             c[0] = 'r';
             return concat(concat(std::vector<u8>(8, 1), c), trailer(8));
         }(), ERR_NOT_CONTAINER},
        {"version 2", patched(4, 2), ERR_NOT_CONTAINER},
        {"version 0", patched(4, 0), ERR_NOT_CONTAINER},
        {"type directory at the file size", patched(12, static_cast<u32>(good.size())), ERR_NOT_CONTAINER},
        {"type directory count larger than the file", patched(ONE_TYPE_COUNT_AT, 1000), ERR_READ},
        {"type directory near the end", patched(12, static_cast<u32>(good.size()) - 4), ERR_READ},
        {"language directory beyond the end", patched(64 + 12, 0x10000), ERR_READ},
        {"language count too large", patched(80 + 4, 0x20000000), ERR_READ},
        {"id directory cut short", std::vector<u8>(good.begin(), good.begin() + 110), ERR_READ},
    };
    for (const Case& c : cases) {
        ResourceContainer container;
        EXPECT_EQ(open(container, c.file), c.error) << c.name;
    }
}

TEST_F(ContainerTest, OverlappingDirectoriesCannotMultiplyEntries) {
    // 200 type entries pointing at one language block, whose entries all point at one id block
    // of 200 entries: 8 million paths if blocks were copied per path.
    std::vector<u8> f(64, 0);
    std::memcpy(f.data(), "Rsrc", 4);
    put32(f, 4, 1);
    put32(f, 12, 64);
    const auto block = [&](u32 count, u32 entrySize, auto entry) {
        const std::size_t at = f.size();
        f.resize(at + 8 + count * entrySize);
        put32(f, at, 4 + count * entrySize);
        put32(f, at + 4, count);
        for (u32 i = 0; i < count; ++i) entry(at + 8 + i * entrySize, i);
    };
    const u32 languageAt = 64 + 8 + 200 * 8;
    const u32 idAt = languageAt + 8 + 200 * 8;
    block(200, 8, [&](std::size_t at, u32 i) { put32(f, at, 2 + (i << 16)); put32(f, at + 4, languageAt); });
    block(200, 8, [&](std::size_t at, u32 i) { put32(f, at, i); put32(f, at + 4, idAt); });
    block(200, 12, [&](std::size_t at, u32 i) { put32(f, at, i); put32(f, at + 4, 1); put32(f, at + 8, 0); });
    ResourceContainer container;
    ASSERT_EQ(open(container, f), 0u);
    const u8* data;
    u32 size;
    EXPECT_FALSE(container.findResource(2, 5, 7, {.exactLanguageOnly = true}, data, size));
    EXPECT_EQ(container.error(), ERR_INVALID_DATA) << "payload offset zero";
}

TEST_F(ContainerTest, ReportsBadPayloads) {
    const std::vector<u8> text = bytesOf(std::string(300, 'a') + "Pelorin");
    const std::vector<u8> packed = writeContainer({packedEntry(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, text)});
    const u32 streamSize = static_cast<u32>(packed.size() - ONE_PAYLOAD_AT - 8);
    const std::vector<u8> stored = oneStoredPayload("stored");

    std::vector<u8> surplus = packed;
    surplus.push_back(0);
    put32(surplus, ONE_PAYLOAD_AT + 4, streamSize + 1);
    std::vector<u8> missing(packed.begin(), packed.end() - 1);
    std::vector<u8> sizeMismatch = packed;
    put32(sizeMismatch, ONE_PAYLOAD_AT, static_cast<u32>(text.size()) + 1);
    // The stream's own word and U agree but are smaller than what the stream codes: the run of
    // "a" comes as one long match that would run past U.
    std::vector<u8> overrun = packed;
    put32(overrun, ONE_PAYLOAD_AT, 20);
    put32(overrun, ONE_PAYLOAD_AT + 8, 20);
    std::vector<u8> tooShort = packed;
    put32(tooShort, ONE_PAYLOAD_AT + 4, 3);
    std::vector<u8> huge = packed;
    put32(huge, ONE_PAYLOAD_AT, 0xFFFFFFF0);
    put32(huge, ONE_PAYLOAD_AT + 8, 0xFFFFFFF0);
    std::vector<u8> storedCut(stored.begin(), stored.end() - 1);
    std::vector<u8> sizeFieldCut(packed.begin(), packed.begin() + ONE_PAYLOAD_AT + 6);
    std::vector<u8> offsetZero = packed;
    put32(offsetZero, ONE_ID_OFFSET_AT, 0);

    struct Case { const char* name; std::vector<u8> file; u32 error; };
    const Case cases[] = {
        {"packed", packed, 0},
        {"stored", stored, 0},
        {"one surplus packed byte", surplus, ERR_BAD_FORMAT},
        {"last packed byte missing", missing, ERR_BAD_FORMAT},
        {"U differs from the stream's size word", sizeMismatch, ERR_INVALID_DATA},
        {"match running past U", overrun, ERR_BAD_FORMAT},
        {"packed size below 4", tooShort, ERR_BAD_FORMAT},
        {"U far beyond what the stream can hold", huge, ERR_BAD_FORMAT},
        {"stored payload cut short", storedCut, ERR_WRITE},
        {"packed size field cut", sizeFieldCut, ERR_READ},
        {"payload offset zero", offsetZero, ERR_INVALID_DATA},
    };
    for (const Case& c : cases) {
        ResourceContainer container;
        ASSERT_EQ(open(container, c.file), 0u) << c.name << ": payload errors show only on lookup";
        const u8* data = nullptr;
        u32 size = 0;
        const bool found = container.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, {}, data, size);
        EXPECT_EQ(found, c.error == 0) << c.name;
        EXPECT_EQ(container.error(), c.error) << c.name;
        // A failed payload stays failed; the lookup does not hand out half-decoded bytes later.
        EXPECT_EQ(container.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, {}, data, size), found) << c.name;
        if (!found) {
            EXPECT_EQ(data, nullptr) << c.name;
        }
    }
}

TEST_F(ContainerTest, KeepsEachPayloadAndHandsOutTheSameBytes) {
    const std::vector<u8> text = bytesOf("cached payload, decoded once");
    ResourceContainer container;
    ASSERT_EQ(open(container, writeContainer({packedEntry(7, LANGUAGE_ENGLISH, 1, text)})), 0u);
    const u8* first = nullptr;
    u32 size = 0;
    ASSERT_TRUE(container.findResource(7, LANGUAGE_ENGLISH, 1, {}, first, size));
    // The file may change under the open container; the cached bytes must not.
    fs_.findFile(u"c.bin")->bytes.assign(4096, 0);
    for (u16 language : {LANGUAGE_ENGLISH, LANGUAGE_GERMAN, LANGUAGE_RUSSIAN}) {
        const u8* again = nullptr;
        u32 againSize = 0;
        ASSERT_TRUE(container.findResource(7, language, 1, {}, again, againSize)) << language;
        EXPECT_EQ(again, first);
        EXPECT_EQ(std::vector<u8>(again, again + againSize), text);
    }
}

TEST_F(ContainerTest, SearchesEntriesInStoredOrderOnLow16Bits) {
    std::vector<ContainerEntry> entries = {
        storedEntry(7, LANGUAGE_GERMAN, 1, bytesOf("first")),
        storedEntry(7, LANGUAGE_GERMAN, 1, bytesOf("second, same id")),
        storedEntry(9, LANGUAGE_GERMAN, 1, bytesOf("type 9")),
    };
    std::vector<u8> file = writeContainer(entries);
    // Raise the high halves of type 9 and of the language: only the low 16 bits count.
    put32(file, 64 + 8 + 8, 0xABCD0009);
    const u32 typeNineLanguages = file[64 + 8 + 12] | file[64 + 8 + 13] << 8;
    put32(file, typeNineLanguages + 8, 0x12340200);
    ResourceContainer container;
    ASSERT_EQ(open(container, file), 0u);
    const u8* data;
    u32 size;
    ASSERT_TRUE(container.findResource(7, LANGUAGE_GERMAN, 1, {}, data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "first");
    ASSERT_TRUE(container.findResource(9, LANGUAGE_GERMAN, 1, {.exactLanguageOnly = true}, data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "type 9");
    EXPECT_FALSE(container.findResource(7, LANGUAGE_GERMAN, 2, {}, data, size));
    EXPECT_FALSE(container.findResource(8, LANGUAGE_GERMAN, 1, {}, data, size));
}

TEST(FallbackLanguages, FollowTheFixedOrder) {
    struct Case { u16 language; bool noDefault; std::vector<u16> expected; };
    const Case cases[] = {
        {0x0200, false, {0x0200, 0x0100, 0x0000}},
        {0x0200, true, {0x0200, 0x0000}},
        {0x0207, false, {0x0207, 0x0200, 0x0100, 0x0000}},
        {0x0100, false, {0x0100, 0x0000}},
        {0x0100, true, {0x0100, 0x0000}},
        {0x0000, false, {0x0000, 0x0100}},
        {0x0000, true, {0x0000}},
        {0x0005, false, {0x0005, 0x0000, 0x0100}},
        {0x0700, false, {0x0700, 0x0100, 0x0000}},
    };
    for (const Case& c : cases) {
        u16 out[4];
        const u32 n = fallbackLanguages(c.language, c.noDefault, out);
        EXPECT_EQ(std::vector<u16>(out, out + n), c.expected) << std::hex << c.language << " " << c.noDefault;
    }
}

class StringLookupTest : public ContainerTest {
protected:
    void SetUp() override {
        const std::vector<ContainerEntry> entries = {
            strings(LANGUAGE_GERMAN, {{100, "Hallo"}, {600, ""}, {700, "nur Deutsch"}}),
            strings(LANGUAGE_ENGLISH, {{100, "Hello"}, {500, "English only"}, {600, "English 600"}, {800, "0x2A"}}),
            strings(LANGUAGE_FRENCH, {{100, "Bonjour"}}),
            strings(LANGUAGE_NEUTRAL, {{134, ".sna"}, {500, "neutral 500"}, {900, "  -17 apples"}}),
            packedEntry(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1000, bytesOf("menu")),
        };
        fs_.putFile(u"s.bin", writeContainer(entries));
        ASSERT_EQ(container_.open(fs_, u"s.bin"), 0u);
    }
    std::string find(u16 language, u32 id, LookupFlags flags = {}, u32 capacity = 64, bool* foundOut = nullptr) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        bool found = false;
        const u32 n = container_.findString(language, id, buffer, capacity, flags, 0, found);
        if (foundOut) *foundOut = found;
        EXPECT_EQ(n, std::strlen(buffer));
        return found ? std::string(buffer) : "<not found>";
    }
    ResourceContainer container_;
};

TEST_F(StringLookupTest, FallsBackThroughTheLanguages) {
    const LookupFlags exact{.exactLanguageOnly = true};
    const LookupFlags noDefault{.noDefaultLanguage = true};
    struct Case { const char* name; u16 language; u32 id; LookupFlags flags; std::string expected; };
    const Case cases[] = {
        {"own table", LANGUAGE_GERMAN, 100, {}, "Hallo"},
        {"neutral only, English searched on the way", LANGUAGE_GERMAN, 134, {}, ".sna"},
        {"English only", LANGUAGE_GERMAN, 500, {}, "English only"},
        {"English only, no default language", LANGUAGE_GERMAN, 500, noDefault, "neutral 500"},
        {"only in German", LANGUAGE_ENGLISH, 700, {}, "<not found>"},
        {"German sub-language", 0x0207, 100, {}, "Hallo"},
        {"Russian has no table", LANGUAGE_RUSSIAN, 100, {}, "Hello"},
        {"Czech has no table", LANGUAGE_CZECH, 500, {}, "English only"},
        {"Russian, exact: no table, stop", LANGUAGE_RUSSIAN, 100, exact, "<not found>"},
        {"French, exact: own table", LANGUAGE_FRENCH, 100, exact, "Bonjour"},
        {"French, exact: a table without the id passes on", LANGUAGE_FRENCH, 134, exact, ".sna"},
        {"missing everywhere", LANGUAGE_GERMAN, 4711, {}, "<not found>"},
    };
    for (const Case& c : cases) EXPECT_EQ(find(c.language, c.id, c.flags), c.expected) << c.name;

    const u8* data;
    u32 size;
    EXPECT_TRUE(container_.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_RUSSIAN, 1000, {}, data, size));
    EXPECT_FALSE(container_.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_RUSSIAN, 1000, exact, data, size));
    EXPECT_FALSE(container_.findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_GERMAN, 1000, noDefault, data, size));
}

TEST_F(StringLookupTest, EmptyTextEndsTheSearch) {
    bool found = false;
    EXPECT_EQ(find(LANGUAGE_GERMAN, 600, {}, 64, &found), "");
    EXPECT_TRUE(found) << "found, though English holds a text for 600";
    EXPECT_EQ(find(LANGUAGE_ENGLISH, 600), "English 600");
}

TEST_F(StringLookupTest, CutsToTheCapacity) {
    struct Case { u32 capacity; std::string expected; };
    const Case cases[] = {{1, ""}, {2, "H"}, {5, "Hell"}, {6, "Hello"}, {64, "Hello"}};
    for (const Case& c : cases) {
        bool found = false;
        EXPECT_EQ(find(LANGUAGE_ENGLISH, 100, {}, c.capacity, &found), c.expected) << c.capacity;
        EXPECT_TRUE(found) << c.capacity;
    }
    char buffer[4] = {'x', 'x', 'x', 'x'};
    bool found = true;
    EXPECT_EQ(container_.findString(LANGUAGE_ENGLISH, 100, buffer, 0, {}, 0, found), 0u);
    EXPECT_FALSE(found);
    EXPECT_EQ(buffer[0], 'x') << "capacity 0 writes nothing";
    EXPECT_EQ(container_.findString(LANGUAGE_ENGLISH, 100, buffer, 4, {}, 27, found), 0u) << "group 27 is absent";
    EXPECT_FALSE(found);
    EXPECT_STREQ(buffer, "");
}

TEST_F(StringLookupTest, LoadStringUsesTheInterfaceLanguage) {
    ASSERT_TRUE(openResourceContainer(fs_, u"s.bin"));
    const u16 saved = interfaceLanguage;
    struct Case { u16 language; u32 id; bool noDefault; u32 capacity; bool result; std::string text; };
    const Case cases[] = {
        {LANGUAGE_GERMAN, 100, false, 64, true, "Hallo"},
        {LANGUAGE_GERMAN, 134, false, 64, true, ".sna"},
        {LANGUAGE_GERMAN, 500, true, 64, true, "neutral 500"},
        {LANGUAGE_GERMAN, 700, false, 64, true, "nur Deutsch"},
        {LANGUAGE_ENGLISH, 700, true, 64, false, "?"},
        {LANGUAGE_GERMAN, 600, false, 64, false, "?"},   // empty text
        {LANGUAGE_GERMAN, 4711, false, 2, false, "?"},
        {LANGUAGE_GERMAN, 4711, false, 1, false, ""},
        {LANGUAGE_GERMAN, 100, false, 1, false, ""},     // cut to nothing
        {LANGUAGE_GERMAN, 100, false, 3, true, "Ha"},
        {LANGUAGE_RUSSIAN, 100, false, 64, true, "Hello"},
    };
    for (const Case& c : cases) {
        interfaceLanguage = c.language;
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(loadString(buffer, c.capacity, c.id, c.noDefault), c.result) << c.id << "/" << c.capacity;
        EXPECT_EQ(std::string(buffer), c.text) << c.id << "/" << c.capacity;
    }
    interfaceLanguage = LANGUAGE_GERMAN;
    EXPECT_EQ(loadStringNumber(800, -1, false), 42);
    EXPECT_EQ(loadStringNumber(900, -1, false), -17);
    EXPECT_EQ(loadStringNumber(600, 99, false), 99) << "empty text";
    EXPECT_EQ(loadStringNumber(4711, 99, false), 99) << "missing";
    EXPECT_EQ(loadStringNumber(800, 99, true), 99) << "English left out";
    closeResourceContainer();

    char buffer[8] = "keep";
    EXPECT_FALSE(loadString(buffer, sizeof buffer, 100, false));
    EXPECT_STREQ(buffer, "keep") << "no container: buffer untouched";
    EXPECT_FALSE(loadString(nullptr, 8, 100, false));
    interfaceLanguage = saved;
}

TEST_F(StringLookupTest, ConcurrentLookupsAgree) {
    // The first lookups of each payload race to decode it; every thread must see whole texts.
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                char buffer[32];
                bool found = false;
                const u16 language = (i + t) % 2 ? LANGUAGE_GERMAN : LANGUAGE_ENGLISH;
                container_.findString(language, 100, buffer, sizeof buffer, {}, 0, found);
                if (std::string(buffer) != (language == LANGUAGE_GERMAN ? "Hallo" : "Hello")) ++bad[t];
                container_.findString(LANGUAGE_FRENCH, 134, buffer, sizeof buffer, {}, 0, found);
                if (std::string(buffer) != ".sna") ++bad[t];
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(bad, std::vector<int>(4, 0));
}

TEST(ProcessContainer, OpensOnceAndClosesCleanly) {
    platform::MemoryFileSystem fs;
    fs.putFile(u"a.bin", oneStoredPayload("A"));
    fs.putFile(u"b.bin", oneStoredPayload("B"));
    u32 error = 0;
    EXPECT_FALSE(openResourceContainer(fs, u"missing.bin", &error));
    EXPECT_EQ(error, 2u);
    EXPECT_EQ(resourceContainer(), nullptr);
    ASSERT_TRUE(openResourceContainer(fs, u"a.bin"));
    EXPECT_TRUE(openResourceContainer(fs, u"b.bin")) << "already open";
    const u8* data;
    u32 size;
    ASSERT_TRUE(findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, {}, data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "A");
    closeResourceContainer();
    EXPECT_EQ(resourceContainer(), nullptr);
    EXPECT_FALSE(findResource(RESOURCE_MENU_TEMPLATE, LANGUAGE_ENGLISH, 1, {}, data, size));
}

}  // namespace
}  // namespace pelorin
