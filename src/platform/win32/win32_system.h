#pragma once
#include <string>

#include "platform/system.h"

namespace pelorin::platform {

class Win32System : public System {
public:
    std::u16string windowsDirectory() override;
    std::u16string systemDirectory() override;
    bool specialFolder(u32 folder, bool create, std::string& out) override;
    std::string tempPath() override;
    u32 environmentVariable(const char* name, char* buffer, u32 size) override;
    u16 userDefaultLanguageId() override;
    u16 systemDefaultLanguageId() override;
    bool osVersion(OsVersion& out) override;
    std::u16string moduleFileName() override;
    bool resolveWideApis() override;
    bool loadCommonControls(u32& major, u32& minor) override;
    u32 showMessageBox(WindowHandle owner, const char* text, const char* caption, u32 style) override;
    bool isWindowedProgram() override;
    void writeStandardError(const char* text, u32 length) override;
    bool fileTimeToLocalTime(u64 fileTime, LocalTime& out) override;
    u32 allocationGranularity() override;
    bool computerName(char* buffer, u32 size) override;
    LocalTime localTime() override;
    bool playSound(const char* name) override;
    void beep(u32 frequency, u32 milliseconds) override;

    // The two ways to a special folder; specialFolder tries the first, then the second.
    static bool specialFolderByPath(u32 folder, bool create, std::string& out);
    static bool specialFolderByLocation(u32 folder, std::string& out);
};

}  // namespace pelorin::platform
