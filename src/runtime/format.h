#pragma once
// TEMPORARY stand-in until the formatter lands on main (replaced at merge).
#include <cstdio>
#include <string>
#include <type_traits>

#include "runtime/types.h"

namespace pelorin {
namespace detail {
inline std::string fmtArg(const char* s) { return s ? s : "(null)"; }
inline std::string fmtArg(char* s) { return s ? s : "(null)"; }
inline std::string fmtArg(const char16_t* s) {
    if (!s) return "(null)";
    std::string o;
    for (; *s; ++s) o += *s < 256 ? static_cast<char>(*s) : '?';
    return o;
}
inline std::string fmtArg(char16_t* s) { return fmtArg(static_cast<const char16_t*>(s)); }
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
std::string fmtArg(T v) { return std::to_string(v); }
}  // namespace detail

template <typename... Args>
bool formatText(char* buffer, u32 size, const char* format, const Args&... args) {
    std::string parts[] = {std::string(), detail::fmtArg(args)...};
    std::string out;
    std::size_t next = 1;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') { out += *p; continue; }
        ++p;
        while (*p == '$' || *p == 'l' || *p == 'h') ++p;
        if (*p == '%') { out += '%'; continue; }
        if (!*p) break;
        if (next < sizeof...(Args) + 1) out += parts[next++];
    }
    std::snprintf(buffer, size, "%s", out.c_str());
    return out.size() < size;
}
}  // namespace pelorin
