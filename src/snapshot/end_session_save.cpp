#include "snapshot/end_session_save.h"

#include <string>

#include "app/run_options.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/text.h"
#include "snapshot/snapshot_file.h"

namespace pelorin {

void endSessionFileName(char* buffer, u32 size, const EndSessionSettings& settings) {
    if (!buffer || !size) return;
    const platform::Platform& p = platform::current();
    std::string directory;
    if (settings.directory && *settings.directory && p.fileSystem) {
        const u32 attributes = p.fileSystem->queryAttributesAnsi(settings.directory);
        if (attributes != platform::FILE_ATTRIBUTES_INVALID && (attributes & platform::FILE_ATTRIBUTE_DIRECTORY_BIT)) {
            directory = settings.directory;
        }
    }
    if (directory.empty() && p.system) {
        directory = p.system->tempPath();
        if (!directory.empty() && directory.back() == '\\') directory.pop_back();
    }
    if (directory.empty()) directory = "c:\\";
    // A root such as "c:\" already ends with the separator.
    if (directory.back() != '\\') directory += '\\';
    char name[TEXT_FIELD_SIZE];
    defaultSnapshotName(name, sizeof name);
    copyBounded(buffer, size, directory + name);
}

void playAlertSound(const char* soundName) {
    platform::System* system = platform::current().system;
    if (!system) return;
    if (soundName && *soundName && system->playSound(soundName)) return;
    system->beep(ALERT_BEEP_FREQUENCY, ALERT_BEEP_MILLISECONDS);
}

bool saveAtEndOfSession(ProgressSink* sink, SnapshotTree* registryTree, SnapshotTree* fileSystemTree,
                        const RunOptions& options, const EndSessionSettings& settings) {
    if (!registryTree || !fileSystemTree) return false;
    char fileName[TEXT_FIELD_SIZE];
    endSessionFileName(fileName, sizeof fileName, settings);
    const bool saved = saveSnapshotFile(sink, fileName, *registryTree, *fileSystemTree, options);
    playAlertSound(settings.sound);
    return saved;
}

}  // namespace pelorin
