#pragma once
// The save made when Windows ends the session during a run (a setup program restarting the
// computer): the pass-1 snapshot goes to the temporary directory under the default name, so
// that the next start offers phase 2, and an alert sounds.
#include "runtime/types.h"

namespace pelorin {

class ProgressSink;
class SnapshotTree;
struct RunOptions;

// What runtime settings may change. The program has no settings of its own yet, so its callers
// pass the defaults: the system's temporary directory and the beep.
struct EndSessionSettings {
    const char* directory = nullptr;  // used instead of the temporary directory when it exists
    const char* sound = nullptr;      // sound file played instead of the beep
};

constexpr u32 ALERT_BEEP_FREQUENCY = 440;
constexpr u32 ALERT_BEEP_MILLISECONDS = 500;

// The target: the directory (the setting's, else GetTempPathA without its trailing backslash,
// else "c:\"), a backslash and defaultSnapshotName.
void endSessionFileName(char* buffer, u32 size, const EndSessionSettings& settings = {});

// Plays the alert: the named sound when there is one and it plays, otherwise the beep.
void playAlertSound(const char* soundName);

// When both trees exist: saves them with the options to endSessionFileName (which remembers the
// name on success) and plays the alert. Gives what saveSnapshotFile gave; false without trees.
bool saveAtEndOfSession(ProgressSink* sink, SnapshotTree* registryTree, SnapshotTree* fileSystemTree,
                        const RunOptions& options, const EndSessionSettings& settings = {});

}  // namespace pelorin
