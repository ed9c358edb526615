// Numbers and texts as the settings file spells them.
#include "settings/profile_values.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "Support/temp_dir.h"
#include "platform/profile.h"

TEST(ReadInteger, FollowsTheDecimalReadingRules) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},          {"0", 0},       {"1", 1},           {"-1", -1},      {"12", 12},
        {"+7", 7},        {"  42", 42},   {"\t-3", -3},       {"12abc", 12},   {"1.9", 1},
        {"abc", 0},       {"-", 0},       {"- 1", 0},         {"+-1", 0},      {"007", 7},
        {"0x10", 0},      {"1 2", 1},     {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},          {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},         {"99999999999999999999999999", INT_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read_integer(c.text), c.value);
    }
}

TEST(StoredText, EveryTextReadsBackAsWritten) {
    test_support::TempDir dir;
    std::string file = dir.file("texts.ini");
    const char* texts[] = {
        "plain",       " leading blank", "trailing blank ", "  ",       "\tTab\t",
        "\"quoted\"",  "'single'",       "\"",              "\"\"",     "''",
        "\"half",      "half\"",         "mid\"dle",        "'mixed\"", "\" \"",
        "a=b",         "[not a section]", ";not a comment", "\x93\xfa\x96\x7b",
        "\x1a" "eof",
    };
    int index = 0;
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::string key = "k" + std::to_string(index++);
        ASSERT_TRUE(write_profile_string(file, "T", key, stored_text(text)));
        EXPECT_EQ(read_profile_string(file, "T", key, "?"), text);
    }
}

TEST(StoredText, OrdinaryTextsAreWrittenAsTheyAre) {
    for (const char* text : {"", "D:\\Data", "${infile} ${outfile}", "*.txt|*.csv", "a \"b\" c"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(stored_text(text), text);
    }
}
