#pragma once
// System part of the platform seam: directories of the system, the user's environment, the
// operating system's identity, and the few user-interface calls the start-up needs before any
// dialog exists (the message box, the standard error handle).
#include <string>

#include "runtime/types.h"

namespace pelorin::platform {

// An opaque window handle (HWND on Windows); null means "no owner".
using WindowHandle = void*;

// Message box styles and answers, with the values Windows gives them.
constexpr u32 MSGBOX_OK = 0x0;
constexpr u32 MSGBOX_OKCANCEL = 0x1;
constexpr u32 MSGBOX_YESNO = 0x4;
constexpr u32 MSGBOX_ICONHAND = 0x10;
constexpr u32 MSGBOX_ICONQUESTION = 0x20;
constexpr u32 MSGBOX_ICONINFORMATION = 0x40;
constexpr u32 MSGBOX_DEFBUTTON2 = 0x100;
constexpr u32 MSGBOX_SETFOREGROUND = 0x10000;
constexpr u32 ANSWER_OK = 1;
constexpr u32 ANSWER_CANCEL = 2;
constexpr u32 ANSWER_YES = 6;
constexpr u32 ANSWER_NO = 7;

// Special folders by their shell numbers.
constexpr u32 FOLDER_PERSONAL = 0x05;                // the user's documents
constexpr u32 FOLDER_PROGRAM_FILES_COMMON = 0x2B;

constexpr u32 PLATFORM_WIN32_NT = 2;

// The local date and time as GetLocalTime gives it.
struct LocalTime {
    u16 year = 0;
    u16 month = 0;
    u16 dayOfWeek = 0;
    u16 day = 0;
    u16 hour = 0;
    u16 minute = 0;
    u16 second = 0;
    u16 milliseconds = 0;
};

struct OsVersion {
    u32 platformId = 0;  // PLATFORM_WIN32_NT for the NT family
    u32 major = 0;
    u32 minor = 0;
    u32 build = 0;
};

class System {
public:
    virtual ~System() = default;

    // The Windows directory (GetWindowsDirectoryW), without a trailing backslash; empty on failure.
    virtual std::u16string windowsDirectory() = 0;
    // The system directory (GetSystemDirectoryW), without a trailing backslash; empty on failure.
    virtual std::u16string systemDirectory() = 0;
    // A special folder by its shell number, created when missing if `create` is set; false when it
    // cannot be determined. The path has no trailing backslash.
    virtual bool specialFolder(u32 folder, bool create, std::string& out) = 0;
    // The temporary directory (GetTempPathA), with its trailing backslash; empty on failure.
    virtual std::string tempPath() = 0;
    // Copies an environment variable into buffer, cut to size - 1 bytes; gives the length of
    // its value before cutting, 0 when it is missing or empty.
    virtual u32 environmentVariable(const char* name, char* buffer, u32 size) = 0;
    // The user's and the system's default language ids (GetUserDefaultLangID and its system twin).
    virtual u16 userDefaultLanguageId() = 0;
    virtual u16 systemDefaultLanguageId() = 0;
    // Platform and version of the operating system (GetVersionExA); false when it cannot be asked.
    virtual bool osVersion(OsVersion& out) = 0;
    // Full path of the program's own executable; empty on failure.
    virtual std::u16string moduleFileName() = 0;
    // Looks up, once, the wide-character functions the scanners call; false when a required one
    // is missing. A success is remembered.
    virtual bool resolveWideApis() = 0;
    // Loads the common controls library, initialises it, and gives its version; false when the
    // library or its version function is missing or the version cannot be asked.
    virtual bool loadCommonControls(u32& major, u32& minor) = 0;

    // Shows a message box and gives the answer (ANSWER_...), 0 when none could be shown. A null
    // caption leaves the system's default caption.
    virtual u32 showMessageBox(WindowHandle owner, const char* text, const char* caption, u32 style) = 0;
    // True for a windowed program (the subsystem of its own executable), false for a console one.
    virtual bool isWindowedProgram() = 0;
    // Writes bytes to the standard error handle as they are.
    virtual void writeStandardError(const char* text, u32 length) = 0;
    // A FILETIME (UTC) in the local time zone (FileTimeToLocalFileTime, FileTimeToSystemTime);
    // false when a conversion fails.
    virtual bool fileTimeToLocalTime(u64 fileTime, LocalTime& out) {
        (void)fileTime;
        out = LocalTime();
        return false;
    }

    // For the snapshot file and its end-session save. Test doubles of other concerns need not
    // offer these; the defaults answer "not available".

    // The allocation granularity of the system (GetSystemInfo); 0 when it reports none.
    virtual u32 allocationGranularity() { return 0; }
    // The computer's name (GetComputerNameA) into buffer; false, with an empty buffer, when it
    // cannot be had or does not fit.
    virtual bool computerName(char* buffer, u32 size) {
        if (buffer && size) buffer[0] = 0;
        return false;
    }
    virtual LocalTime localTime() { return {}; }
    // Plays a sound file and waits for its end (PlaySoundA, looked up in winmm at run time);
    // false when the function is missing or the sound could not be played.
    virtual bool playSound(const char* name) {
        (void)name;
        return false;
    }
    // Sounds a tone (Beep) and waits for its end.
    virtual void beep(u32 frequency, u32 milliseconds) { (void)frequency, (void)milliseconds; }
};

// The Windows directory of the installed platform, or empty when no system is installed.
std::u16string windowsDirectoryOrEmpty();

}  // namespace pelorin::platform
