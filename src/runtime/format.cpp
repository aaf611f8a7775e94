#include "runtime/format.h"

#include <cstdint>
#include <cstring>

namespace pelorin {
namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
constexpr u32 MAX_WIDE_CHARACTERS = FORMAT_SCRATCH_SIZE - 1;
constexpr u32 MAX_WIDTH = 1000000000;  // any width beyond the buffer is cut anyway

// Digits of value in base 10 or 16, most significant first, no leading zeros ("0" for 0).
u32 writeUnsigned(char* out, u64 value, u32 base) {
    char digits[24];
    u32 n = 0;
    do {
        digits[n++] = HEX_DIGITS[value % base];
        value /= base;
    } while (value);
    for (u32 i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    return n;
}

u32 writeSigned(char* out, i64 value) {
    if (value >= 0) return writeUnsigned(out, static_cast<u64>(value), 10);
    out[0] = '-';
    return 1 + writeUnsigned(out + 1, 0 - static_cast<u64>(value), 10);
}

// The caller's buffer: everything written counts against size - 1, the NUL comes at the end.
class Output {
public:
    Output(char* buffer, u32 size) : buffer_(buffer), room_(size - 1) {}

    u32 room() const { return room_; }
    bool put(char c) {
        if (room_ == 0) return false;
        buffer_[length_++] = c;
        --room_;
        return true;
    }
    // As many of the n characters as fit; false when not all did.
    bool fill(char c, u32 n) {
        u32 fitting = n < room_ ? n : room_;
        std::memset(buffer_ + length_, c, fitting);
        length_ += fitting;
        room_ -= fitting;
        return fitting == n;
    }
    void terminate() { buffer_[length_] = '\0'; }

private:
    char* buffer_;
    u32 room_;
    u32 length_ = 0;
};

struct Directive {
    bool leftJustify = false;
    bool group = false;
    bool zeroPad = false;
    u32 width = 0;
};

// Writes one converted text with its digit groups and padding; false when it had to be cut.
bool writeField(Output& out, const char* text, u32 length, const Directive& directive) {
    // Only digits are grouped; a leading sign stays in front of the first group.
    u32 signLength = directive.group && length > 0 && text[0] == '-' ? 1 : 0;
    u32 digits = length - signLength;
    u32 separators = directive.group && digits > 3 ? (digits - 1) / 3 : 0;
    u64 field = u64{length} + separators;
    u32 padding = directive.width > field ? static_cast<u32>(directive.width - field) : 0;
    char pad = directive.zeroPad ? '0' : ' ';

    if (!directive.leftJustify && !out.fill(pad, padding)) return false;
    for (u32 i = 0; i < length; ++i) {
        bool separator = directive.group && i > signLength && (digits - (i - signLength)) % 3 == 0;
        // A separator goes out only together with the character behind it, so a field cut at
        // its end never ends in a dangling ".".
        if (out.room() < 1u + separator) return false;
        if (separator) out.put('.');
        out.put(text[i]);
    }
    if (directive.leftJustify && !out.fill(pad, padding)) return false;
    return true;
}

u32 writePointer(char* out, u64 value) {
    // Eight digits as on the 32-bit program; an address above 4 GiB (64-bit builds) needs and
    // gets sixteen, since cutting it would print a different address.
    u32 width = value >> 32 ? 16 : 8;
    out[0] = '0';
    out[1] = 'x';
    for (u32 i = 0; i < width; ++i) out[2 + i] = HEX_DIGITS[(value >> (4 * (width - 1 - i))) & 0xF];
    return 2 + width;
}

u32 narrowWide(char* out, const char16_t* text) {
    u32 n = 0;
    while (n < MAX_WIDE_CHARACTERS && text[n]) {
        char16_t unit = text[n];
        out[n++] = unit < 256 ? static_cast<char>(unit) : '?';
    }
    return n;
}

char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

u64 FormatArg::asNumber() const {
    if (kind_ == Kind::NUMBER) return number_;
    return static_cast<u64>(reinterpret_cast<std::uintptr_t>(pointer_));
}

bool DirectiveTable::add(char letter, DirectiveHandler handler) {
    if (!handler) return false;
    for (const Entry& entry : entries_) {
        if (entry.handler == handler && entry.letter == letter) return true;
    }
    for (Entry& entry : entries_) {
        if (!entry.handler) {
            entry.letter = letter;
            entry.handler = handler;
            return true;
        }
    }
    return false;
}

DirectiveHandler DirectiveTable::find(char letter) const {
    for (const Entry& entry : entries_) {
        if (entry.handler && lowerCase(entry.letter) == lowerCase(letter)) return entry.handler;
    }
    return nullptr;
}

DirectiveTable& directiveTable() {
    static DirectiveTable table;
    return table;
}

bool registerDirective(char letter, DirectiveHandler handler) { return directiveTable().add(letter, handler); }

u32 formatDirective64(const char*& format, char* scratch, u32 scratchSize, FormatArgs& args) {
    char letter = *format;
    // Any other letter (or the end of the format) stays where it is and is printed as text.
    if (letter != 'u' && letter != 'd' && letter != 'x' && letter != 'X') return 0;
    ++format;
    u64 value = args.take().asNumber();
    char text[24];
    u32 length;
    if (letter == 'u') {
        length = writeUnsigned(text, value, 10);
    } else if (letter == 'd') {
        length = writeSigned(text, static_cast<i64>(value));
    } else {
        // High word without leading zeros, then the low word as exactly eight digits: the same
        // as the whole value without leading zeros.
        length = writeUnsigned(text, value, 16);
    }
    if (length > scratchSize) length = scratchSize;
    std::memcpy(scratch, text, length);
    return length;
}

bool registerStandardDirectives() { return registerDirective('H', formatDirective64); }

bool formatTextV(char* buffer, u32 size, const char* format, FormatArgs& args) {
    if (!buffer || size == 0) return false;
    Output out(buffer, size);
    char scratch[FORMAT_SCRATCH_SIZE];
    const char* p = format ? format : "";
    bool complete = true;

    while (complete && *p) {
        char c = *p++;
        if (c == '\n') {
            complete = out.put('\r') && out.put('\n');
            continue;
        }
        if (c != '%') {
            complete = out.put(c);
            continue;
        }

        // Flags only in this order: "-", "$", "0"; then the width.
        Directive directive;
        if (*p == '-') directive.leftJustify = true, ++p;
        if (*p == '$') directive.group = true, ++p;
        if (*p == '0') directive.zeroPad = true, ++p;
        while (*p >= '0' && *p <= '9') {
            directive.width = directive.width * 10 + static_cast<u32>(*p++ - '0');
            if (directive.width > MAX_WIDTH) directive.width = MAX_WIDTH;
        }
        char letter = *p;
        if (!letter) break;
        ++p;

        const char* text = scratch;
        u32 length = 0;
        bool produced = true;
        switch (letter) {
        case '%':
            complete = out.put('%');
            continue;
        case 'c':
            scratch[0] = static_cast<char>(args.take().asWord());
            length = 1;
            produced = scratch[0] != '\0';
            break;
        case 'd':
            length = writeSigned(scratch, static_cast<i32>(args.take().asWord()));
            break;
        case 'u':
            length = writeUnsigned(scratch, args.take().asWord(), 10);
            break;
        case 'x':
        case 'X':
            length = writeUnsigned(scratch, args.take().asWord(), 16);
            break;
        case 'p':
            length = writePointer(scratch, args.take().asNumber());
            break;
        case 's': {
            const char* s = args.take().asText();
            text = s ? s : "(null)";
            length = static_cast<u32>(std::strlen(text));
            break;
        }
        case 'l':
        case 'L': {
            char next = *p;
            if (!next) {
                produced = false;
                break;
            }
            ++p;
            if (next == 'd') {
                length = writeSigned(scratch, static_cast<i32>(args.take().asWord()));
            } else if (next == 'u') {
                length = writeUnsigned(scratch, args.take().asWord(), 10);
            } else if (next == 'x' || next == 'X') {
                length = writeUnsigned(scratch, args.take().asWord(), 16);
            } else if (next == 's') {
                const char16_t* s = args.take().asWideText();
                if (s) {
                    length = narrowWide(scratch, s);
                } else {
                    text = "(null)";
                    length = 6;
                }
            } else {
                produced = false;  // both letters are consumed, no argument
            }
            break;
        }
        default:
            if (DirectiveHandler handler = directiveTable().find(letter)) {
                length = handler(p, scratch, FORMAT_SCRATCH_SIZE, args);
                if (length > FORMAT_SCRATCH_SIZE) length = FORMAT_SCRATCH_SIZE;
            } else {
                produced = false;  // unknown letter: consumed, nothing written
            }
            break;
        }
        if (produced) complete = writeField(out, text, length, directive);
    }
    out.terminate();
    return complete;
}

}  // namespace pelorin
