// Saving BRELO.ini from the window's parts and loading it back into a fresh window.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/temp_dir.h"
#include "fake_settings_window.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

namespace {

using Rows = std::vector<std::string>;

struct Session {
    FakeSettingsWindow window;
    CurrentSettings settings;
    ConverterList converters;

    void load(const std::string& path) {
        load_settings(window.parts(), path, settings, converters);
        window.fill_converter_box(converters, settings.converter_position);
    }
    bool save(const std::string& path) { return save_settings(window.parts(), converters, path); }
};

std::string slots(const std::string& key_start, const Rows& rows) {
    std::string text;
    for (int slot = 1; slot <= 10; ++slot) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", slot);
        text += key_start + " " + number + "=" +
                (slot <= static_cast<int>(rows.size()) ? rows[slot - 1] : "") + "\n";
    }
    return text;
}

}  // namespace

TEST(SaveSettings, FileFromNothingListsEveryKeyInWriteOrder) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    s.window.input_directory.rows = {"D:\\Data\\Texts", "D:\\Data\\Old"};
    s.window.input_patterns.rows = {"*.txt"};
    s.window.output_pattern.rows = {"${prefix}.md5"};
    s.window.fields.checks = {{Switch::IncludeSubfolders, true},
                              {Switch::InputAutoRefresh, false},
                              {Switch::OutputAutoRefresh, true}};
    s.converters = {{0, make_converter("Converter 001", "D:\\Tools\\hashmd5.exe")},
                    {1, make_converter("Copy of Converter 001", "D:\\Tools\\hashmd5.exe")}};
    s.window.fill_converter_box(s.converters, 1);
    EXPECT_TRUE(s.save(path));

    std::string expected =
        "[Input]\n" + slots("Input Directory", {"D:\\Data\\Texts", "D:\\Data\\Old"}) +
        slots("File Patterns", {"*.txt"}) +
        "Include Subfolders=1\n"
        "Auto Refresh=0\n"
        "[Output]\n" +
        slots("Output Directory", {}) + slots("File Patterns", {"${prefix}.md5"}) +
        "Auto Refresh=1\n"
        "[Converter]\n"
        "Converter_Number=2\n"
        "Current Converter=1\n"
        "Converter001_Title=Converter 001\n"
        "Converter001_ExeFile=D:\\Tools\\hashmd5.exe\n"
        "Converter001_Arguments=${infile} ${outfile}\n"
        "Converter001_WorkDir=${location}\n"
        "Converter002_Title=Copy of Converter 001\n"
        "Converter002_ExeFile=D:\\Tools\\hashmd5.exe\n"
        "Converter002_Arguments=${infile} ${outfile}\n"
        "Converter002_WorkDir=${location}\n";
    EXPECT_EQ(non_empty_lines(read_file(path)), expected);
}

TEST(SaveSettings, EverythingComesBackInAFreshWindow) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session first;
    FakeSettingsWindow& w = first.window;
    w.input_directory.rows = {"D:\\In", "D:\\In\\Old", " D:\\Lead", "D:\\Trail ", "\"D:\\Quoted\""};
    w.input_patterns.rows = {"*.txt|*.csv", "'single'"};
    w.output_directory.rows = {"D:\\Out"};
    w.output_pattern.rows = {"${prefix}.${suffix}.bak", "a=b"};
    w.fields.checks = {{Switch::IncludeSubfolders, false},
                       {Switch::InputAutoRefresh, true},
                       {Switch::OutputAutoRefresh, false}};
    first.converters = {{0, Converter{"T", "D:\\conv.exe", " -x ${infile}", "\t"}},
                        {4, Converter{"", "", "", ""}},
                        {2, Converter{"Last", "\x93\xfa\x96\x7b.exe", "${outfile}", "D:\\"}}};
    w.converter_box.add_row("T", 0);
    w.converter_box.add_row("", 4);
    w.converter_box.add_row("Last", 2);
    w.converter_box.select_row(2);
    ASSERT_TRUE(first.save(path));

    Session second;
    second.load(path);
    const FakeSettingsWindow& v = second.window;
    EXPECT_EQ(v.input_directory.rows, w.input_directory.rows);
    EXPECT_EQ(v.input_patterns.rows, w.input_patterns.rows);
    EXPECT_EQ(v.output_directory.rows, w.output_directory.rows);
    EXPECT_EQ(v.output_pattern.rows, w.output_pattern.rows);
    EXPECT_EQ(v.fields.text(HistoryField::InputDirectory), "D:\\In");
    EXPECT_EQ(v.fields.text(HistoryField::OutputPattern), "${prefix}.${suffix}.bak");
    EXPECT_EQ(v.fields.checks, w.fields.checks);
    EXPECT_EQ(second.settings.converter_position, 2);
    ASSERT_EQ(second.converters.size(), 3u);
    const Converter* in_row_order[] = {&first.converters.at(0), &first.converters.at(4),
                                       &first.converters.at(2)};
    for (int key = 0; key < 3; ++key) {
        SCOPED_TRACE(key);
        const Converter& got = second.converters.at(key);
        EXPECT_EQ(got.title, in_row_order[key]->title);
        EXPECT_EQ(got.exe_file, in_row_order[key]->exe_file);
        EXPECT_EQ(got.arguments, in_row_order[key]->arguments);
        EXPECT_EQ(got.work_dir, in_row_order[key]->work_dir);
    }
}

TEST(SaveSettings, ThreeRowsFillThreeSlotsAndTheRestAreWrittenEmpty) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Output]\r\nOutput Directory 005=D:\\Old Five\r\n");
    Session s;
    s.window.output_directory.rows = {"D:\\A", "D:\\B", "D:\\C"};
    ASSERT_TRUE(s.save(path));
    for (int slot = 1; slot <= 10; ++slot) {
        SCOPED_TRACE(slot);
        char key[32];
        std::snprintf(key, sizeof key, "Output Directory %03d", slot);
        std::string expected = slot <= 3 ? s.window.output_directory.rows[slot - 1] : "";
        EXPECT_EQ(read_profile_string(path, "Output", key, "missing"), expected);
    }
}

TEST(SaveSettings, OnlyTheFirstTenRowsAreSaved) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    for (int i = 1; i <= 12; ++i) s.window.input_patterns.rows.push_back("*." + std::to_string(i));
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Input", "File Patterns 011", "missing"), "missing");
    Session t;
    t.load(path);
    EXPECT_EQ(t.window.input_patterns.rows.size(), 10u);
    EXPECT_EQ(t.window.input_patterns.rows.back(), "*.10");
}

TEST(SaveSettings, ConvertersAreNumberedWithAtLeastThreeDigits) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    for (int key = 0; key < 1000; ++key)
        s.converters[key] = make_converter("Converter " + std::to_string(key + 1));
    s.window.fill_converter_box(s.converters, 999);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter007_Title", "?"), "Converter 7");
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter1000_Title", "?"),
              "Converter 1000");
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter_Number", "?"), "1000");
    Session t;
    t.load(path);
    ASSERT_EQ(t.converters.size(), 1000u);
    EXPECT_EQ(t.converters.at(999).title, "Converter 1000");
    EXPECT_EQ(t.settings.converter_position, 999);
}

TEST(SaveSettings, ReorderedConvertersAreRenumberedInDisplayOrder) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    s.converters = {{0, make_converter("A")}, {1, make_converter("B")}, {2, make_converter("C")}};
    ASSERT_TRUE(s.save(path));
    s.load(path);

    // The dialog moved C to the top and B was selected; then the window closed.
    auto& rows = s.window.converter_box.rows;
    rows = {{"C", 2}, {"A", 0}, {"B", 1}};
    s.window.converter_box.select_row(2);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter001_Title", "?"), "C");
    EXPECT_EQ(read_profile_string(path, "Converter", "Current Converter", "?"), "2");

    Session next;
    next.load(path);
    EXPECT_EQ(next.window.converter_box.rows,
              (std::vector<std::pair<std::string, int>>{{"C", 0}, {"A", 1}, {"B", 2}}));
    EXPECT_EQ(next.window.converter_box.selected_row(), 2);
    EXPECT_EQ(next.converters.at(next.window.converter_box.key_at(2)).title, "B");
}

TEST(SaveSettings, ShrunkListLeavesStaleKeysThatTheNextLoadIgnores) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    for (int key = 0; key < 5; ++key) s.converters[key] = make_converter("C" + std::to_string(key));
    s.window.fill_converter_box(s.converters, 4);
    ASSERT_TRUE(s.save(path));

    s.converters.erase(3);
    s.converters.erase(4);
    s.window.fill_converter_box(s.converters, 0);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter_Number", "?"), "3");
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter004_Title", "?"), "C3");
    EXPECT_EQ(read_profile_string(path, "Converter", "Converter005_Title", "?"), "C4");

    Session next;
    next.load(path);
    EXPECT_EQ(next.converters.size(), 3u);
    EXPECT_EQ(next.window.converter_box.count(), 3);
}

TEST(SaveSettings, NoSelectionIsSavedAsMinusOne) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Converter]\r\nConverter_Number=2\r\nCurrent Converter=7\r\n");
    Session s;
    s.load(path);
    EXPECT_EQ(s.window.converter_box.selected_row(), -1);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Converter", "Current Converter", "?"), "-1");
}

TEST(SaveSettings, KeysTheProgramDoesNotKnowStay) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Input]\r\nMine=1\r\nAuto Refresh=0\r\n[Elsewhere]\r\nx=y\r\n");
    Session s;
    s.load(path);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(read_profile_string(path, "Input", "Mine", "?"), "1");
    EXPECT_EQ(read_profile_string(path, "Elsewhere", "x", "?"), "y");
    EXPECT_EQ(read_profile_string(path, "Input", "Auto Refresh", "?"), "0");
}

TEST(SaveSettings, TypedButUnusedTextIsNotSaved) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    s.window.input_directory.rows = {"D:\\Used"};
    s.window.fields.set_text(HistoryField::InputDirectory, "D:\\Typed");
    ASSERT_TRUE(s.save(path));
    Session next;
    next.load(path);
    EXPECT_EQ(next.window.fields.text(HistoryField::InputDirectory), "D:\\Used");
}

TEST(SaveSettings, ReadOnlyOrMissingPlacesKeepWhatTheyHad) {
    TempDir dir;
    std::string locked = dir.file("locked.ini");
    std::string original = "[Input]\r\nAuto Refresh=0\r\n";
    write_file(locked, original);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    Session s;
    s.window.input_directory.rows = {"D:\\New"};
    s.save(locked);
    EXPECT_EQ(read_file(locked), original);

    EXPECT_FALSE(s.save(""));
    std::string nowhere = dir.file("gone") + separator + "BRELO.ini";
    s.save(nowhere);
    EXPECT_FALSE(test_support::file_exists(nowhere));
}
