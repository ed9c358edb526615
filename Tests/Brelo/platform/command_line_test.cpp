// Splitting a command line into arguments with the C runtime's rules.
#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitCommandLine, FollowsTheCRuntimeRules) {
    struct Row {
        const char* label;
        std::string line;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"empty line", "", {""}},
        {"program only", "conv.exe", {"conv.exe"}},
        {"leading blank gives an empty program name", " a", {"", "a"}},
        {"quoted program with blanks", "\"C:\\Program Files\\c.exe\" a",
         {"C:\\Program Files\\c.exe", "a"}},
        {"program name takes no escapes", "C:\\dir\\\"x y\" a", {"C:\\dir\\x y", "a"}},
        {"program name ends at a tab", "c\ta", {"c", "a"}},
        {"blanks and tabs separate", "c a\t\tb   d ", {"c", "a", "b", "d"}},
        {"quotes group blanks", "c \"a b\" \"\" d", {"c", "a b", "", "d"}},
        {"quotes inside a word", "c a\"b c\"d", {"c", "ab cd"}},
        {"lone backslashes are literal", "c a\\b\\\\c\\", {"c", "a\\b\\\\c\\"}},
        {"one backslash escapes a quote", "c a\\\"b", {"c", "a\"b"}},
        {"two backslashes and a quote", "c a\\\\\"b c\"", {"c", "a\\b c"}},
        {"three backslashes and a quote", "c a\\\\\\\"b", {"c", "a\\\"b"}},
        {"four backslashes and a quote", "c \"a\\\\\\\\\" b", {"c", "a\\\\", "b"}},
        {"escaped quote inside quotes", "c \"a \\\" b\"", {"c", "a \" b"}},
        {"doubled quote inside quotes stays quoted", "c \"a\"\"b c\"", {"c", "a\"b c"}},
        {"doubled quote outside quotes is empty", "c a\"\"b", {"c", "ab"}},
        {"unterminated quote", "c \"a b", {"c", "a b"}},
        {"quote right at the end", "c a\"", {"c", "a"}},
        {"other white space is no separator", "c a\nb\rc\vd", {"c", "a\nb\rc\vd"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(split_command_line(row.line), row.args);
    }
}

}  // namespace
