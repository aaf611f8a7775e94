#include "app/startup.h"

#include "app/argument_list.h"
#include "app/message_box.h"
#include "app/message_ids.h"
#include "app/text_report.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/format.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"
#include "runtime/text.h"

namespace pelorin {
namespace {

RuntimePaths gRuntimePaths;

// A container may carry default arguments as string 100 of group 27.
constexpr u32 DEFAULT_ARGUMENTS_GROUP = 27;
constexpr u32 DEFAULT_ARGUMENTS_ID = 100;

void insertDefaultArguments() {
    if (runtimeSwitches().contains(SWITCH_NO_DEFAULT_ARGUMENTS)) return;
    char text[1024];
    bool found = false;
    LookupFlags flags;  // the neutral table only
    flags.exactLanguageOnly = true;
    flags.noDefaultLanguage = true;
    if (findString(LANGUAGE_NEUTRAL, DEFAULT_ARGUMENTS_ID, text, sizeof text, flags, DEFAULT_ARGUMENTS_GROUP, found) &&
        !insertAfterProgram(text, programArguments())) {
        reportText("WARNING: Too many arguments!");
    }
}

bool isDirectory(const std::string& path) {
    const u32 attributes = platform::fileSystem().queryAttributesAnsi(path.c_str());
    return attributes != platform::FILE_ATTRIBUTES_INVALID && (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT);
}

// "C:\Tools\pelorin.exe" gives "pelorin".
std::string executableBaseName() {
    std::string name = narrow(platform::system().moduleFileName());
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

const RuntimePaths& runtimePaths() { return gRuntimePaths; }

void prepareArguments(const char* commandLine) {
    programArguments().clear();
    runtimeSwitches().clear();
    if (!splitCommandLine(commandLine, programArguments())) reportText("WARNING: Too many arguments!");
    moveRuntimeSwitches(programArguments(), runtimeSwitches());
}

ForcedLanguage forcedLanguage(const ArgumentList& switches) {
    ForcedLanguage language = FORCED_NONE;
    // The last of several switches wins, as a later option usually does.
    for (u32 i = 0; i < switches.count(); ++i) {
        const std::string_view entry = switches.at(i);
        if (entry == SWITCH_FORCE_ENGLISH) language = FORCED_ENGLISH;
        if (entry == SWITCH_FORCE_RUSSIAN) language = FORCED_RUSSIAN;
        if (entry == SWITCH_FORCE_CZECH) language = FORCED_CZECH;
    }
    return language;
}

void chooseLanguage(const ArgumentList& switches) {
    platform::System& system = platform::system();
    const u16 user = system.userDefaultLanguageId();
    interfaceLanguage = chooseInterfaceLanguage(user, forcedLanguage(switches));
    if (switches.contains(SWITCH_SHOW_LANGUAGE_IDS)) {
        const u16 other = system.systemDefaultLanguageId();
        char line[128];
        // Primary language in the low 10 bits, sub-language above them.
        formatText(line, sizeof line, "LID: %X[%X,%X]/%X[%X,%X]", user, user & 0x3FF, user >> 10, other,
                   other & 0x3FF, other >> 10);
        reportText(line);
    }
}

RuntimePaths findRuntimePaths() {
    RuntimePaths paths;
    std::string folder;
    if (platform::system().specialFolder(platform::FOLDER_PERSONAL, true, folder)) {
        folder += "\\Pelorin";
        if (isDirectory(folder) || platform::fileSystem().createDirectoryAnsi(folder.c_str()) == 0) {
            paths.dataDirectory = folder;
        }
    }
    if (paths.dataDirectory.empty()) {
        std::string temp = platform::system().tempPath();
        // Keep the backslash of a drive root ("C:\").
        if (temp.size() > 3 && temp.back() == '\\') temp.pop_back();
        paths.dataDirectory = temp;
    }
    std::string base = paths.dataDirectory;
    if (base.empty() || base.back() != '\\') base += '\\';
    base += executableBaseName();
    paths.settingsFile = base + ".ini";
    paths.logFile = base + ".log";
    return paths;
}

bool checkCommonControls() {
    u32 major = 0;
    u32 minor = 0;
    // Without the library, or without its version, the dialogs cannot work: end silently.
    if (!platform::system().loadCommonControls(major, minor)) return false;
    if (major > COMMON_CONTROLS_MAJOR || (major == COMMON_CONTROLS_MAJOR && minor >= COMMON_CONTROLS_MINOR)) {
        return true;
    }
    return showMessage(BOX_YES_NO_DEFAULT_NO, MSG_COMMON_CONTROLS_TOO_OLD, MESSAGE_SIZE, "comctl32.dll", major, minor,
                       COMMON_CONTROLS_MAJOR, COMMON_CONTROLS_MINOR);
}

int runStartup(const char* commandLine, void (*application)()) {
    prepareArguments(commandLine);

    const std::u16string self = platform::system().moduleFileName();
    if (!openResourceContainer(platform::fileSystem(), self.c_str())) {
        // No texts without the container, and no caption of ours either.
        platform::system().showMessageBox(nullptr, "Bad resource data!", nullptr, platform::MSGBOX_OK);
        return 0;
    }
    insertDefaultArguments();
    chooseLanguage(runtimeSwitches());
    gRuntimePaths = findRuntimePaths();
    registerStandardDirectives();
    if (checkCommonControls() && application) application();
    closeResourceContainer();
    return 0;
}

}  // namespace pelorin
