// Numbers and texts as the settings file spells them.
#include "settings/profile_values.h"

#include <gtest/gtest.h>

#include <climits>

#include "settings/profile_document.h"

TEST(ReadInteger, FollowsTheDecimalReadingRules) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"", 0},        {"-1", -1},     {"+7", 7},      {"\t 42", 42},   {"12abc", 12},
                 {"1.9", 1},     {"abc", 0},     {"- 1", 0},     {"+-1", 0},      {"0x10", 0},
                 {"2147483647", INT_MAX},        {"2147483648", INT_MAX},
                 {"-2147483648", INT_MIN},       {"-99999999999999999999999", INT_MIN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(read_integer(c.text), c.value);
    }
}

TEST(StoredText, EveryTextReadsBackAsWrittenAndOrdinaryOnesAreUnchanged) {
    // The last two: "日本" in UTF-8, and a-grave, whose last byte is a no-break space's in the
    // Western code page.
    const char* texts[] = {" lead",  "trail ",   "  ",       "\tTab\t",   "\"quoted\"", "'single'",
                           "\"",     "\"\"",     "\"half",   "mid\"dle",  "'mixed\"",   "\" \"",
                           "a=b",    "[x]",      ";x",       "\x1a" "eof", "",
                           "\xe6\x97\xa5\xe6\x9c\xac",   "\xc3\xa0"};
    ProfileDocument written;
    int index = 0;
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::string key = "k" + std::to_string(index++);
        ASSERT_TRUE(written.set({"T", key, stored_text(text)}));
        EXPECT_EQ(ProfileDocument::parse(written.text()).find("T", key), text);
    }
    for (const char* text : {"D:\\Data", "${infile} ${outfile}", "a \"b\" c", "\"half", ""})
        EXPECT_EQ(stored_text(text), text);
}
