#include "app/argument_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

std::vector<std::string> entries(const ArgumentList& list) {
    std::vector<std::string> out;
    for (u32 i = 0; i < list.count(); ++i) out.emplace_back(list.at(i));
    return out;
}

std::vector<std::string> split(const char* line) {
    ArgumentList list;
    EXPECT_TRUE(splitCommandLine(line, list));
    return entries(list);
}

TEST(CommandLine, SplitsAtBlanksAndGroupsWithQuotes) {
    struct Case {
        const char* line;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"", {}},
        {" \t ", {}},
        {"pelorin.exe", {"pelorin.exe"}},
        {"  a\t\tb  c ", {"a", "b", "c"}},
        {"\"C:\\Program Files\\x.exe\" -Debug", {"C:\\Program Files\\x.exe", "-Debug"}},
        // a quote toggles anywhere in a token and is dropped; blanks inside belong to the token
        {"ab\"c d\"e", {"abc de"}},
        {"-Save:\"C:\\My Files\\a.sna\"", {"-Save:C:\\My Files\\a.sna"}},
        // no escape character: a backslash before a quote is kept, the quote still toggles
        {"a\\\"b c\" d", {"a\\b c", "d"}},
        // an empty pair of quotes is an empty token
        {"x \"\" y", {"x", "", "y"}},
        // an unclosed quote runs to the end of the line
        {"x \"y z", {"x", "y z"}},
        {"\"\t\"", {"\t"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.tokens) << "line: " << c.line;
}

TEST(CommandLine, KeepsTheFirst256TokensAndSaysWhenItDropsMore) {
    std::string line;
    for (int i = 0; i < 300; ++i) line += "t" + std::to_string(i) + " ";
    ArgumentList list;
    EXPECT_FALSE(splitCommandLine(line.c_str(), list));
    ASSERT_EQ(list.count(), 256u);
    EXPECT_STREQ(list.at(255), "t255");

    std::string exact;
    for (int i = 0; i < 256; ++i) exact += "t ";
    ArgumentList full;
    EXPECT_TRUE(splitCommandLine(exact.c_str(), full));
    EXPECT_EQ(full.count(), 256u);
}

TEST(CommandLine, DefaultArgumentsGoBehindTheProgramInReverseOrder) {
    ArgumentList list;
    splitCommandLine("prog user1", list);
    EXPECT_TRUE(insertAfterProgram("d1 \"d 2\" d3", list));
    EXPECT_EQ(entries(list), (std::vector<std::string>{"prog", "d3", "d 2", "d1", "user1"}));
}

TEST(CommandLine, RuntimeSwitchesMoveToTheirOwnListAndTheRestClosesUp) {
    ArgumentList arguments;
    ArgumentList switches;
    splitCommandLine("-~prog -~a C:\\x -~b -~c -Debug -~ --~d", arguments);
    moveRuntimeSwitches(arguments, switches);
    // entry 0 is the program, whatever it looks like
    EXPECT_EQ(entries(arguments), (std::vector<std::string>{"-~prog", "C:\\x", "-Debug", "--~d"}));
    EXPECT_EQ(entries(switches), (std::vector<std::string>{"-~a", "-~b", "-~c", "-~"}));
}

}  // namespace
}  // namespace pelorin
