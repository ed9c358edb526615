// Saving BRELO.ini from the window's parts and loading it back into a fresh window.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Support/temp_dir.h"
#include "fake_settings_window.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

namespace {

std::string slots(const std::string& key_start, const Rows& rows) {
    std::string text;
    for (std::size_t slot = 1; slot <= 10; ++slot) {
        char number[8];
        std::snprintf(number, sizeof number, "%03zu", slot);
        text += key_start + " " + number + "=" + (slot <= rows.size() ? rows[slot - 1] : "") + "\n";
    }
    return text;
}

std::string value(const std::string& path, const char* key) {
    return read_profile_string(path, "Converter", key, "missing");
}

}  // namespace

TEST(SaveSettings, FileFromNothingListsEveryKeyInWriteOrder) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    s.window.input_directory.rows = {"D:\\A", "D:\\B", "D:\\C"};
    s.window.output_pattern.rows = {"${prefix}.md5"};
    s.window.fields.checks = {{Switch::IncludeSubfolders, true}, {Switch::OutputAutoRefresh, true}};
    s.converters = {{0, make_converter("One", "D:\\Tools\\hashmd5.exe")},
                    {1, make_converter("Two", "jpconv.exe")}};
    s.window.fill_converter_box(s.converters, 1);
    EXPECT_TRUE(s.save(path));
    std::string expected = "[Input]\n" + slots("Input Directory", {"D:\\A", "D:\\B", "D:\\C"}) +
                           slots("File Patterns", {}) +
                           "Include Subfolders=1\nAuto Refresh=0\n[Output]\n" +
                           slots("Output Directory", {}) +
                           slots("File Patterns", {"${prefix}.md5"}) +
                           "Auto Refresh=1\n"
                           "[Converter]\nConverter_Number=2\nCurrent Converter=1\n"
                           "Converter001_Title=One\nConverter001_ExeFile=D:\\Tools\\hashmd5.exe\n"
                           "Converter001_Arguments=${infile} ${outfile}\n"
                           "Converter001_WorkDir=${location}\n"
                           "Converter002_Title=Two\nConverter002_ExeFile=jpconv.exe\n"
                           "Converter002_Arguments=${infile} ${outfile}\n"
                           "Converter002_WorkDir=${location}\n";
    EXPECT_EQ(non_empty_lines(read_file(path)), expected);
}

TEST(SaveSettings, EverythingComesBackInAFreshWindow) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Input]\r\nMine=1\r\nAuto Refresh=1\r\n[Elsewhere]\r\nx=y\r\n");
    Session first;
    FakeSettingsWindow& w = first.window;
    w.input_directory.rows = {"D:\\In", " D:\\Lead", "D:\\Trail ", "\"D:\\Quoted\"", "'s'"};
    for (int i = 1; i <= 11; ++i) w.input_patterns.rows.push_back("*." + std::to_string(i));
    w.output_directory.rows = {std::string(300, 'o')};
    w.output_pattern.rows = {"a=b", "\x93\xfa\x96\x7b"};
    w.fields.set_text(HistoryField::InputDirectory, "D:\\Typed but never run");
    w.fields.checks = {{Switch::InputAutoRefresh, false}};
    first.converters = {{0, Converter{"T", "D:\\conv.exe", " -x ${infile}", "\t"}},
                        {4, Converter{}},
                        {2, Converter{"Last", "x.exe", "${outfile}", "D:\\"}}};
    w.converter_box.rows = {{"T", 0}, {"", 4}, {"Last", 2}};
    w.converter_box.select_row(2);
    ASSERT_TRUE(first.save(path));

    Session second;
    second.load(path);
    const FakeSettingsWindow& v = second.window;
    EXPECT_EQ(v.input_directory.rows, w.input_directory.rows);
    EXPECT_EQ(v.fields.text(HistoryField::InputDirectory), "D:\\In");
    w.input_patterns.rows.pop_back();
    EXPECT_EQ(v.input_patterns.rows, w.input_patterns.rows);
    EXPECT_EQ(v.output_directory.rows, Rows{std::string(259, 'o')});
    EXPECT_EQ(v.output_pattern.rows, w.output_pattern.rows);
    EXPECT_EQ(v.fields.checks, all_switches(false));
    EXPECT_EQ(v.converter_box.selected_row(), 2);
    const Converter* in_row_order[] = {&first.converters[0], &first.converters[4],
                                       &first.converters[2]};
    ASSERT_EQ(second.converters.size(), 3u);
    for (int key = 0; key < 3; ++key) {
        const Converter& got = second.converters.at(key);
        const Converter& want = *in_row_order[key];
        EXPECT_EQ(got.title + "|" + got.exe_file + "|" + got.arguments + "|" + got.work_dir,
                  want.title + "|" + want.exe_file + "|" + want.arguments + "|" + want.work_dir);
    }
    EXPECT_EQ(read_profile_string(path, "Input", "Mine", "?"), "1");
    EXPECT_EQ(read_profile_string(path, "Elsewhere", "x", "?"), "y");
}

TEST(SaveSettings, ReorderedConvertersAreRenumberedAndShrunkListsLeaveStaleKeys) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    for (int key = 0; key < 5; ++key) s.converters[key] = make_converter("C" + std::to_string(key));
    s.window.fill_converter_box(s.converters, 4);
    ASSERT_TRUE(s.save(path));

    // The dialog deleted two, moved C2 to the top and left C1 selected; then the window closed.
    s.converters.erase(3);
    s.converters.erase(4);
    s.window.converter_box.rows = {{"C2", 2}, {"C0", 0}, {"C1", 1}};
    s.window.converter_box.select_row(2);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(value(path, "Converter_Number"), "3");
    EXPECT_EQ(value(path, "Converter001_Title"), "C2");
    EXPECT_EQ(value(path, "Current Converter"), "2");
    EXPECT_EQ(value(path, "Converter004_Title"), "C3");
    EXPECT_EQ(value(path, "Converter005_Title"), "C4");

    Session next;
    next.load(path);
    EXPECT_EQ(next.window.converter_box.rows,
              (std::vector<std::pair<std::string, int>>{{"C2", 0}, {"C0", 1}, {"C1", 2}}));
    EXPECT_EQ(next.window.converter_box.selected_row(), 2);
}

TEST(SaveSettings, NoSelectionIsSavedAsMinusOne) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Converter]\r\nConverter_Number=2\r\nCurrent Converter=7\r\n");
    Session s;
    s.load(path);
    EXPECT_EQ(s.window.converter_box.selected_row(), -1);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(value(path, "Current Converter"), "-1");
}

#ifndef _WIN32
// Each WritePrivateProfileStringA call rewrites the whole file, so under Wine the 4045 writes
// take most of a minute. The numbering is portable code; it is checked where writes are cheap.
TEST(SaveSettings, ConvertersAreNumberedWithAtLeastThreeDigits) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    Session s;
    for (int key = 0; key < 1000; ++key)
        s.converters[key] = make_converter("Converter " + std::to_string(key + 1));
    s.window.fill_converter_box(s.converters, 999);
    ASSERT_TRUE(s.save(path));
    EXPECT_EQ(value(path, "Converter007_Title"), "Converter 7");
    EXPECT_EQ(value(path, "Converter1000_Title"), "Converter 1000");
    Session next;
    next.load(path);
    ASSERT_EQ(next.converters.size(), 1000u);
    EXPECT_EQ(next.converters.at(999).title, "Converter 1000");
    EXPECT_EQ(next.settings.converter_position, 999);
}
#endif

TEST(SaveSettings, UnwritablePlacesKeepWhatTheyHad) {
    TempDir dir;
    Session s;
    s.window.input_directory.rows = {"D:\\New"};
    EXPECT_FALSE(s.save(""));
    std::string nowhere = dir.file("gone") + separator + "BRELO.ini";
    s.save(nowhere);
    EXPECT_FALSE(test_support::file_exists(nowhere));
#ifndef _WIN32  // Wine running as root writes read-only files
    std::string locked = dir.file("locked.ini");
    write_file(locked, "[Input]\r\nAuto Refresh=0\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    EXPECT_FALSE(s.save(locked));
    EXPECT_EQ(read_file(locked), "[Input]\r\nAuto Refresh=0\r\n");
#endif
}
