#include "app/text_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"

namespace pelorin {
namespace {

using namespace platform;

TEST(TextReport, WindowedProgramShowsABoxConsoleProgramWritesStandardError) {
    MemoryPlatform memory;
    memory.system.windowed = true;
    reportText("Result file 'x' saved.\n");
    ASSERT_EQ(memory.system.messageBoxes.size(), 1u);
    const auto& box = memory.system.messageBoxes[0];
    EXPECT_EQ(box.text, "Result file 'x' saved.\n");
    EXPECT_TRUE(box.hasCaption);
    EXPECT_EQ(box.caption, "");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.style, 0x10010u);  // MB_ICONHAND | MB_SETFOREGROUND
    EXPECT_EQ(memory.system.standardError, "");

    memory.system.windowed = false;
    reportText("Result file 'x' saved.\n");
    EXPECT_EQ(memory.system.standardError, "Result file 'x' saved.\n\r\n");  // the text keeps its own line end
    EXPECT_EQ(memory.system.messageBoxes.size(), 1u);
}

TEST(TextReport, ReplacedSinkGetsTheTextsAndRestoringGivesThePlatformBack) {
    MemoryPlatform memory;
    std::vector<std::string> captured;
    const TextReportTarget previous = setTextReportTarget(
        {[](void* context, const char* text) { static_cast<std::vector<std::string>*>(context)->push_back(text); },
         &captured});
    reportText("one");
    reportText(nullptr);
    EXPECT_EQ(captured, (std::vector<std::string>{"one", ""}));
    EXPECT_TRUE(memory.system.messageBoxes.empty());

    setTextReportTarget(previous);
    reportText("two");
    EXPECT_EQ(memory.system.messageBoxes.size(), 1u);
    EXPECT_EQ(captured.size(), 2u);
}

}  // namespace
}  // namespace pelorin
