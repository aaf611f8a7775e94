#include "results/classify_results.h"

#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/string_table.h"
#include "runtime/text.h"

namespace pelorin {
namespace {

// p starts with the directory when the directory's units begin p exactly and are followed by the
// end of p or a backslash (so C:\WINDOWSX is not below C:\WINDOWS).
bool startsWithDirectory(const char16_t* p, const std::u16string& directory) {
    if (directory.empty()) return false;
    for (std::size_t i = 0; i < directory.size(); ++i)
        if (p[i] != directory[i]) return false;
    char16_t next = p[directory.size()];
    return next == 0 || next == u'\\';
}

u32 fileLocationPriority(const char16_t* p, const ClassificationPlaces& places) {
    for (const std::u16string& pattern : places.folderPatterns)
        if (!pattern.empty() && wildcardMatch(pattern.c_str(), p)) return 1;
    if (startsWithDirectory(p, places.systemDirectory)) return 1;
    if (startsWithDirectory(p, places.profilesDirectory)) return 2;
    if (startsWithDirectory(p, places.windowsDirectory)) return 2;
    if (startsWithDirectory(p, places.commonFilesDirectory)) return 3;
    return 0;
}

}  // namespace

std::string joinPath(const std::string& a, const std::string& b) {
    std::string left = a;
    while (!left.empty() && left.back() == '\\') left.pop_back();
    std::size_t start = 0;
    while (start < b.size() && b[start] == '\\') ++start;
    return left + "\\" + b.substr(start);
}

void buildFolderPatterns(const std::string& profilesDirectory, ClassificationPlaces& places) {
    for (auto& p : places.folderPatterns) p.clear();
    if (profilesDirectory.empty()) return;
    std::string autostart = joinPath(joinPath(profilesDirectory, "*"), "Autostart");
    std::string startup = joinPath(joinPath(profilesDirectory, "*"), "Startup");
    places.folderPatterns[0] = widen(autostart);
    places.folderPatterns[1] = widen(joinPath(autostart, "*"));
    places.folderPatterns[2] = widen(startup);
    places.folderPatterns[3] = widen(joinPath(startup, "*"));
}

ClassificationPlaces gatherClassificationPlaces() {
    ClassificationPlaces places;
    platform::System* system = platform::current().system;
    if (!system) return places;
    auto cut = [](std::u16string text) {
        if (text.size() > 256) text.resize(256);
        return text;
    };
    places.windowsDirectory = cut(system->windowsDirectory());
    places.systemDirectory = cut(system->systemDirectory());
    std::string folder;
    if (system->specialFolder(platform::FOLDER_PROGRAM_FILES_COMMON, false, folder))
        places.commonFilesDirectory = cut(widen(folder));
    std::string profiles;
    if (system->specialFolder(platform::FOLDER_PERSONAL, false, profiles)) {
        // The documents folder lies two levels below the folder of all profiles.
        for (int i = 0; i < 2; ++i) {
            std::size_t slash = profiles.rfind('\\');
            profiles = slash == std::string::npos ? std::string() : profiles.substr(0, slash);
        }
        places.profilesDirectory = cut(widen(profiles));
        buildFolderPatterns(profiles, places);
    }
    return places;
}

void classifyResults(ResultList& list) {
    ExclusionList autostart;
    autostart.load(AUTOSTART_PATTERNS_FIRST_ID, &loadString);
    classifyResults(list, autostart, gatherClassificationPlaces());
}

void classifyResults(ResultList& list, const ExclusionList& autostartPatterns, const ClassificationPlaces& places) {
    for (u32 i = 0; i < list.count(); ++i) {
        ResultEntry* e = list.entry(i);
        if (!e) continue;
        switch (e->kind) {
            case RESULT_REG_KEY_ADDED:
            case RESULT_REG_VALUE_ADDED: {
                bool autostart = e->text2 ? autostartPatterns.matchesValue(e->text2, e->text1 ? e->text1 : u"")
                                          : autostartPatterns.matchesValue(e->text1, nullptr);
                if (autostart) e->priority = 1;
                break;
            }
            case RESULT_REG_VALUE_CHANGED:
            case RESULT_REG_TYPE_CHANGED:
                e->priority = 2;
                break;
            case RESULT_REG_VALUE_REMOVED:
                e->priority = 3;
                break;
            case RESULT_FILE_ADDED:
            case RESULT_DIR_ADDED: {
                const char16_t* p = e->text2 ? e->text2 : e->text1;
                if (p) {
                    u32 priority = fileLocationPriority(p, places);
                    if (priority) e->priority = priority;
                }
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace pelorin
