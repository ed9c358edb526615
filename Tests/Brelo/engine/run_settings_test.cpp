// The settings of one run, as typed.
#include "engine/run_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(CaptureSettings, DirectoriesLoseEveryTrailingBackslashAfterTheCut) {
    const struct {
        std::string typed;
        std::string captured;
    } rows[] = {
        {"D:\\Data\\\\", "D:\\Data"},
        {"D:\\", "D:"},
        {"\\\\\\", ""},
        {"D:\\Data\\ ", "D:\\Data\\ "},
        {"D:/Data/", "D:/Data/"},
        {std::string(258, 'd') + "\\\\x", std::string(258, 'd')},
        {std::string(300, 'd'), std::string(259, 'd')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        RunSettings typed;
        typed.input_directory = row.typed;
        typed.output_directory = row.typed;
        typed.input_patterns = row.typed;
        typed.output_pattern = row.typed;
        const RunSettings settings = capture_settings(typed);
        EXPECT_EQ(settings.input_directory, row.captured);
        EXPECT_EQ(settings.output_directory, row.captured);
        EXPECT_EQ(settings.input_patterns, row.typed.substr(0, 259));
        EXPECT_EQ(settings.output_pattern, row.typed.substr(0, 259));
    }
}

// The 259-byte cut never leaves the first bytes of a character behind: 86 three-byte
// characters fill 258 bytes, and the 87th would end past the limit.
TEST(CaptureSettings, TheCutKeepsCharactersWhole) {
    std::string japanese;
    for (int i = 0; i < 100; ++i) japanese += "\xe6\x97\xa5";  // 日
    RunSettings typed;
    typed.input_directory = "D:" + japanese;  // 2 + 85 x 3 = 257 bytes fit, the 86th would not
    typed.input_patterns = japanese;
    typed.output_pattern = "a" + japanese;   // 1 + 86 x 3 = 259 bytes: exactly full
    const RunSettings settings = capture_settings(typed);
    EXPECT_EQ(settings.input_directory, "D:" + japanese.substr(0, 85 * 3));
    EXPECT_EQ(settings.input_patterns, japanese.substr(0, 86 * 3));
    EXPECT_EQ(settings.output_pattern, "a" + japanese.substr(0, 86 * 3));
}

TEST(CaptureSettings, PatternsAndSwitchesPassUnchanged) {
    for (int on = 0; on < 2; ++on) {
        RunSettings typed{"", " *.txt \\", on == 1, "", " ${prefix}\\", on == 0};
        const RunSettings settings = capture_settings(typed);
        EXPECT_EQ(settings.input_patterns, " *.txt \\");
        EXPECT_EQ(settings.output_pattern, " ${prefix}\\");
        EXPECT_EQ(settings.include_subfolders, on == 1);
        EXPECT_EQ(settings.skip_up_to_date, on == 0);
    }
}

}  // namespace
