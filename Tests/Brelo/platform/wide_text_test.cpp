// UTF-8 cut at a character's edge, and on Windows to and from the UTF-16 of the W calls.
#include "Common/wide_text.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(Utf8WholeLength, StopsBeforeACharacterCutShortOnly) {
    const struct {
        const char* label;
        std::string text;
        std::size_t whole;
    } rows[] = {
        {"empty", "", 0},
        {"ASCII", "abc\r\n", 5},
        {"whole two, three and four bytes", "\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80", 9},
        {"one of two bytes", "a\xc3", 1},
        {"one of three bytes", "a\xe6", 1},
        {"two of three bytes", "a\xe6\x97", 1},
        {"three of four bytes", "a\xf0\x9f\x98", 1},
        {"a stray continuation byte is whole", "a\x80", 2},
        {"a byte no character starts with is whole", "a\xff", 2},
        {"a lead byte before ASCII has ended", "\xc3" "a", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(utf8_whole_length(row.text), row.whole);
    }
}

#ifdef _WIN32

TEST(WideText, EveryScriptGoesThereAndBackUnchanged) {
    const struct {
        const char* label;
        std::string utf8;
        std::wstring wide;
    } rows[] = {
        {"empty", "", L""},
        {"ASCII", "a b.txt", L"a b.txt"},
        {"Japanese", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", L"\u65e5\u672c\u8a9e"},
        {"Korean", "\xed\x95\x9c\xea\xb5\xad", L"\ud55c\uad6d"},
        {"e acute", "caf\xc3\xa9", L"caf\u00e9"},
        {"emoji: two UTF-16 units", "\xf0\x9f\x98\x80.txt", L"\U0001F600.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(utf8_to_wide(row.utf8), row.wide);
        EXPECT_EQ(wide_to_utf8(row.wide), row.utf8);
        EXPECT_EQ(wide_to_utf8(row.wide.c_str()), row.utf8);
    }
    EXPECT_EQ(wide_to_utf8(nullptr), "");
}

// A text from an older source, in the ANSI code page, still names what it named.
TEST(WideText, TextThatIsNotUtf8IsReadInTheAnsiCodePage) {
    for (const std::string ansi : {"caf\xe9", "\x80\xff", "a\xc3"}) {
        SCOPED_TRACE(ansi);
        EXPECT_EQ(utf8_to_wide(ansi), utf8_to_wide(ansi_to_utf8(ansi)));
    }
}

TEST(WideText, SurrogateWithoutItsPartnerBecomesReplacementCharacter) {
    const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD83D), L'b', 0};
    EXPECT_EQ(wide_to_utf8(lone), "a\xef\xbf\xbd" "b");
}

#endif

}  // namespace
