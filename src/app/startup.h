#pragma once
// The runtime's start-up: from the process command line to appMain.
#include <string>

#include "runtime/string_table.h"
#include "runtime/types.h"

namespace pelorin {

class ArgumentList;

// The runtime's own switches ("-~", never seen by the application) for the interface language.
constexpr const char* SWITCH_FORCE_ENGLISH = "-~lang:en";
constexpr const char* SWITCH_FORCE_RUSSIAN = "-~lang:ru";
constexpr const char* SWITCH_FORCE_CZECH = "-~lang:cs";
constexpr const char* SWITCH_SHOW_LANGUAGE_IDS = "-~lid";
// Leaves out the default arguments a resource container may carry.
constexpr const char* SWITCH_NO_DEFAULT_ARGUMENTS = "-~noargs";

// The oldest common controls library the program works with.
constexpr u32 COMMON_CONTROLS_MAJOR = 5;
constexpr u32 COMMON_CONTROLS_MINOR = 80;

struct RuntimePaths {
    std::string dataDirectory;  // no trailing backslash
    std::string settingsFile;   // <data directory>\<executable base name>.ini
    std::string logFile;        // <data directory>\<executable base name>.log
};

// Filled by the start-up; empty before.
const RuntimePaths& runtimePaths();

// Runs the start-up and then `application` (appMain in the program). Gives the exit code.
int runStartup(const char* commandLine, void (*application)());

// The parts of the start-up, in the order it runs them.

// Splits the command line into programArguments() and moves the "-~" switches to
// runtimeSwitches(); too many tokens are reported through the text report.
void prepareArguments(const char* commandLine);
// The language forced by a runtime switch; the last one given counts.
ForcedLanguage forcedLanguage(const ArgumentList& switches);
// Chooses interfaceLanguage; with SWITCH_SHOW_LANGUAGE_IDS reports the language ids.
void chooseLanguage(const ArgumentList& switches);
// The documents folder with "Pelorin" appended, created when missing; else the temporary directory.
RuntimePaths findRuntimePaths();
// False when the program must end: the library is missing, or too old and the user says No.
bool checkCommonControls();

}  // namespace pelorin
