// TEMPORARY stand-in until the string table lands on main (replaced at merge).
#include "runtime/string_table.h"
namespace pelorin {
bool loadString(char* buffer, u32 capacity, u32, bool) {
    if (buffer && capacity >= 2) { buffer[0] = '?'; buffer[1] = 0; }
    return false;
}
}
