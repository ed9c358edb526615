// Telling UTF-8 from older encodings, UTF-16 files, and UTF-8 texts cut to a byte budget.
#include "settings/text_encoding.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(IsValidUtf8, AcceptsWellFormedTextOnly) {
    struct Case {
        const char* label;
        std::string text;
        bool valid;
    } cases[] = {
        {"empty", "", true},
        {"ASCII with NUL", std::string("a\0b", 3), true},
        {"two, three and four bytes", "\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80", true},
        {"edges: U+0080, U+07FF, U+0800, U+FFFF", "\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf", true},
        {"edges: U+D7FF, U+E000, U+10000, U+10FFFF",
         "\xed\x9f\xbf\xee\x80\x80\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", true},
        {"Windows-1252 e acute", "caf\xe9", false},
        {"Shift_JIS", "\x93\xfa\x96\x7b", false},
        {"stray continuation byte", "\x80", false},
        {"lead byte at the end", "a\xc3", false},
        {"three-byte character cut", "\xe6\x97", false},
        {"ASCII where a continuation belongs", "\xe6\x97" "a", false},
        {"overlong two bytes", "\xc0\xaf", false},
        {"overlong C1", "\xc1\xbf", false},
        {"overlong three bytes", "\xe0\x9f\xbf", false},
        {"overlong four bytes", "\xf0\x8f\xbf\xbf", false},
        {"surrogate", "\xed\xa0\x80", false},
        {"past U+10FFFF", "\xf4\x90\x80\x80", false},
        {"F5 lead", "\xf5\x80\x80\x80", false},
        {"FF byte", "\xff", false},
        {"UTF-16 mark", "\xff\xfe", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(is_valid_utf8(c.text), c.valid);
    }
}

TEST(Utf16ToUtf8, DecodesPairsAndReplacesWhatIsBroken) {
    struct Case {
        const char* label;
        std::string le;  // little-endian bytes; the big-endian case swaps each pair
        std::string utf8;
    } cases[] = {
        {"empty", ""s, ""s},
        {"ASCII and NUL", "a\0\0\0"s, "a\0"s},
        {"U+00E9 and U+65E5", "\xe9\0\xe5\x65"s, "\xc3\xa9\xe6\x97\xa5"s},
        {"a pair", "\x3d\xd8\0\xde"s, "\xf0\x9f\x98\x80"s},
        {"a high surrogate alone", "\x3d\xd8" "a\0"s, "\xef\xbf\xbd" "a"s},
        {"a low surrogate alone", "\0\xde"s, "\xef\xbf\xbd"s},
        {"a high surrogate last", "\x3d\xd8"s, "\xef\xbf\xbd"s},
        {"an odd byte", "a\0b"s, "a\xef\xbf\xbd"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(utf16_to_utf8(c.le, false), c.utf8);
        std::string be = c.le;
        for (std::size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
        EXPECT_EQ(utf16_to_utf8(be, true), c.utf8);
    }
}

TEST(Utf8Prefix, NeverEndsInsideACharacter) {
    const std::string e = "\xc3\xa9", ri = "\xe6\x97\xa5", smile = "\xf0\x9f\x98\x80";
    struct Case {
        const char* label;
        std::string text;
        std::size_t max;
        std::string prefix;
    } cases[] = {
        {"fits", "abc", 3, "abc"},
        {"ASCII cut", "abcd", 3, "abc"},
        {"nothing", "abc", 0, ""},
        {"before a two-byte character", "ab" + e, 3, "ab"},
        {"after a two-byte character", "a" + e + "b", 3, "a" + e},
        {"each byte of a three-byte one", "a" + ri, 3, "a"},
        {"three-byte one fits", "a" + ri + "b", 4, "a" + ri},
        {"inside a four-byte one", "a" + smile, 4, "a"},
        {"the first character does not fit", ri, 2, ""},
        {"not UTF-8: cut where asked", "ab\x80\x80\x80\x80", 5, "ab\x80\x80\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(utf8_prefix(c.text, c.max), c.prefix);
    }
    // 259 bytes of two-byte characters: 129 of them.
    std::string long_text;
    for (int i = 0; i < 200; ++i) long_text += e;
    EXPECT_EQ(utf8_prefix(long_text, 259), long_text.substr(0, 258));
}
