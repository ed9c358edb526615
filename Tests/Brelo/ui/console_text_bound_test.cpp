// What the window's log keeps of a converter's console text: its ends, and the count between.
#include "ui/console_text_bound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(LeftOutLine, StandsOnALineOfItsOwnIndentedLikeTheLog) {
    EXPECT_EQ(left_out_line(12345), "\r\n\t... 12345 bytes of console text left out ...\r\n");
}

}  // namespace
