// Capturing the main window's fields.
#include "engine/current_settings.h"

#include <gtest/gtest.h>

#include "Support/fake_window.h"

using namespace test_support;

namespace {

TEST(CaptureSettings, DirectoriesLoseEveryTrailingBackslash) {
    const struct {
        const char* typed;
        const char* captured;
    } rows[] = {
        {"D:\\Data\\\\", "D:\\Data"},
        {"D:\\", "D:"},
        {"\\\\\\", ""},
        {"D:\\Data\\ ", "D:\\Data\\ "},
        {" D:\\Data", " D:\\Data"},
        {"D:/Data/", "D:/Data/"},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        FakeMainFields fields;
        fields.set_text(HistoryField::InputDirectory, row.typed);
        fields.set_text(HistoryField::OutputDirectory, row.typed);
        const CurrentSettings settings = capture_settings(fields);
        EXPECT_EQ(settings.input_directory, row.captured);
        EXPECT_EQ(settings.output_directory, row.captured);
    }
}

TEST(CaptureSettings, EveryFieldFromItsOwnControl) {
    FakeMainFields fields;
    fields.set_text(HistoryField::InputDirectory, "in\\");
    fields.set_text(HistoryField::InputPatterns, " *.txt \\");
    fields.set_text(HistoryField::OutputDirectory, "out\\");
    fields.set_text(HistoryField::OutputPattern, " ${prefix}\\");
    fields.set_checked(Switch::IncludeSubfolders, true);
    fields.set_checked(Switch::InputAutoRefresh, false);
    fields.set_checked(Switch::OutputAutoRefresh, true);
    fields.selected_converter = 3;
    const CurrentSettings settings = capture_settings(fields);
    EXPECT_EQ(settings.input_directory, "in");
    EXPECT_EQ(settings.input_patterns, " *.txt \\");
    EXPECT_TRUE(settings.include_subfolders);
    EXPECT_FALSE(settings.input_auto_refresh);
    EXPECT_EQ(settings.output_directory, "out");
    EXPECT_EQ(settings.output_pattern, " ${prefix}\\");
    EXPECT_TRUE(settings.output_auto_refresh);
    EXPECT_EQ(settings.converter_position, 3);

    fields.set_checked(Switch::IncludeSubfolders, false);
    fields.set_checked(Switch::InputAutoRefresh, true);
    fields.set_checked(Switch::OutputAutoRefresh, false);
    fields.selected_converter = -1;
    const CurrentSettings other = capture_settings(fields);
    EXPECT_FALSE(other.include_subfolders);
    EXPECT_TRUE(other.input_auto_refresh);
    EXPECT_FALSE(other.output_auto_refresh);
    EXPECT_EQ(other.converter_position, -1);
}

// A field that hands over more than a 260-byte buffer holds is cut to 259 characters before the
// backslashes are looked at.
struct WideFields : FakeMainFields {
    std::string text(HistoryField field) const override {
        auto it = texts.find(field);
        return it == texts.end() ? std::string() : it->second;
    }
};

TEST(CaptureSettings, TextsAreCutTo259Characters) {
    WideFields fields;
    fields.set_text(HistoryField::InputPatterns, std::string(300, 'p'));
    fields.set_text(HistoryField::OutputDirectory, std::string(258, 'd') + "\\\\x");
    fields.set_text(HistoryField::InputDirectory, std::string(259, 'i'));
    const CurrentSettings settings = capture_settings(fields);
    EXPECT_EQ(settings.input_patterns, std::string(259, 'p'));
    EXPECT_EQ(settings.output_directory, std::string(258, 'd'));
    EXPECT_EQ(settings.input_directory, std::string(259, 'i'));
}

}  // namespace
