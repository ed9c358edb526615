// Capturing the main window's fields.
#include "engine/current_settings.h"

#include <gtest/gtest.h>

#include "Support/fake_window.h"

using namespace test_support;

namespace {

// Hands over more than a 260-byte buffer holds, so that the capture has to cut.
struct WideFields : FakeMainFields {
    std::string text(HistoryField field) const override {
        auto it = texts.find(field);
        return it == texts.end() ? std::string() : it->second;
    }
};

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
        WideFields fields;
        fields.set_text(HistoryField::InputDirectory, row.typed);
        fields.set_text(HistoryField::OutputDirectory, row.typed);
        fields.set_text(HistoryField::InputPatterns, row.typed);
        const CurrentSettings settings = capture_settings(fields);
        EXPECT_EQ(settings.input_directory, row.captured);
        EXPECT_EQ(settings.output_directory, row.captured);
        EXPECT_EQ(settings.input_patterns, row.typed.substr(0, 259));
    }
}

TEST(CaptureSettings, EveryFieldFromItsOwnControl) {
    FakeMainFields fields;
    fields.set_text(HistoryField::InputPatterns, " *.txt \\");
    fields.set_text(HistoryField::OutputPattern, " ${prefix}\\");
    for (int on = 0; on < 2; ++on) {
        fields.set_checked(Switch::IncludeSubfolders, on);
        fields.set_checked(Switch::InputAutoRefresh, !on);
        fields.set_checked(Switch::OutputAutoRefresh, on);
        fields.selected_converter = on ? 3 : -1;
        const CurrentSettings settings = capture_settings(fields);
        EXPECT_EQ(settings.input_patterns, " *.txt \\");
        EXPECT_EQ(settings.output_pattern, " ${prefix}\\");
        EXPECT_EQ(settings.include_subfolders, on == 1);
        EXPECT_EQ(settings.input_auto_refresh, on == 0);
        EXPECT_EQ(settings.output_auto_refresh, on == 1);
        EXPECT_EQ(settings.converter_position, on ? 3 : -1);
    }
}

}  // namespace
