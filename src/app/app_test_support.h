#pragma once
// For the application's unit tests: the resource container of this build as the process-wide
// one, so that messages carry their real English texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "runtime/resource_container.h"
#include "runtime/string_table.h"
#include "runtime/test_support.h"

namespace pelorin::test {

// The program's own executable as the start-up finds it: the bare container of this build,
// which opens as well as the one appended to pelorin.exe.
inline void putProgramFile(platform::MemoryFileSystem& fileSystem, const std::u16string& path) {
    std::vector<u8> container;
    ASSERT_TRUE(readHostFile(PELORIN_CONTAINER_PATH, container)) << PELORIN_CONTAINER_PATH;
    fileSystem.putFile(path, std::move(container));
}

// Opens the container for the life of the object, with English texts.
class ScopedEnglishTexts {
public:
    explicit ScopedEnglishTexts(platform::MemoryFileSystem& fileSystem) : savedLanguage_(interfaceLanguage) {
        closeResourceContainer();
        putProgramFile(fileSystem, u"C:\\texts\\pelorin.rsc");
        EXPECT_TRUE(openResourceContainer(fileSystem, u"C:\\texts\\pelorin.rsc"));
        interfaceLanguage = LANGUAGE_ENGLISH;
    }
    ~ScopedEnglishTexts() {
        closeResourceContainer();
        interfaceLanguage = savedLanguage_;
    }
    ScopedEnglishTexts(const ScopedEnglishTexts&) = delete;
    ScopedEnglishTexts& operator=(const ScopedEnglishTexts&) = delete;

private:
    u16 savedLanguage_;
};

}  // namespace pelorin::test
