#pragma once
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace pelorin::platform {

// A system whose answers the test sets. Message boxes are recorded and answered from a queue.
class MemorySystem : public System {
public:
    struct MessageBoxCall {
        WindowHandle owner = nullptr;
        std::string text;
        std::string caption;
        bool hasCaption = false;
        u32 style = 0;
    };

    std::u16string windowsDirectoryValue = u"C:\\WINDOWS";
    std::u16string systemDirectoryValue = u"C:\\WINDOWS\\system32";
    std::map<u32, std::string> specialFolders;  // missing: the folder cannot be determined
    std::vector<u32> createdFolders;            // the folders asked for with `create`
    std::string tempPathValue = "C:\\TEMP\\";
    std::map<std::string, std::string> environment;
    u16 userLanguage = 0x0409;
    u16 systemLanguage = 0x0409;
    bool osVersionAvailable = true;
    OsVersion osVersionValue{PLATFORM_WIN32_NT, 5, 1, 2600};
    std::u16string moduleFileNameValue = u"C:\\Program Files\\Pelorin\\pelorin.exe";
    bool wideApisAvailable = true;
    u32 wideApiResolutions = 0;
    bool commonControlsAvailable = true;
    u32 commonControlsMajor = 5;
    u32 commonControlsMinor = 82;
    bool windowed = true;
    i64 localTimeOffsetMinutes = 0;  // the local zone's distance from UTC
    bool fileTimeConversionWorks = true;
    u32 allocationGranularityValue = 65536;
    std::string computerNameValue = "TESTPC";
    bool computerNameAvailable = true;
    LocalTime localTimeValue{2024, 3, 5, 8, 7, 6, 5, 4};  // 8 March 2024, 07:06:05.004
    bool soundAvailable = true;       // playSound succeeds
    std::vector<std::string> soundsPlayed;
    std::vector<std::pair<u32, u32>> beeps;  // frequency, milliseconds

    std::vector<MessageBoxCall> messageBoxes;
    std::deque<u32> answers;         // taken in order; when empty, defaultAnswer
    u32 defaultAnswer = ANSWER_OK;
    std::string standardError;

    std::u16string windowsDirectory() override { return windowsDirectoryValue; }
    std::u16string systemDirectory() override { return systemDirectoryValue; }
    bool specialFolder(u32 folder, bool create, std::string& out) override;
    std::string tempPath() override { return tempPathValue; }
    u32 environmentVariable(const char* name, char* buffer, u32 size) override;
    u16 userDefaultLanguageId() override { return userLanguage; }
    u16 systemDefaultLanguageId() override { return systemLanguage; }
    bool osVersion(OsVersion& out) override;
    std::u16string moduleFileName() override { return moduleFileNameValue; }
    bool resolveWideApis() override;
    bool loadCommonControls(u32& major, u32& minor) override;
    u32 showMessageBox(WindowHandle owner, const char* text, const char* caption, u32 style) override;
    bool isWindowedProgram() override { return windowed; }
    void writeStandardError(const char* text, u32 length) override { standardError.append(text, length); }
    bool fileTimeToLocalTime(u64 fileTime, LocalTime& out) override;
    u32 allocationGranularity() override { return allocationGranularityValue; }
    bool computerName(char* buffer, u32 size) override;
    LocalTime localTime() override { return localTimeValue; }
    bool playSound(const char* name) override;
    void beep(u32 frequency, u32 milliseconds) override { beeps.emplace_back(frequency, milliseconds); }
};

}  // namespace pelorin::platform
