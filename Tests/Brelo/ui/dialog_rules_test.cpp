// The main window's and the converters dialog's decisions, without a window.
#include "ui/dialog_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/log_file_text.h"
#include "ui/resource.h"

namespace {

TEST(F5Side, FollowsTheFocusedControlThenItsParent) {
    struct Row {
        const char* label;
        int focus;
        int parent;
        RefreshSide side;
    };
    const Row rows[] = {
        {"input Browse", IDC_MAIN_INPUT_BROWSE, 0, RefreshSide::Input},
        {"input Refresh", IDC_MAIN_INPUT_REFRESH, 0, RefreshSide::Input},
        {"Include Subfolders", IDC_MAIN_SUBFOLDERS, 0, RefreshSide::Input},
        {"input tree", IDC_MAIN_INPUT_TREE, 0, RefreshSide::Input},
        {"input Auto Refresh", IDC_MAIN_INPUT_AUTO, 0, RefreshSide::Input},
        {"output Refresh", IDC_MAIN_OUTPUT_REFRESH, 0, RefreshSide::Output},
        {"output Browse", IDC_MAIN_OUTPUT_BROWSE, 0, RefreshSide::Output},
        {"output tree", IDC_MAIN_OUTPUT_TREE, 0, RefreshSide::Output},
        {"output Auto Refresh", IDC_MAIN_OUTPUT_AUTO, 0, RefreshSide::Output},
        {"Skip up-to-date files", IDC_MAIN_SKIP_UP_TO_DATE, 0, RefreshSide::Output},
        {"Keep input times", IDC_MAIN_KEEP_TIMES, 0, RefreshSide::Output},
        // Every combo box's edit field is 1001: only the parent tells the boxes apart.
        {"edit of input directory", IDC_COMBO_EDIT, IDC_MAIN_INPUT_DIR, RefreshSide::Input},
        {"edit of input patterns", IDC_COMBO_EDIT, IDC_MAIN_INPUT_PATTERNS, RefreshSide::Input},
        {"edit of output directory", IDC_COMBO_EDIT, IDC_MAIN_OUTPUT_DIR, RefreshSide::Output},
        {"edit of output pattern", IDC_COMBO_EDIT, IDC_MAIN_OUTPUT_PATTERN, RefreshSide::Output},
        {"Run", IDC_MAIN_RUN, 0, RefreshSide::None},
        {"Configure", IDC_MAIN_CONFIGURE, 0, RefreshSide::None},
        {"converter box", IDC_MAIN_CONVERTER, 0, RefreshSide::None},
        {"log box", IDC_MAIN_LOG, 0, RefreshSide::None},
        {"nothing focused", 0, 0, RefreshSide::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(f5_side(row.focus, row.parent), row.side);
    }
}

TEST(F5Side, OwnIdWinsOverParent) {
    // A button whose parent happened to carry an input box's id is still judged by its own id.
    EXPECT_EQ(f5_side(IDC_MAIN_OUTPUT_REFRESH, IDC_MAIN_INPUT_DIR), RefreshSide::Output);
}

TEST(DropEffect, SplitsWhatWasDropped) {
    struct Row {
        const char* label;
        const char* path;
        bool is_directory;
        bool exists;
        bool set_directory;
        const char* directory;
        bool set_pattern;
        const char* pattern;
    };
    const Row rows[] = {
        {"folder", "D:\\Data", true, true, true, "D:\\Data", false, ""},
        {"file", "D:\\Data\\a.txt", false, true, true, "D:\\Data", true, "a.txt"},
        {"file in a drive root", "D:\\a.txt", false, true, true, "D:", true, "a.txt"},
        {"file name without backslash", "a.txt", false, true, false, "", true, ""},
        {"missing path", "D:\\gone\\a.txt", false, false, false, "", false, ""},
        {"file with dots in the folder", "D:\\x.y\\b", false, true, true, "D:\\x.y", true, "b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const DropEffect effect = drop_effect(row.path, row.is_directory, row.exists);
        EXPECT_EQ(effect.set_directory, row.set_directory);
        EXPECT_EQ(effect.directory, row.directory);
        EXPECT_EQ(effect.set_pattern, row.set_pattern);
        EXPECT_EQ(effect.pattern, row.pattern);
    }
}

TEST(ConverterButtons, EnablementForRowsAndSelection) {
    struct Row {
        const char* label;
        int rows;
        int selected;
        bool fields, remove, up, down;
    };
    const Row rows[] = {
        {"empty list", 0, -1, false, false, false, false},
        {"one row", 1, 0, true, true, false, false},
        {"first of three", 3, 0, true, true, false, true},
        {"middle of three", 3, 1, true, true, true, true},
        {"last of three", 3, 2, true, true, true, false},
        {"first of two", 2, 0, true, true, false, true},
        {"last of two", 2, 1, true, true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const ConverterButtons buttons = converter_buttons(row.rows, row.selected);
        EXPECT_EQ(buttons.fields, row.fields);
        EXPECT_EQ(buttons.remove, row.remove);
        EXPECT_EQ(buttons.up, row.up);
        EXPECT_EQ(buttons.down, row.down);
    }
}

TEST(SmallestFreeKey, FillsTheFirstGap) {
    struct Row {
        const char* label;
        std::vector<int> keys;
        int expected;
    };
    const Row rows[] = {
        {"empty list", {}, 0},
        {"dense keys", {0, 1, 2}, 3},
        {"after deleting the middle", {0, 2, 3}, 1},
        {"after deleting the first", {1, 2}, 0},
        {"negative keys are not candidates", {-3, -1, 0}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        KeyedConverters converters;
        for (int key : row.keys) converters[key] = Converter{};
        EXPECT_EQ(smallest_free_key(converters), row.expected);
    }
}

TEST(ParallelFromField, ClampsToTheFieldsRangeAndKeepsWhatWasNotChanged) {
    struct Row {
        const char* label;
        const char* text;
        int shown;
        int expected;
    };
    const Row rows[] = {
        {"one at a time", "1", 4, 1},
        {"one per processor", "0", 4, 0},
        {"the top of the range", "64", 1, 64},
        {"one beyond the range", "65", 1, 64},
        {"far beyond, without overflow", "99999999999999999999", 1, 64},
        {"leading zeros", "007", 1, 7},
        {"leading blanks", "  12", 1, 12},
        {"digits then junk", "3x", 1, 3},
        {"empty keeps the value", "", 5, 5},
        {"no digits keep the value", "abc", 5, 5},
        {"a sign is no digit", "-3", 5, 5},
        {"a value from the file beyond the range, untouched", "100", 100, 100},
        {"the same value typed anew with a zero", "0100", 100, 64},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(parallel_from_field(row.text, row.shown), row.expected);
    }
}

TEST(ProgressCaption, FollowsTheCaptionAsItIs) {
    EXPECT_EQ(progress_caption("Brelo File Converter V1.1.1 by Ravo", 12, 400),
              "Brelo File Converter V1.1.1 by Ravo - 12 of 400");
    EXPECT_EQ(progress_caption("  x  ", 0, 0), "  x   - 0 of 0");
    EXPECT_EQ(progress_caption("", 3, 3), " - 3 of 3");
    // Files that appeared after the count: never more done than matching.
    EXPECT_EQ(progress_caption("B", 5, 4), "B - 5 of 5");
}

TEST(NewConverterTitle, CountsRowsFromOneWithThreeDigits) {
    EXPECT_EQ(new_converter_title(0), "Converter 001");
    EXPECT_EQ(new_converter_title(2), "Converter 003");
    EXPECT_EQ(new_converter_title(998), "Converter 999");
    EXPECT_EQ(new_converter_title(999), "Converter 1000");
}

TEST(CopyTitle, PrefixesOnceWithOneBlank) {
    EXPECT_EQ(copy_title("Converter 001"), "Copy of Converter 001");
    EXPECT_EQ(copy_title("Copy of A"), "Copy of Copy of A");
    EXPECT_EQ(copy_title(""), "Copy of ");
}

TEST(RowAfterDelete, KeepsIndexOrStepsBackFromTheEnd) {
    struct Row {
        const char* label;
        int selected, rows_left, expected;
    };
    const Row rows[] = {
        {"first of three", 0, 2, 0},
        {"middle of three", 1, 2, 1},
        {"last of three", 2, 2, 1},
        {"only row", 0, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row_after_delete(row.selected, row.rows_left), row.expected);
    }
}

TEST(RowAfterMove, StaysInsideTheList) {
    struct Row {
        const char* label;
        int selected, rows;
        bool up;
        int expected;
    };
    const Row rows[] = {
        {"up from the last", 2, 3, true, 1},
        {"up from the first", 0, 3, true, -1},
        {"down from the first", 0, 3, false, 1},
        {"down from the last", 2, 3, false, -1},
        {"no selection", -1, 3, true, -1},
        {"single row down", 0, 1, false, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(row_after_move(row.selected, row.rows, row.up), row.expected);
    }
}

TEST(CentredPosition, TruncatesTowardZero) {
    struct Row {
        const char* label;
        int width, height, area_width, area_height, x, y;
    };
    const Row rows[] = {
        {"narrower than the area", 700, 400, 1024, 740, 162, 170},
        {"one wider than the area", 1025, 740, 1024, 740, 0, 0},
        {"much wider than the area", 1030, 800, 1024, 740, -3, -30},
        {"same size", 1024, 740, 1024, 740, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const WindowPosition p = centred_position(row.width, row.height, row.area_width,
                                                  row.area_height);
        EXPECT_EQ(p.x, row.x);
        EXPECT_EQ(p.y, row.y);
    }
}

}  // namespace

namespace {

TEST(CrlfText, EveryLineEndsWithCrLf) {
    struct Row {
        const char* label;
        std::string text;
        std::string saved;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"already CR LF", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"lone LF", "a\nb", "a\r\nb"},
        {"lone CR", "a\rb\r", "a\r\nb\r\n"},
        {"LF CR is two ends", "a\n\rb", "a\r\n\r\nb"},
        {"CR CR LF", "a\r\r\n", "a\r\n\r\n"},
        {"NUL and UTF-8 kept", std::string("\xE3\x81\x82\0z\n", 6),
         std::string("\xE3\x81\x82\0z\r\n", 7)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(crlf_text(row.text), row.saved);
    }
}

}  // namespace
