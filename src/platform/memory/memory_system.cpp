#include "platform/memory/memory_system.h"

#include <cstring>

#include "runtime/text.h"

namespace pelorin::platform {

bool MemorySystem::specialFolder(u32 folder, bool create, std::string& out) {
    auto it = specialFolders.find(folder);
    if (it == specialFolders.end()) return false;
    if (create) createdFolders.push_back(folder);
    out = it->second;
    return true;
}

u32 MemorySystem::environmentVariable(const char* name, char* buffer, u32 size) {
    if (buffer && size) buffer[0] = 0;
    auto it = environment.find(name ? name : "");
    if (it == environment.end()) return 0;
    if (buffer && size) copyBounded(buffer, size, it->second);
    return static_cast<u32>(it->second.size());
}

bool MemorySystem::osVersion(OsVersion& out) {
    if (!osVersionAvailable) return false;
    out = osVersionValue;
    return true;
}

bool MemorySystem::resolveWideApis() {
    ++wideApiResolutions;
    return wideApisAvailable;
}

bool MemorySystem::loadCommonControls(u32& major, u32& minor) {
    if (!commonControlsAvailable) return false;
    major = commonControlsMajor;
    minor = commonControlsMinor;
    return true;
}

u32 MemorySystem::showMessageBox(WindowHandle owner, const char* text, const char* caption, u32 style) {
    MessageBoxCall call;
    call.owner = owner;
    call.text = text ? text : "";
    call.hasCaption = caption != nullptr;
    call.caption = caption ? caption : "";
    call.style = style;
    messageBoxes.push_back(call);
    if (answers.empty()) return defaultAnswer;
    const u32 answer = answers.front();
    answers.pop_front();
    return answer;
}

bool MemorySystem::computerName(char* buffer, u32 size) {
    if (!buffer || !size) return false;
    buffer[0] = 0;
    // GetComputerNameA fails, rather than cutting, when the name does not fit.
    if (!computerNameAvailable || computerNameValue.size() + 1 > size) return false;
    std::memcpy(buffer, computerNameValue.c_str(), computerNameValue.size() + 1);
    return true;
}

bool MemorySystem::playSound(const char* name) {
    if (!soundAvailable || !name) return false;
    soundsPlayed.emplace_back(name);
    return true;
}

}  // namespace pelorin::platform
