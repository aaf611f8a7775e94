#pragma once
// Priorities of the differences: autostart locations and system directories matter most to
// someone checking what an installer did.
#include <string>

#include "results/result_list.h"
#include "snapshot/exclusion_list.h"

namespace pelorin {

constexpr u32 AUTOSTART_PATTERNS_FIRST_ID = 30000;

// What classification compares against; each directory may be empty, which disables its rule.
struct ClassificationPlaces {
    std::u16string windowsDirectory;
    std::u16string systemDirectory;
    std::u16string commonFilesDirectory;
    std::u16string profilesDirectory;
    // The start-up folders of every profile: profiles\*\Autostart, ...\Autostart\*, and the same
    // with Startup. Empty when the profiles directory is unknown.
    std::u16string folderPatterns[4];
};

// The places of this system, through the platform seam (at most 256 units each).
ClassificationPlaces gatherClassificationPlaces();
// The four folder patterns from the profiles directory in 8-bit form.
void buildFolderPatterns(const std::string& profilesDirectory, ClassificationPlaces& places);
// Joins two path parts with exactly one "\" between them.
std::string joinPath(const std::string& a, const std::string& b);

// Sets the priority of every entry: 1 for autostart locations, the start-up folders and the
// system directory, 2 for changed values and the profiles and Windows directories, 3 for removed
// values and the common files directory, else 0.
void classifyResults(ResultList& list);
void classifyResults(ResultList& list, const ExclusionList& autostartPatterns, const ClassificationPlaces& places);

}  // namespace pelorin
