#pragma once
// In-memory file system for tests and fuzzing. It stages what a real system shows only with
// effort (or not at all under Wine): files locked against reading, and failures on demand.
//
// Two stores live side by side: the flat one (putFile, putDirectory) for code that only opens
// and asks for attributes, and a tree (addFile, addDirectory, ...) that can also be listed, with
// entries in the order they were added, named streams, junctions, listings that cannot be
// opened and volumes with or without named streams. Lookups try the flat store first.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace pelorin::platform {

class MemoryFileSystem : public FileSystem {
public:
    struct FileData {
        std::vector<u8> bytes;
        u32 openError = 0;  // non-zero: opening gives this code (e.g. 32, a sharing violation)
        u32 attributes = FILE_ATTRIBUTE_ARCHIVE_BIT;
        u64 writeTime = 0;                     // FILETIME the listing gives
        u64 listedSize = SIZE_OF_CONTENTS;     // else the size the listing gives
        std::vector<u8> streamRecords;         // non-empty: the stream query answers these bytes
    };
    static constexpr u64 SIZE_OF_CONTENTS = ~u64(0);

    struct DirectoryData {
        u32 attributes = FILE_ATTRIBUTE_DIRECTORY_BIT;
        u64 writeTime = 0;
        u32 listError = 0;  // non-zero: listing it gives this code (e.g. 5, access denied)
        u32 openError = 0;  // non-zero: opening it for its streams gives this code
        std::u16string junctionTarget;  // non-empty: a junction, listing the target's entries
    };

    // Creates or replaces a file with the given contents.
    FileData& putFile(const std::u16string& path, std::vector<u8> bytes);
    FileData* findFile(const std::u16string& path);
    // Adds a directory (its parents are not implied).
    void putDirectory(const std::u16string& path);

    // The tree. Missing parents are created as plain directories; adding an existing name again
    // replaces it in place (it keeps its position in the listing).
    DirectoryData& addDirectory(const std::u16string& path, u64 writeTime = 0);
    FileData& addFile(const std::u16string& path, std::vector<u8> bytes, u64 writeTime = 0);
    // A named stream of a file or directory of the tree (which must exist): ":name" of owner.
    FileData& addStream(const std::u16string& ownerPath, const std::u16string& streamName, std::vector<u8> bytes);
    // A directory entry that lists the entries of `target` (an existing directory of the tree,
    // given without junctions in it): a target above the junction makes a loop.
    DirectoryData& addJunction(const std::u16string& path, const std::u16string& target);
    // Removes a file or a directory with everything below it; false when there is none.
    bool removeEntry(const std::u16string& path);
    DirectoryData* findDirectory(const std::u16string& path);

    // Volume flags by volume root ("C:\"); a volume missing here cannot be asked.
    std::map<std::u16string, u32> volumeFlags;
    // False: asking for a volume's root fails (as where GetVolumePathNameW is missing).
    bool volumePathNameWorks = true;
    // What the stream query answers when the list does not fit (one of the three "too small"
    // statuses); with BUFFER_OVERFLOW the records that fit are written, as NTFS does.
    u32 streamTooSmallStatus = NT_STATUS_BUFFER_OVERFLOW;
    // Non-zero: every stream query answers this (Wine answers NOT_IMPLEMENTED).
    u32 streamQueryStatus = 0;
    // The buffer size of every stream query, in order.
    std::vector<u32> streamQuerySizes;
    // The listing of a directory other than a drive root starts with "." and "..".
    bool listDotEntries = true;
    // True: opening a listing fails for want of memory.
    bool listingOutOfMemory = false;

    // Relative names are resolved against this directory (no trailing backslash).
    std::string currentDirectory = "C:\\";
    // Names for which queryAttributes (the wide form) fails although the ANSI form finds them,
    // as with bytes that do not widen to the name's real characters.
    std::vector<std::u16string> wideLookupFailures;

    // Failures on demand for the files opened from now on. Writes are counted over all files
    // (1 = the first write); the write numbered failWriteAt fails with failWriteError, or, when
    // that is 0, writes only half of its bytes without an error (a full disk).
    u32 failWriteAt = 0;
    u32 failWriteError = 112;  // ERROR_DISK_FULL
    u32 writeCalls = 0;
    u32 failSetEndOfFileError = 0;
    u32 failCloseError = 0;

    u32 openForReading(const char16_t* path, std::unique_ptr<File>& out) override;
    u32 queryAttributes(const char16_t* path) override;
    u32 queryAttributesAnsi(const char* path) override;
    bool makeFullPathAnsi(const char* name, char* out, u32 size) override;
    u32 createDirectoryAnsi(const char* path) override;
    u32 listDirectory(const char16_t* directory, std::unique_ptr<DirectoryListing>& out) override;
    u32 openForStreams(const char16_t* path, bool directory, std::unique_ptr<File>& out) override;
    bool queryVolumePathName(const char16_t* path, char16_t* out, u32 capacity) override;
    bool queryVolumeFlags(const char16_t* volumeRoot, u32& flags) override;

    struct TreeNode;

    u32 openForReadingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 createForWritingAnsi(const char* path, std::unique_ptr<File>& out) override;
    u32 setAttributesAnsi(const char* path, u32 attributes) override;
    u32 deleteFileAnsi(const char* path) override;
    // Undo works on the tree only. A file whose openError is set (in use) cannot be deleted
    // either; a directory whose listing fails keeps its contents and itself.
    u32 deleteFile(const char16_t* path) override;
    u32 deleteTreeAnsi(const char* path) override;

private:
    u32 attributesOf(std::u16string path);
    TreeNode& treeRoot();
    TreeNode* locate(const std::u16string& path, bool followLastJunction);
    TreeNode* locateParent(const std::u16string& path, std::u16string& name, bool create);
    std::shared_ptr<FileData> treeFile(const std::u16string& path);
    // The key of an existing file for an ANSI name (relative names against currentDirectory,
    // case ignored), or the end of the map.
    std::map<std::u16string, std::shared_ptr<FileData>>::iterator findAnsi(const char* path, std::u16string* full);

    std::map<std::u16string, std::shared_ptr<FileData>> files_;
    std::vector<std::u16string> directories_;
    std::shared_ptr<TreeNode> tree_;
};

}  // namespace pelorin::platform
