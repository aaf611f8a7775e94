#pragma once
// The program's own formatter of messages and numbers: printf-like directives into a fixed 8-bit
// buffer, never overrunning it, plus the "$" flag (digit groups with "."), LF written as CR LF,
// and a small table of directive letters registered at start-up ("%hu" for 64-bit numbers).
#include <concepts>
#include <cstddef>
#include <type_traits>

#include "runtime/types.h"

namespace pelorin {

// One argument of a format call, tagged with what it is. Integers of up to 64 bits are kept as a
// 64-bit number (signed ones sign-extended), so a 32-bit conversion reads the low word and the
// 64-bit directive reads the whole value whatever integer type the caller passed.
class FormatArg {
public:
    enum class Kind : u8 { NUMBER, TEXT, WIDE_TEXT, POINTER };

    constexpr FormatArg() = default;

    template <std::integral T>
    constexpr FormatArg(T value)
        : number_(std::is_signed_v<T> ? static_cast<u64>(static_cast<i64>(value)) : static_cast<u64>(value)) {}

    template <class E>
        requires std::is_enum_v<E>
    constexpr FormatArg(E value) : FormatArg(static_cast<std::underlying_type_t<E>>(value)) {}

    constexpr FormatArg(const char* text) : kind_(Kind::TEXT), pointer_(text) {}
    constexpr FormatArg(const char16_t* text) : kind_(Kind::WIDE_TEXT), pointer_(text) {}
    // Windows' wchar_t holds the same 16-bit units as char16_t.
    template <class W>
        requires(std::same_as<W, wchar_t> && sizeof(wchar_t) == sizeof(char16_t))
    FormatArg(const W* text) : kind_(Kind::WIDE_TEXT), pointer_(text) {}
    // Elsewhere wchar_t is 32-bit: refuse it rather than print it as a pointer.
    template <class W>
        requires(std::same_as<W, wchar_t> && sizeof(wchar_t) != sizeof(char16_t))
    FormatArg(const W* text) = delete;
    constexpr FormatArg(const void* pointer) : kind_(Kind::POINTER), pointer_(pointer) {}
    constexpr FormatArg(std::nullptr_t) : kind_(Kind::POINTER) {}

    Kind kind() const { return kind_; }
    // The value as a number; pointers and texts give their address.
    u64 asNumber() const;
    u32 asWord() const { return static_cast<u32>(asNumber()); }
    // The text, or null when the argument is not one of that kind.
    const char* asText() const { return kind_ == Kind::TEXT ? static_cast<const char*>(pointer_) : nullptr; }
    const char16_t* asWideText() const {
        return kind_ == Kind::WIDE_TEXT ? static_cast<const char16_t*>(pointer_) : nullptr;
    }

private:
    Kind kind_ = Kind::NUMBER;
    u64 number_ = 0;
    const void* pointer_ = nullptr;
};

// The arguments of one call with a read position. Taking past the end gives a zero argument
// (number 0, null text), so a format with more directives than arguments cannot crash.
class FormatArgs {
public:
    FormatArgs(const FormatArg* items, u32 count) : items_(items), count_(count) {}

    const FormatArg& take() { return next_ < count_ ? items_[next_++] : none_; }
    u32 remaining() const { return count_ - next_; }

private:
    static constexpr FormatArg none_{};
    const FormatArg* items_;
    u32 count_;
    u32 next_ = 0;
};

// Size of the scratch area a conversion writes into.
constexpr u32 FORMAT_SCRATCH_SIZE = 512;

// A registered directive. `format` points just behind the directive letter and may be advanced
// past letters the handler reads; it writes at most `scratchSize` characters into `scratch`,
// takes its arguments from `args` and gives back the length of its text.
using DirectiveHandler = u32 (*)(const char*& format, char* scratch, u32 scratchSize, FormatArgs& args);

// The letters a format may use beyond the built-in conversions.
class DirectiveTable {
public:
    static constexpr u32 CAPACITY = 32;

    // False when every entry is taken. The same letter and handler again is a no-op success.
    bool add(char letter, DirectiveHandler handler);
    // The first entry whose letter matches without regard to case, or null.
    DirectiveHandler find(char letter) const;

private:
    struct Entry {
        char letter = 0;
        DirectiveHandler handler = nullptr;
    };
    Entry entries_[CAPACITY];
};

// Filled at start-up before any worker thread exists, only read afterwards.
DirectiveTable& directiveTable();
bool registerDirective(char letter, DirectiveHandler handler);

// The 64-bit directive: "%hu", "%hd", "%hX" (also with "H"), one 64-bit argument.
u32 formatDirective64(const char*& format, char* scratch, u32 scratchSize, FormatArgs& args);
// Registers the directives the program uses (the 64-bit one); called once at start-up.
bool registerStandardDirectives();

// Formats into buffer: at most size - 1 characters and a NUL. True when nothing was cut; false
// when the output was cut, and false with nothing written when size is 0.
bool formatTextV(char* buffer, u32 size, const char* format, FormatArgs& args);

template <class... Args>
bool formatText(char* buffer, u32 size, const char* format, const Args&... args) {
    const FormatArg items[] = {FormatArg(args)..., FormatArg()};  // one spare: no zero-length array
    FormatArgs list(items, sizeof...(Args));
    return formatTextV(buffer, size, format, list);
}

}  // namespace pelorin
