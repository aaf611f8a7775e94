#include "runtime/menu_template.h"

namespace pelorin {
namespace {

constexpr u8 TAG_NEST = 0x03;
constexpr u8 TAG_SHORTCUT = 0x04;
constexpr u8 TAG_VALUE = 0x08;
constexpr u8 TAG_TEXT = 0x09;
constexpr u8 NEST_BEGIN = 1;
constexpr u8 NEST_END = 2;
constexpr u32 MENU_MAGIC = 0x43570001;
constexpr u32 MAX_DEPTH = 30;

class Reader {
public:
    Reader(const u8* data, u32 size) : data_(data), size_(size) {}
    bool atEnd() const { return at_ >= size_; }
    bool peek(u8 tag) const { return at_ < size_ && data_[at_] == tag; }
    bool byte(u8& v) {
        if (at_ >= size_) return false;
        v = data_[at_++];
        return true;
    }
    bool word16(u16& v) {
        if (size_ - at_ < 2) return false;
        v = static_cast<u16>(data_[at_] | data_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool word32(u32& v) {
        if (size_ - at_ < 4) return false;
        v = u32(data_[at_]) | u32(data_[at_ + 1]) << 8 | u32(data_[at_ + 2]) << 16 | u32(data_[at_ + 3]) << 24;
        at_ += 4;
        return true;
    }
    // A NUL-terminated text without TABs.
    bool text(std::string& out) {
        out.clear();
        for (;;) {
            u8 c;
            if (!byte(c) || c == '\t') return false;
            if (c == 0) return true;
            out.push_back(static_cast<char>(c));
        }
    }

private:
    const u8* data_;
    u32 size_;
    u32 at_ = 0;
};

}  // namespace

u32 parseMenuTemplate(const u8* data, u32 size, std::vector<MenuItem>& items) {
    items.clear();
    Reader in(data, size);
    u8 tag = 0;
    u32 magic = 0;
    if (!in.byte(tag) || tag != TAG_VALUE || !in.word32(magic) || magic != MENU_MAGIC) return ERR_BAD_FORMAT;

    // levels[0] is the menu itself, levels[d] the submenu being filled at depth d.
    std::vector<std::vector<MenuItem>*> levels{&items};
    while (!in.atEnd()) {
        MenuItem item;
        if (!in.byte(tag) || tag != TAG_TEXT || !in.text(item.text)) return ERR_BAD_FORMAT;
        if (in.peek(TAG_SHORTCUT)) {
            in.byte(tag);
            if (!in.word16(item.shortcut)) return ERR_BAD_FORMAT;
            item.hasShortcut = true;
        }
        if (!in.byte(tag) || tag != TAG_VALUE || !in.word32(item.commandId)) return ERR_BAD_FORMAT;
        if (in.peek(TAG_VALUE)) {
            in.byte(tag);
            if (!in.word32(item.state)) return ERR_BAD_FORMAT;
        }
        std::vector<MenuItem>& level = *levels.back();
        level.push_back(std::move(item));
        while (in.peek(TAG_NEST)) {
            in.byte(tag);
            u8 mark = 0;
            if (!in.byte(mark)) return ERR_BAD_FORMAT;
            if (mark == NEST_BEGIN) {
                if (levels.size() > MAX_DEPTH) return ERR_BAD_FORMAT;
                // The submenu belongs to the last item of the innermost open level.
                levels.push_back(&levels.back()->back().submenu);
            } else if (mark == NEST_END) {
                if (levels.size() == 1) return ERR_BAD_FORMAT;
                levels.pop_back();
            } else {
                return ERR_BAD_FORMAT;
            }
        }
    }
    return 0;
}

}  // namespace pelorin
