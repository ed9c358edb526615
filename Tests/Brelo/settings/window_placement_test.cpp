// The main window's placement in BRELO.ini: a [Window] section after all the others, written
// only when known, read back whole or not at all.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "settings_test_support.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

namespace {

StoredSettings with_converter() {
    StoredSettings s;
    s.input_directories = {"D:\\In"};
    s.converters = {make_converter("One")};
    s.current_converter = 0;
    return s;
}

WindowPlacement placement(int x, int y, int width, int height, bool maximized) {
    WindowPlacement p;
    p.known = true;
    p.x = x;
    p.y = y;
    p.width = width;
    p.height = height;
    p.maximized = maximized;
    return p;
}

// The section follows every other one, and the keys before it are written exactly as without
// it.
TEST(WindowPlacementFile, SectionComesAfterTheOthersAndChangesNothingBeforeIt) {
    TempDir dir;
    const std::string without = dir.file("without.ini");
    const std::string with = dir.file("with.ini");
    StoredSettings s = with_converter();
    ASSERT_TRUE(save_settings(s, without));
    s.window = placement(-1200, 35, 1034, 614, true);
    ASSERT_TRUE(save_settings(s, with));
    const std::string before = read_file(without);
    const std::string after = read_file(with);
    ASSERT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(non_empty_lines(after.substr(before.size())),
              "[Window]\nLeft=-1200\nTop=35\nWidth=1034\nHeight=614\nMaximized=1\n");
}

TEST(WindowPlacementFile, RoundTripKeepsEveryField) {
    const WindowPlacement rows[] = {
        placement(0, 0, 1, 1, false),
        placement(-1920, -8, 2576, 1416, true),
        placement(300, 200, 1034, 614, false),
    };
    for (const WindowPlacement& row : rows) {
        SCOPED_TRACE(row.x);
        TempDir dir;
        const std::string path = dir.file("BRELO.ini");
        StoredSettings s = with_converter();
        s.window = row;
        ASSERT_TRUE(save_settings(s, path));
        const StoredSettings loaded = load_settings(path);
        EXPECT_TRUE(loaded.window == row);
        EXPECT_TRUE(loaded == s);
    }
}

// A file that never had the section loads as before and is saved byte for byte.
TEST(WindowPlacementFile, FileWithoutTheSectionStaysWithoutIt) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    const std::string original =
        "[Input]\r\nInput Directory 001=D:\\In\r\n[Converter]\r\nConverter_Number=0\r\n";
    write_file(path, original);
    const StoredSettings loaded = load_settings(path);
    EXPECT_FALSE(loaded.window.known);
    ASSERT_TRUE(save_settings(loaded, path));
    EXPECT_EQ(read_file(path).find("[Window]"), std::string::npos);
    ASSERT_TRUE(save_settings(loaded, path));
    const std::string once = read_file(path);
    ASSERT_TRUE(save_settings(load_settings(path), path));
    EXPECT_EQ(read_file(path), once);
}

// Half a placement is none: the window then opens at its default place.
TEST(WindowPlacementFile, IncompleteOrEmptySectionIsUnknown) {
    const char* rows[] = {
        "[Window]\r\nLeft=1\r\nTop=2\r\nWidth=3\r\nMaximized=0\r\n",
        "[Window]\r\nTop=2\r\nWidth=3\r\nHeight=4\r\nMaximized=0\r\n",
        "[Window]\r\nLeft=1\r\nTop=2\r\nWidth=3\r\nHeight=4\r\n",
        "[Window]\r\nLeft=1\r\nTop=2\r\nWidth=0\r\nHeight=4\r\nMaximized=0\r\n",
        "[Window]\r\nLeft=1\r\nTop=2\r\nWidth=3\r\nHeight=-4\r\nMaximized=0\r\n",
        "[Window]\r\n",
    };
    for (const char* row : rows) {
        SCOPED_TRACE(row);
        TempDir dir;
        const std::string path = dir.file("BRELO.ini");
        write_file(path, row);
        EXPECT_FALSE(load_settings(path).window.known);
    }
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    write_file(path, "[window]\r\nleft= 7 \r\nTOP=-3\r\nWidth=800\r\nHeight=500\r\nMaximized=2\r\n");
    EXPECT_TRUE(load_settings(path).window == placement(7, -3, 800, 500, true));
}

// An existing section keeps its place when saved again, and its values change.
TEST(WindowPlacementFile, ExistingSectionIsUpdatedInPlace) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    write_file(path, "[Window]\r\nLeft=1\r\nTop=2\r\nWidth=3\r\nHeight=4\r\nMaximized=0\r\n"
                     "[Input]\r\nAuto Refresh=0\r\n");
    StoredSettings s = load_settings(path);
    s.window = placement(10, 20, 30, 40, true);
    ASSERT_TRUE(save_settings(s, path));
    const std::string text = read_file(path);
    EXPECT_EQ(text.rfind("[Window]\r\nLeft=10\r\nTop=20\r\nWidth=30\r\nHeight=40\r\nMaximized=1\r\n",
                         0),
              0u)
        << text;
    EXPECT_TRUE(load_settings(path).window == s.window);
}

}  // namespace
