#include "platform/platform.h"

namespace pelorin::platform {
namespace {
Platform gPlatform;
}

const Platform& current() { return gPlatform; }
void install(const Platform& platform) { gPlatform = platform; }

}  // namespace pelorin::platform
