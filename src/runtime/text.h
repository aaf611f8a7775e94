#pragma once
// Conversions between the program's two kinds of text: 8-bit ANSI for messages, formats and the
// file names kept in the run options; UTF-16 for names of files, keys and values.
#include <string>
#include <string_view>

#include "runtime/types.h"

namespace pelorin {

// Widening is byte by byte: each byte becomes the code unit of the same value.
std::u16string widen(std::string_view text);
// Narrowing keeps units below 256 and turns every other unit into '?'.
std::string narrow(std::u16string_view text);

// Length of a NUL-terminated UTF-16 text (0 for null).
std::size_t textLength(const char16_t* text);

// Bounded copy into a fixed buffer of `capacity` units: at most capacity - 1 units and a NUL.
// Gives the number of units copied. Nothing is written when capacity is 0.
std::size_t copyBounded(char* out, std::size_t capacity, std::string_view text);
std::size_t copyBounded(char16_t* out, std::size_t capacity, std::u16string_view text);

// UTF-8 to UTF-16 (invalid sequences become U+FFFD); used for the language-neutral lists.
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace pelorin
