#pragma once
// TEMPORARY stand-in until the string table lands on main (replaced at merge).
#include "runtime/types.h"
namespace pelorin {
bool loadString(char* buffer, u32 capacity, u32 id, bool noDefaultLanguage);
}
