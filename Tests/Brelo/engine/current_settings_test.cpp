// The snapshot of the main window's fields.
#include "engine/current_settings.h"

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
        CurrentSettings typed;
        typed.input_directory = row.typed;
        typed.output_directory = row.typed;
        typed.input_patterns = row.typed;
        typed.output_pattern = row.typed;
        const CurrentSettings settings = capture_settings(typed);
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
    CurrentSettings typed;
    typed.input_directory = "D:" + japanese;  // 2 + 85 x 3 = 257 bytes fit, the 86th would not
    typed.input_patterns = japanese;
    typed.output_pattern = "a" + japanese;   // 1 + 86 x 3 = 259 bytes: exactly full
    const CurrentSettings settings = capture_settings(typed);
    EXPECT_EQ(settings.input_directory, "D:" + japanese.substr(0, 85 * 3));
    EXPECT_EQ(settings.input_patterns, japanese.substr(0, 86 * 3));
    EXPECT_EQ(settings.output_pattern, "a" + japanese.substr(0, 86 * 3));
}

TEST(CaptureSettings, PatternsSwitchesAndConverterPassUnchanged) {
    for (int on = 0; on < 2; ++on) {
        CurrentSettings typed{"", " *.txt \\", on == 1, on == 0, "", " ${prefix}\\", on == 1,
                              on ? 3 : -1};
        const CurrentSettings settings = capture_settings(typed);
        EXPECT_EQ(settings.input_patterns, " *.txt \\");
        EXPECT_EQ(settings.output_pattern, " ${prefix}\\");
        EXPECT_EQ(settings.include_subfolders, on == 1);
        EXPECT_EQ(settings.input_auto_refresh, on == 0);
        EXPECT_EQ(settings.output_auto_refresh, on == 1);
        EXPECT_EQ(settings.current_converter, on ? 3 : -1);
    }
}

}  // namespace
