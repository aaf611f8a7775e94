#include "runtime/menu_template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

// Builds template bytes: "H" the header, "T<text>" an item text, "K" a shortcut (0x0053),
// "C<n>" a command id or state (one 32-bit value), "N<b>" a nesting mark.
class Bytes {
public:
    Bytes& header(u32 magic = 0x43570001) { return tag(0x08).word(magic); }
    Bytes& text(const std::string& t) {
        tag(0x09);
        bytes_.insert(bytes_.end(), t.begin(), t.end());
        bytes_.push_back(0);
        return *this;
    }
    Bytes& shortcut(u16 key) {
        tag(0x04);
        bytes_.push_back(static_cast<u8>(key));
        bytes_.push_back(static_cast<u8>(key >> 8));
        return *this;
    }
    Bytes& value(u32 v) { return tag(0x08).word(v); }
    Bytes& nest(u8 mark) {
        tag(0x03);
        bytes_.push_back(mark);
        return *this;
    }
    Bytes& item(const std::string& t, u32 command) { return text(t).value(command); }
    Bytes& raw(std::vector<u8> b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    Bytes cut(std::size_t n) const {
        Bytes b = *this;
        b.bytes_.resize(b.bytes_.size() - n);
        return b;
    }
    const std::vector<u8>& bytes() const { return bytes_; }

private:
    Bytes& tag(u8 t) {
        bytes_.push_back(t);
        return *this;
    }
    Bytes& word(u32 v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<u8>(v >> (8 * i)));
        return *this;
    }
    std::vector<u8> bytes_;
};

u32 parse(const Bytes& b, std::vector<MenuItem>& items) {
    return parseMenuTemplate(b.bytes().data(), static_cast<u32>(b.bytes().size()), items);
}

TEST(MenuTemplate, ReadsItemsWithOptionalFieldsAndSubmenus) {
    const Bytes b = Bytes()
                        .header()
                        .text("&Open").shortcut(0x4F).value(0x100).value(8)
                        .text("&More").value(0x101).nest(1)
                        .item("Inner &1", 0x200)
                        .item("", 0)
                        .item("Inner &2", 0x201).nest(1)
                        .item("Deepest", 0x300).nest(2).nest(2)
                        .item("&Last", 0x102);
    std::vector<MenuItem> items;
    ASSERT_EQ(parse(b, items), 0u);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "&Open");
    EXPECT_TRUE(items[0].hasShortcut);
    EXPECT_EQ(items[0].shortcut, 0x4F);
    EXPECT_EQ(items[0].commandId, 0x100u);
    EXPECT_EQ(items[0].state, 8u);
    EXPECT_FALSE(items[1].hasShortcut);
    EXPECT_EQ(items[1].state, 0u);
    ASSERT_EQ(items[1].submenu.size(), 3u);
    EXPECT_EQ(items[1].submenu[1].text, "") << "separator";
    ASSERT_EQ(items[1].submenu[2].submenu.size(), 1u);
    EXPECT_EQ(items[1].submenu[2].submenu[0].commandId, 0x300u);
    EXPECT_EQ(items[2].text, "&Last");
    EXPECT_TRUE(items[2].submenu.empty());
}

TEST(MenuTemplate, RefusesMalformedTemplates) {
    Bytes deep30 = Bytes().header();
    Bytes deep31 = Bytes().header();
    for (int i = 0; i < 30; ++i) deep30.item("x", 1).nest(1);
    for (int i = 0; i < 31; ++i) deep31.item("x", 1).nest(1);
    deep30.item("bottom", 2);
    deep31.item("bottom", 2);

    struct Case { const char* name; Bytes bytes; u32 error; };
    const Case cases[] = {
        {"header only", Bytes().header(), 0},
        {"nesting 30 deep", deep30, 0},
        {"unclosed submenu at the end", Bytes().header().item("a", 1).nest(1).item("b", 2), 0},
        {"empty", Bytes(), ERR_BAD_FORMAT},
        {"wrong magic", Bytes().header(0x43570002).item("a", 1), ERR_BAD_FORMAT},
        {"header cut", Bytes().header().cut(1), ERR_BAD_FORMAT},
        {"nesting 31 deep", deep31, ERR_BAD_FORMAT},
        {"item without text tag", Bytes().header().value(1), ERR_BAD_FORMAT},
        {"text without NUL", Bytes().header().raw({0x09, 'a', 'b'}), ERR_BAD_FORMAT},
        {"TAB in a text", Bytes().header().item("Copy\tCtrl+C", 1), ERR_BAD_FORMAT},
        {"command id missing", Bytes().header().text("a"), ERR_BAD_FORMAT},
        {"command id cut", Bytes().header().item("a", 1).cut(1), ERR_BAD_FORMAT},
        {"wrong tag for the command", Bytes().header().text("a").raw({0x07, 1, 0, 0, 0}), ERR_BAD_FORMAT},
        {"shortcut cut", Bytes().header().text("a").raw({0x04, 0x41}), ERR_BAD_FORMAT},
        {"state cut", Bytes().header().item("a", 1).raw({0x08, 1}), ERR_BAD_FORMAT},
        {"nesting byte 3", Bytes().header().item("a", 1).nest(3), ERR_BAD_FORMAT},
        {"nesting byte 0", Bytes().header().item("a", 1).nest(0), ERR_BAD_FORMAT},
        {"nesting byte missing", Bytes().header().item("a", 1).raw({0x03}), ERR_BAD_FORMAT},
        {"end without a submenu", Bytes().header().item("a", 1).nest(2), ERR_BAD_FORMAT},
        {"stray byte after an item", Bytes().header().item("a", 1).raw({0x00}), ERR_BAD_FORMAT},
    };
    for (const Case& c : cases) {
        std::vector<MenuItem> items;
        EXPECT_EQ(parse(c.bytes, items), c.error) << c.name;
    }
}

}  // namespace
}  // namespace pelorin
