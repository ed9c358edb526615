// Entry formats of the conversion log, their buffer limits, and the time stamps.
#include "engine/conversion_log.h"

#include <gtest/gtest.h>

namespace {

const LocalTime may_evening{2007, 5, 18, 21, 7, 5};

TEST(TimeStamp, FieldsArePaddedAsTheLogShowsThem) {
    struct Row {
        const char* label;
        LocalTime when;
        std::string expected;
    };
    const Row rows[] = {
        {"evening in May", may_evening, "2007/05/18  21:07:05"},
        {"midnight on new year", {2024, 1, 1, 0, 0, 0}, "2024/01/01  00:00:00"},
        {"short year is padded with blanks", {800, 12, 31, 23, 59, 59}, " 800/12/31  23:59:59"},
        {"long year is not cut", {12345, 6, 7, 8, 9, 10}, "12345/06/07  08:09:10"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(format_time_stamp(row.when), row.expected);
    }
}

TEST(Notice, HasFrameMessageAndTimeStamp) {
    EXPECT_EQ(format_notice("Input", "Input Directory", "\"D:\\x\" is not a valid directory.",
                            may_evening),
              "[Input - Input Directory]:\r\n\r\n\t\"D:\\x\" is not a valid directory.\r\n\r\n"
              "2007/05/18  21:07:05");
}

TEST(Notice, LongMessageIsCutSoTheStampStays) {
    const std::string head = "[Output - Output Directory]:\r\n\r\n\t";
    const std::string tail = "\r\n\r\n2007/05/18  21:07:05";
    const std::size_t room = 511 - head.size() - tail.size();
    struct Row {
        const char* label;
        std::size_t length;
        std::size_t kept;
    };
    const Row rows[] = {
        {"fits exactly", room, room}, {"one over", room + 1, room}, {"far over", 5000, room}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string message(row.length, 'm');
        std::string notice = format_notice("Output", "Output Directory", message, may_evening);
        EXPECT_EQ(notice, head + std::string(row.kept, 'm') + tail);
        EXPECT_LE(notice.size(), 511u);
    }
}

TEST(Notice, OversizedFrameIsCutAtTheBuffer) {
    std::string notice = format_notice(std::string(600, 's'), "Key", "m", may_evening);
    EXPECT_EQ(notice, "[" + std::string(510, 's'));
}

TEST(RunHeader, TitleKeepsEightyCharactersAndTheLineEnds) {
    struct Row {
        const char* label;
        std::size_t length;
        std::size_t kept;
    };
    const Row rows[] = {{"empty title", 0, 0},
                        {"eighty characters fit", 80, 80},
                        {"eighty-one lose one", 81, 80},
                        {"long title", 300, 80}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string header = format_run_header("Converter", std::string(row.length, 't'));
        EXPECT_EQ(header, "[Converter - " + std::string(row.kept, 't') + "]:\r\n\r\n");
        EXPECT_LE(header.size(), 99u);
    }
}

// The stamp shows the local time of the moment it is made: one of the two moments read around it.
TEST(TimeStamp, StampIsTheLocalTimeNow) {
    const std::string before = format_time_stamp(current_local_time());
    const std::string stamp = time_stamp_now();
    const std::string after = format_time_stamp(current_local_time());
    EXPECT_TRUE(stamp == before || stamp == after) << stamp;
}

TEST(Notice, IsStampedWithTheLocalTimeNow) {
    const std::string before = format_time_stamp(current_local_time());
    const std::string notice = make_notice("Output", "File Patterns", "File Pattern can't be blank");
    const std::string after = format_time_stamp(current_local_time());
    const std::string frame = "[Output - File Patterns]:\r\n\r\n\tFile Pattern can't be blank\r\n\r\n";
    EXPECT_TRUE(notice == frame + before || notice == frame + after) << notice;
}

}  // namespace
