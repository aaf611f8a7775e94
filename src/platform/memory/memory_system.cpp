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

bool MemorySystem::fileTimeToLocalTime(u64 fileTime, LocalTime& out) {
    out = LocalTime();
    constexpr i64 kTicksPerSecond = 10000000;
    // FileTimeToSystemTime refuses times with the top bit set.
    if (!fileTimeConversionWorks || fileTime >> 63) return false;
    i64 ticks = static_cast<i64>(fileTime) + localTimeOffsetMinutes * 60 * kTicksPerSecond;
    if (ticks < 0) return false;
    i64 seconds = ticks / kTicksPerSecond;
    i64 days = seconds / 86400;
    i64 inDay = seconds % 86400;
    // Civil date from a day count (days from 1601-01-01 moved to 0000-03-01).
    i64 z = days + 584694;
    i64 era = z / 146097;
    i64 doe = z - era * 146097;
    i64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    i64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    i64 mp = (5 * doy + 2) / 153;
    i64 day = doy - (153 * mp + 2) / 5 + 1;
    i64 month = mp < 10 ? mp + 3 : mp - 9;
    i64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    out.year = static_cast<u16>(year);
    out.month = static_cast<u16>(month);
    out.day = static_cast<u16>(day);
    out.dayOfWeek = static_cast<u16>((days + 1) % 7);  // 1601-01-01 was a Monday
    out.hour = static_cast<u16>(inDay / 3600);
    out.minute = static_cast<u16>(inDay / 60 % 60);
    out.second = static_cast<u16>(inDay % 60);
    out.milliseconds = static_cast<u16>(ticks % kTicksPerSecond / 10000);
    return true;
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
