// What the window's log keeps of a converter's console text: its ends, and the count between.
#include "ui/console_text_bound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Common/wide_text.h"

namespace {

// Feeds the pieces through one entry and returns everything the log receives.
std::string shown(ConsoleTextBound& bound, const std::vector<std::string>& pieces) {
    bound.begin();
    std::string log;
    for (const std::string& piece : pieces) log += bound.take(piece);
    return log + bound.end();
}

std::string digits(std::size_t from, std::size_t count) {
    std::string text;
    for (std::size_t i = from; i < from + count; ++i) text += static_cast<char>('0' + i % 10);
    return text;
}

TEST(ConsoleTextBound, KeepsTheHeadAndTheTailAndCountsWhatIsLeftOut) {
    struct Row {
        const char* label;
        std::vector<std::string> pieces;
        std::string log;
    };
    const Row rows[] = {
        {"nothing", {}, ""},
        {"short text whole", {"ab", "cd"}, "abcd"},
        {"head and tail exactly full", {digits(0, 8)}, digits(0, 8)},
        {"one byte beyond", {digits(0, 9)}, "0123" + left_out_line(1) + "5678"},
        {"pieces across the head's end", {"01", "234", "5", "6789", "0"},
         "0123" + left_out_line(3) + "7890"},
        {"one huge piece", {digits(0, 1000)}, "0123" + left_out_line(992) + digits(996, 4)},
        {"many small pieces", std::vector<std::string>(50, "x"),
         "xxxx" + left_out_line(42) + "xxxx"},
        {"empty pieces change nothing", {"", "01", "", "23", ""}, "0123"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ConsoleTextBound bound(4, 4);
        EXPECT_EQ(shown(bound, row.pieces), row.log);
    }
}

// The head goes out as it comes; the tail waits for the end of the entry.
TEST(ConsoleTextBound, HeadComesAtOnceTailAtTheEnd) {
    ConsoleTextBound bound(4, 4);
    bound.begin();
    EXPECT_EQ(bound.take("012"), "012");
    EXPECT_EQ(bound.take("345"), "3");
    EXPECT_EQ(bound.take("6789abc"), "");
    EXPECT_EQ(bound.left_out(), 5u);
    EXPECT_EQ(bound.end(), left_out_line(5) + "9abc");
}

// Each entry starts anew: the next converter gets its own head.
TEST(ConsoleTextBound, EveryEntryStartsAfresh) {
    ConsoleTextBound bound(4, 4);
    EXPECT_EQ(shown(bound, {digits(0, 20)}), "0123" + left_out_line(12) + "6789");
    EXPECT_EQ(shown(bound, {"abc"}), "abc");
    EXPECT_EQ(bound.left_out(), 0u);
}

// Pieces of every size, trimmed many times over, still leave exactly the last bytes.
TEST(ConsoleTextBound, ManyPiecesLeaveExactlyTheLastBytes) {
    ConsoleTextBound bound(16, 16);
    bound.begin();
    std::size_t shown_bytes = 0;
    std::size_t written = 0;
    for (int i = 0; i < 10000; ++i) {
        const std::size_t size = 1 + i % 23;
        shown_bytes += bound.take(digits(written, size)).size();
        written += size;
    }
    EXPECT_EQ(shown_bytes, 16u);
    EXPECT_EQ(bound.end(), left_out_line(written - 32) + digits(written - 16, 16));
}

// Characters of two, three and four bytes: neither end of the log is cut inside one. The head
// keeps the character across its end; the tail drops the one across its start.
TEST(ConsoleTextBound, CutsOnlyBetweenUtf8Characters) {
    const std::string sun = "\xE6\x97\xA5";        // U+65E5, three bytes
    const std::string book = "\xE6\x9C\xAC";       // U+672C
    const std::string e_acute = "\xC3\xA9";         // U+00E9, two bytes
    const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600, four bytes
    struct Row {
        const char* label;
        std::vector<std::string> pieces;
        std::string log;
    };
    const Row rows[] = {
        {"character across the head's end", {"abc" + sun + "defgh"},
         "abc" + sun + left_out_line(1) + "efgh"},
        {"character across the tail's start", {"abcdefg" + sun + book},
         "abcd" + left_out_line(6) + book},
        {"both ends inside four-byte characters", {"a" + grin + "bcd" + grin},
         "a" + grin + left_out_line(3) + grin},
        {"character ending exactly at the head's end", {"ab" + e_acute + "cdefgh"},
         "ab" + e_acute + left_out_line(2) + "efgh"},
        {"head split across pieces inside a character", {"ab\xE6", "\x97\xA5", "cdefgh"},
         "ab" + sun + left_out_line(2) + "efgh"},
        {"text within both capacities whole though a character crosses the head's end",
         {"abc" + sun + "de"}, "abc" + sun + "de"},
        {"tail trimmed piece by piece", std::vector<std::string>(6, sun),
         sun + sun + left_out_line(9) + sun},
        {"whole text of characters fits", {sun, e_acute}, sun + e_acute},
        {"unfinished character at the very end still comes out", {"ab\xE6\x97"}, "ab\xE6\x97"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ConsoleTextBound bound(4, 4);
        EXPECT_EQ(shown(bound, row.pieces), row.log);
    }
}

// The start of a character at the end of a piece waits for the rest before the head shows it.
TEST(ConsoleTextBound, HeadHoldsBackAnUnfinishedCharacter) {
    ConsoleTextBound bound(16, 16);
    bound.begin();
    EXPECT_EQ(bound.take("ab\xE6\x97"), "ab");
    EXPECT_EQ(bound.take("\xA5" "c"), "\xE6\x97\xA5" "c");
    EXPECT_EQ(bound.end(), "");
}

// However the pipe cuts a text into pieces, the log shows the same: its head a start and its tail
// an end of the text, each in whole characters, and the line counts exactly what lies between.
TEST(ConsoleTextBound, AnyPiecesGiveTheSameWholeCharacterEnds) {
    const std::string characters[] = {"a", "\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80"};
    unsigned state = 12345;
    const auto next = [&state](unsigned below) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % below;
    };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string text;
        const unsigned length = next(60);
        for (unsigned i = 0; i < length; ++i) text += characters[next(4)];
        const std::size_t head = 1 + next(12);
        const std::size_t tail = 4 + next(12);
        ConsoleTextBound whole_bound(head, tail);
        const std::string expected = shown(whole_bound, {text});
        std::vector<std::string> pieces;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t size = std::min<std::size_t>(1 + next(7), text.size() - at);
            pieces.push_back(text.substr(at, size));
            at += size;
        }
        ConsoleTextBound bound(head, tail);
        EXPECT_EQ(shown(bound, pieces), expected);
        if (text.size() <= head + tail) {
            EXPECT_EQ(expected, text);
            continue;
        }
        const std::size_t line = expected.find("\r\n\t... ");
        ASSERT_NE(line, std::string::npos) << expected;
        const std::string shown_head = expected.substr(0, line);
        const std::size_t line_end = expected.find(" ...\r\n", line) + 6;
        const std::string shown_tail = expected.substr(line_end);
        EXPECT_EQ(text.rfind(shown_head, 0), 0u);
        EXPECT_GE(shown_head.size(), head);
        EXPECT_LT(shown_head.size(), head + 4);
        EXPECT_LE(shown_tail.size(), tail);
        EXPECT_GT(shown_tail.size() + 4, tail);
        EXPECT_EQ(text.compare(text.size() - shown_tail.size(), std::string::npos, shown_tail), 0);
        for (const std::string& end : {shown_head, shown_tail}) {
            if (end.empty()) continue;
            EXPECT_NE(static_cast<unsigned char>(end.front()) & 0xC0, 0x80u) << "starts inside";
            EXPECT_EQ(utf8_whole_length(end), end.size()) << "ends inside a character";
        }
        EXPECT_EQ(expected.substr(line, line_end - line),
                  left_out_line(text.size() - shown_head.size() - shown_tail.size()));
    }
}

TEST(LeftOutLine, StandsOnALineOfItsOwnIndentedLikeTheLog) {
    EXPECT_EQ(left_out_line(12345), "\r\n\t... 12345 bytes of console text left out ...\r\n");
}

}  // namespace
