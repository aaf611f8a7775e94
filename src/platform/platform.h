#pragma once
// The seam between the program and the operating system. The scanners, the undo and the
// start-up reach Windows only through these interfaces; the program installs the Win32
// implementation at start-up, tests install the in-memory one. Code above the seam never knows
// which one it has.

namespace pelorin::platform {

class FileSystem;
class Registry;
class System;

struct Platform {
    FileSystem* fileSystem = nullptr;
    Registry* registry = nullptr;
    System* system = nullptr;
};

// The process-wide platform. Installed before any worker thread starts; read-only afterwards.
const Platform& current();
void install(const Platform& platform);

inline FileSystem& fileSystem() { return *current().fileSystem; }
inline Registry& registry() { return *current().registry; }
inline System& system() { return *current().system; }

// Installs a platform for the life of the object and restores the previous one (tests).
class ScopedPlatform {
public:
    explicit ScopedPlatform(const Platform& platform) : saved_(current()) { install(platform); }
    ~ScopedPlatform() { install(saved_); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform saved_;
};

}  // namespace pelorin::platform
