#pragma once
// Installs the real Windows platform (file system, registry, system) for the whole process.

namespace pelorin::platform {

void installWin32Platform();

}  // namespace pelorin::platform
