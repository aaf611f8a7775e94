// libFuzzer target: arbitrary files opened as resource containers, then looked up and parsed
// the way the program does (strings in every language, both menus).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/memory/memory_file_system.h"
#include "runtime/menu_template.h"
#include "runtime/resource_container.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelorin;
    platform::MemoryFileSystem fs;
    fs.putFile(u"fuzz.exe", std::vector<u8>(data, data + size));
    ResourceContainer container;
    if (container.open(fs, u"fuzz.exe") != 0) return 0;
    static const u16 languages[] = {LANGUAGE_GERMAN, LANGUAGE_ENGLISH, LANGUAGE_FRENCH, LANGUAGE_NEUTRAL,
                                    LANGUAGE_RUSSIAN};
    static const u32 ids[] = {100, 134, 157, 10000, 10527, 10500, 20019};
    char buffer[64];
    for (u16 language : languages) {
        for (u32 id : ids) {
            bool found = false;
            container.findString(language, id, buffer, sizeof buffer, {}, 0, found);
            container.findString(language, id, buffer, 2, {.exactLanguageOnly = true}, 0, found);
        }
        for (u32 menu : {1000u, 1001u}) {
            const u8* payload = nullptr;
            u32 length = 0;
            std::vector<MenuItem> items;
            if (container.findResource(RESOURCE_MENU_TEMPLATE, language, menu, {}, payload, length)) {
                parseMenuTemplate(payload, length, items);
            }
        }
    }
    return 0;
}
