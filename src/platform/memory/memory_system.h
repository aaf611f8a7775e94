#pragma once
#include <deque>
#include <map>
#include <string>
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

    std::vector<MessageBoxCall> messageBoxes;
    std::deque<u32> answers;         // taken in order; when empty, defaultAnswer
    u32 defaultAnswer = ANSWER_OK;
    std::string standardError;

    std::u16string windowsDirectory() override { return windowsDirectoryValue; }
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
};

}  // namespace pelorin::platform
