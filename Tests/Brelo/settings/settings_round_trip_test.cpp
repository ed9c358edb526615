// Saving a stored-settings value to BRELO.ini and loading it back.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Support/temp_dir.h"
#include "settings_test_support.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

namespace {

using Rows = std::vector<std::string>;

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

std::vector<Converter> numbered_converters(int count) {
    std::vector<Converter> converters;
    for (int i = 0; i < count; ++i) converters.push_back(make_converter("C" + std::to_string(i)));
    return converters;
}

}  // namespace

TEST(SaveSettings, FileFromNothingListsEveryKeyInWriteOrder) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    s.input_directories = {"D:\\A", "D:\\B", "D:\\C"};
    s.output_patterns = {"${prefix}.md5"};
    s.include_subfolders = true;
    s.input_auto_refresh = false;
    s.output_auto_refresh = true;
    s.converters = {make_converter("One", "D:\\Tools\\hashmd5.exe"),
                    make_converter("Two", "jpconv.exe")};
    s.current_converter = 1;
    EXPECT_TRUE(save_settings(s, path));
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

// A file written by the program itself comes back byte for byte when nothing changed, stale
// converter keys included.
TEST(SaveSettings, SavingWhatWasLoadedLeavesTheFixtureUnchanged) {
    for (const char* name : {"example.ini", "lf_only.ini"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        std::string path = dir.file("BRELO.ini");
        const std::string original = read_file(fixture_path(name));
        ASSERT_FALSE(original.empty());
        write_file(path, original);
        ASSERT_TRUE(save_settings(load_settings(path), path));
        EXPECT_EQ(read_file(path), original);
    }
}

TEST(SaveSettings, EverythingComesBackOnTheNextLoad) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Input]\r\nMine=1\r\nAuto Refresh=1\r\n[Elsewhere]\r\nx=y\r\n");
    StoredSettings first;
    first.input_directories = {"D:\\In", " D:\\Lead", "D:\\Trail ", "\"D:\\Quoted\"", "'s'"};
    for (int i = 1; i <= 11; ++i) first.input_patterns.push_back("*." + std::to_string(i));
    first.output_directories = {std::string(300, 'o')};
    first.output_patterns = {"a=b", "\x93\xfa\x96\x7b"};
    first.include_subfolders = first.input_auto_refresh = first.output_auto_refresh = false;
    first.converters = {Converter{"T", "D:\\conv.exe", " -x ${infile}", "\t"}, Converter{},
                        Converter{"Last", "x.exe", "${outfile}", "D:\\"}};
    first.current_converter = 2;
    ASSERT_TRUE(save_settings(first, path));

    // Ten history slots, 259 characters a value; everything else as it was.
    StoredSettings expected = first;
    expected.input_patterns.pop_back();
    expected.output_directories = {std::string(259, 'o')};
    EXPECT_EQ(load_settings(path), expected);
    EXPECT_NE(non_empty_lines(read_file(path))
                  .find("\nOutput Directory 001=" + std::string(259, 'o') + "\n"),
              std::string::npos);
    EXPECT_EQ(read_profile_string(path, "Input", "Mine", "?"), "1");
    EXPECT_EQ(read_profile_string(path, "Elsewhere", "x", "?"), "y");
}

TEST(SaveSettings, ReorderedConvertersAreRenumberedAndShrunkListsLeaveStaleKeys) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    s.converters = numbered_converters(5);
    s.current_converter = 4;
    ASSERT_TRUE(save_settings(s, path));

    // The dialog deleted two, moved C2 to the top and left C1 selected; then the window closed.
    const std::vector<Converter> c = numbered_converters(3);
    s.converters = {c[2], c[0], c[1]};
    s.current_converter = 2;
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(value(path, "Converter_Number"), "3");
    EXPECT_EQ(value(path, "Converter001_Title"), "C2");
    EXPECT_EQ(value(path, "Current Converter"), "2");
    EXPECT_EQ(value(path, "Converter004_Title"), "C3");
    EXPECT_EQ(value(path, "Converter005_Title"), "C4");

    EXPECT_EQ(load_settings(path), s);
}

TEST(SaveSettings, CurrentConverterOutsideTheListIsSavedAsMinusOne) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    write_file(path, "[Converter]\r\nConverter_Number=2\r\nCurrent Converter=7\r\n");
    StoredSettings s = load_settings(path);
    EXPECT_EQ(s.current_converter, -1);
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(value(path, "Current Converter"), "-1");

    const struct {
        int current;
        const char* saved;
    } rows[] = {{0, "0"}, {1, "1"}, {2, "-1"}, {7, "-1"}, {-1, "-1"}, {-5, "-1"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.current);
        s.current_converter = row.current;
        ASSERT_TRUE(save_settings(s, path));
        EXPECT_EQ(value(path, "Current Converter"), row.saved);
    }
}

#ifndef _WIN32
// Each WritePrivateProfileStringA call rewrites the whole file, so under Wine the 4045 writes
// take most of a minute. The numbering is portable code; it is checked where writes are cheap.
TEST(SaveSettings, ConvertersAreNumberedWithAtLeastThreeDigits) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    for (int i = 1; i <= 1000; ++i)
        s.converters.push_back(make_converter("Converter " + std::to_string(i)));
    s.current_converter = 999;
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(value(path, "Converter007_Title"), "Converter 7");
    EXPECT_EQ(value(path, "Converter1000_Title"), "Converter 1000");
    const StoredSettings next = load_settings(path);
    ASSERT_EQ(next.converters.size(), 1000u);
    EXPECT_EQ(next.converters.at(999).title, "Converter 1000");
    EXPECT_EQ(next.current_converter, 999);
}
#endif

TEST(SaveSettings, UnwritablePlacesKeepWhatTheyHad) {
    TempDir dir;
    StoredSettings s;
    s.input_directories = {"D:\\New"};
    EXPECT_FALSE(save_settings(s, ""));
    std::string nowhere = dir.file("gone") + separator + "BRELO.ini";
    save_settings(s, nowhere);
    EXPECT_FALSE(test_support::file_exists(nowhere));
#ifndef _WIN32  // Wine running as root writes read-only files
    std::string locked = dir.file("locked.ini");
    write_file(locked, "[Input]\r\nAuto Refresh=0\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    EXPECT_FALSE(save_settings(s, locked));
    EXPECT_EQ(read_file(locked), "[Input]\r\nAuto Refresh=0\r\n");
#endif
}
