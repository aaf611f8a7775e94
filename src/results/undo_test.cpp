#include "results/undo.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"

namespace pelorin {
namespace {

using platform::RegistryRoot;

class UndoTest : public ::testing::Test {
protected:
    UndoTest() {
        auto& reg = platform.registry;
        reg.putValue(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\New", u"", 1, {'a', 0});
        reg.createKey(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Parent\\Child");
        reg.putValue(RegistryRoot::USERS, u"S-1\\Key", u"Added", 4, {1, 0, 0, 0});
        reg.putValue(RegistryRoot::USERS, u"S-1\\Key", u"", 1, {'d', 0});
        // A value changed to a DWORD since the first scan; its old text is written back as it is.
        reg.putValue(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\App", u"Path", 4, {9, 9, 9, 9});
        reg.putValue(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Locked", u"V", 1, {'n', 0});
        reg.failOpening(RegistryRoot::LOCAL_MACHINE, u"SOFTWARE\\Locked", 5);

        auto& fs = platform.fileSystem;
        fs.addFile(u"C:\\app\\new.txt", {1});
        fs.addFile(u"C:\\app\\readonly.txt", {1}).attributes |= platform::FILE_ATTRIBUTE_READONLY_BIT;
        fs.addFile(u"C:\\app\\busy.dll", {1}).openError = 32;
        fs.addFile(u"C:\\tree\\a.txt", {1});
        fs.addFile(u"C:\\tree\\sub\\deeper\\b.txt", {2});
        fs.addFile(u"C:\\elsewhere\\keep.txt", {3});
        fs.addJunction(u"C:\\tree\\link", u"C:\\elsewhere");
        fs.addFile(u"C:\\guarded\\x.txt", {1});
        fs.addDirectory(u"C:\\guarded\\closed").listError = 5;
        fs.addDirectory(u"C:\\caf\u00e9");
        fs.addDirectory(u"C:\\\u0416");
    }

    ResultEntry& entry(u32 kind, const char16_t* text1, const char16_t* text2, const std::vector<u8>& data = {}) {
        EXPECT_TRUE(list.addChange(kind, text1, text2, static_cast<u32>(data.size()), data.empty() ? nullptr : data.data()));
        return *list.entry(list.count() - 1);
    }

    bool fileExists(const char16_t* path) { return platform.fileSystem.findFile(path) != nullptr; }
    bool directoryExists(const char16_t* path) { return platform.fileSystem.findDirectory(path) != nullptr; }

    platform::MemoryPlatform platform;
    ResultList list;
};

TEST_F(UndoTest, EachKindIsUndoneThroughThePlatformOrRefused) {
    auto& reg = platform.registry;
    struct Case {
        const char* what;
        u32 kind;
        const char16_t* text1;
        const char16_t* text2;
        std::vector<u8> data;
        bool can;
        bool done;
        std::function<bool()> stateAfter;  // holds after the undo attempt
    };
    const std::vector<Case> cases = {
        {"added key", RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\New", nullptr, {}, true, true,
         [&] { return !reg.hasKey(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\New"); }},
        {"added key that has subkeys now", RESULT_REG_KEY_ADDED, u"HKLM\\SOFTWARE\\Parent", nullptr, {}, true, false,
         [&] { return reg.hasKey(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\Parent\\Child"); }},
        {"key of a hive the scan does not cover", RESULT_REG_KEY_ADDED, u"HKCU\\SOFTWARE\\New", nullptr, {}, true,
         false, [] { return true; }},
        {"prefix in other letter case", RESULT_REG_KEY_ADDED, u"hklm\\SOFTWARE\\New", nullptr, {}, true, false,
         [] { return true; }},
        {"added value", RESULT_REG_VALUE_ADDED, u"Added", u"HKU\\S-1\\Key", {}, true, true,
         [&] { return !reg.findValue(RegistryRoot::USERS, "S-1\\Key", "Added"); }},
        {"added default value", RESULT_REG_VALUE_ADDED, u"", u"HKU\\S-1\\Key", {}, true, true,
         [&] { return !reg.findValue(RegistryRoot::USERS, "S-1\\Key", ""); }},
        {"added value of a key that cannot be opened", RESULT_REG_VALUE_ADDED, u"V", u"HKLM\\SOFTWARE\\Locked", {},
         true, false, [&] { return reg.findValue(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\Locked", "V") != nullptr; }},
        {"changed value with its old data", RESULT_REG_VALUE_CHANGED, u"Path", u"HKLM\\SOFTWARE\\App", {'o', 0, 'l', 0, 'd', 0, 0, 0},
         true, true, [&] {
             auto* v = reg.findValue(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\App", "Path");
             return v && v->type == 4 && v->data == std::vector<u8>{'o', 0, 'l', 0, 'd', 0, 0, 0};
         }},
        {"changed value kept as a digest", RESULT_REG_VALUE_CHANGED, u"Path", u"HKLM\\SOFTWARE\\App", {}, false,
         false, [&] { return reg.findValue(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\App", "Path") != nullptr; }},
        {"changed value that is gone now", RESULT_REG_VALUE_CHANGED, u"Gone", u"HKLM\\SOFTWARE\\App", {1}, true,
         false, [&] { return !reg.findValue(RegistryRoot::LOCAL_MACHINE, "SOFTWARE\\App", "Gone"); }},
        {"added file", RESULT_FILE_ADDED, u"C:\\app\\new.txt", nullptr, {}, true, true,
         [&] { return !fileExists(u"C:\\app\\new.txt"); }},
        {"read-only file", RESULT_FILE_ADDED, u"C:\\app\\readonly.txt", nullptr, {}, true, false,
         [&] { return fileExists(u"C:\\app\\readonly.txt"); }},
        {"file in use", RESULT_FILE_ADDED, u"C:\\app\\busy.dll", nullptr, {}, true, false,
         [&] { return fileExists(u"C:\\app\\busy.dll"); }},
        {"file without a name", RESULT_FILE_ADDED, u"", nullptr, {}, true, false, [] { return true; }},
        {"directory tree with a junction inside", RESULT_DIR_ADDED, u"C:\\tree", nullptr, {}, true, true, [&] {
             return !directoryExists(u"C:\\tree") && !fileExists(u"C:\\tree\\sub\\deeper\\b.txt") &&
                    fileExists(u"C:\\elsewhere\\keep.txt");
         }},
        {"directory with a part that cannot be listed", RESULT_DIR_ADDED, u"C:\\guarded", nullptr, {}, true, false,
         [&] { return directoryExists(u"C:\\guarded\\closed"); }},
        {"directory name within Latin-1", RESULT_DIR_ADDED, u"C:\\caf\u00e9", nullptr, {}, true, true,
         [&] { return !directoryExists(u"C:\\caf\u00e9"); }},
        // Narrowed to "C:\?": no such directory, so the real one stays.
        {"directory name beyond 8 bits", RESULT_DIR_ADDED, u"C:\\\u0416", nullptr, {}, true, false,
         [&] { return directoryExists(u"C:\\\u0416"); }},
        {"a file is not a directory", RESULT_DIR_ADDED, u"C:\\elsewhere\\keep.txt", nullptr, {}, true, false,
         [&] { return fileExists(u"C:\\elsewhere\\keep.txt"); }},
        {"changed file", RESULT_FILE_CHANGED, u"C:\\elsewhere\\keep.txt", nullptr, {}, false, false,
         [&] { return fileExists(u"C:\\elsewhere\\keep.txt"); }},
        {"removed file", RESULT_FILE_REMOVED, u"keep.txt", u"C:\\elsewhere\\keep.txt", {}, false, false,
         [] { return true; }},
        {"removed value", RESULT_REG_VALUE_REMOVED, u"Path", u"HKLM\\SOFTWARE\\App\\Path", {1}, false, false,
         [] { return true; }},
        {"retyped value", RESULT_REG_TYPE_CHANGED, u"Path", u"HKLM\\SOFTWARE\\App", {1}, false, false,
         [] { return true; }},
        {"file not found", RESULT_FILE_NOT_FOUND, u"C:\\x", nullptr, {}, false, false, [] { return true; }},
        {"unknown kind", 77, u"HKLM\\SOFTWARE\\New", nullptr, {}, false, false, [] { return true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResultEntry& e = entry(c.kind, c.text1, c.text2, c.data);
        EXPECT_EQ(canUndo(e), c.can);
        EXPECT_EQ(undo(e), c.done);
        EXPECT_EQ(e.undone, c.done);
        EXPECT_TRUE(c.stateAfter());
        EXPECT_FALSE(canUndo(e) && e.undone);
    }
}

TEST_F(UndoTest, AnUndoneEntryCannotBeUndoneAgainAndAFailedOneCanBeRetried) {
    ResultEntry& added = entry(RESULT_FILE_ADDED, u"C:\\app\\new.txt", nullptr);
    ASSERT_TRUE(undo(added));
    EXPECT_FALSE(canUndo(added));

    ResultEntry& busy = entry(RESULT_FILE_ADDED, u"C:\\app\\busy.dll", nullptr);
    EXPECT_FALSE(undo(busy));
    EXPECT_TRUE(canUndo(busy));
    platform.fileSystem.findFile(u"C:\\app\\busy.dll")->openError = 0;
    EXPECT_TRUE(undo(busy));
    EXPECT_FALSE(fileExists(u"C:\\app\\busy.dll"));
}

}  // namespace
}  // namespace pelorin
