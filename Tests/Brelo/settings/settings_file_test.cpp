// Loading BRELO.ini into a stored-settings value: defaults, the reading rules and damaged files.
#include "settings/settings_file.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "settings_test_support.h"

using test_support::TempDir;
using test_support::write_file;

namespace {

using Rows = std::vector<std::string>;

StoredSettings load_text(const std::string& text) {
    TempDir dir;
    write_file(dir.file("BRELO.ini"), text);
    return load_settings(dir.file("BRELO.ini"));
}

}  // namespace

TEST(SettingsPath, IsBesideTheProgramAndMustFit259Characters) {
    ASSERT_FALSE(program_directory().empty());
    EXPECT_EQ(settings_file_path(), executable_directory() + "BRELO.ini");
    EXPECT_EQ(settings_path_in(""), "");
    EXPECT_EQ(settings_path_in(std::string(250, 'd')), std::string(250, 'd') + "BRELO.ini");
    EXPECT_EQ(settings_path_in(std::string(251, 'd')), "");
}

TEST(LoadSettings, MissingOrUnreadableFileGivesEveryDefault) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7 + 3) % 251 + 1);
    write_file(dir.file("binary.ini"), binary);
    write_file(dir.file("bare.ini"), "[Input]\r\n[Output]\r\n[Converter]\r\n");
    StoredSettings defaults;
    defaults.include_subfolders = defaults.input_auto_refresh = defaults.output_auto_refresh = true;
    defaults.current_converter = -1;
    for (std::string path : {dir.file("none.ini"), std::string(), dir.path(),
                             dir.file("gone") + separator + "BRELO.ini", dir.file("binary.ini"),
                             dir.file("bare.ini")}) {
        SCOPED_TRACE(path);
        const StoredSettings loaded = load_settings(path);
        EXPECT_EQ(loaded, defaults);
        const RunSettings opening = opening_settings(loaded);
        EXPECT_EQ(opening.input_directory + "|" + opening.input_patterns + "|" +
                      opening.output_directory + "|" + opening.output_pattern,
                  "|*||${prefix}.${suffix}");
    }
}

TEST(LoadSettings, FlagPresentButEmptyReadsZeroWhileMissingReadsOne) {
    struct Case {
        std::string section_and_key;
        bool StoredSettings::*flag;
    } cases[] = {{"[Input]\r\nInclude Subfolders", &StoredSettings::include_subfolders},
                 {"[Input]\r\nAuto Refresh", &StoredSettings::input_auto_refresh},
                 {"[Output]\r\nAuto Refresh", &StoredSettings::output_auto_refresh}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section_and_key);
        const StoredSettings empty = load_text(c.section_and_key + "=\r\n");
        const StoredSettings missing = load_text(c.section_and_key + "_other=0\r\n");
        const StoredSettings number = load_text(c.section_and_key + "= -2x\r\n");
        EXPECT_FALSE(empty.*c.flag);
        EXPECT_TRUE(missing.*c.flag);
        EXPECT_TRUE(number.*c.flag);
        // Only the flag of its own section and key reads the empty value.
        EXPECT_EQ(empty.include_subfolders, c.flag != &StoredSettings::include_subfolders);
        EXPECT_EQ(empty.input_auto_refresh, c.flag != &StoredSettings::input_auto_refresh);
        EXPECT_EQ(empty.output_auto_refresh, c.flag != &StoredSettings::output_auto_refresh);
    }
}

TEST(LoadSettings, HistoryEndsAtTheFirstEmptyOrMissingSlot) {
    struct Case {
        const char* label;
        std::string slots;
        Rows rows;
    } cases[] = {
        {"001 empty, 002 set", "Input Directory 001=\r\nInput Directory 002=D:\\B", {}},
        {"001 missing", "Input Directory 002=D:\\B", {}},
        {"blank value", "Input Directory 001=  \r\nInput Directory 002=D:\\B", {}},
        {"gap after two, any order",
         "Input Directory 002=D:\\B\r\nInput Directory 001=D:\\A\r\nInput Directory 004=D:\\D",
         {"D:\\A", "D:\\B"}},
        {"slot 011 is not read",
         "Input Directory 001=1\r\nInput Directory 002=2\r\nInput Directory 003=3\r\n"
         "Input Directory 004=4\r\nInput Directory 005=5\r\nInput Directory 006=6\r\n"
         "Input Directory 007=7\r\nInput Directory 008=8\r\nInput Directory 009=9\r\n"
         "Input Directory 010=10\r\nInput Directory 011=11",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const StoredSettings loaded = load_text("[Input]\r\n" + c.slots + "\r\n");
        EXPECT_EQ(loaded.input_directories, c.rows);
        EXPECT_EQ(opening_settings(loaded).input_directory, c.rows.empty() ? "" : c.rows[0]);
    }
}

TEST(LoadSettings, ValuesAreCutTo259Characters) {
    const std::string mega(1 << 20, 'm');
    const StoredSettings loaded = load_text(
        "[Output]\r\nOutput Directory 001=" + std::string(259, 'a') +
        "\r\nOutput Directory 002=" + std::string(260, 'b') + "\r\nOutput Directory 003=" + mega +
        "\r\n[Converter]\r\nConverter_Number=1\r\nConverter001_Title=" + mega +
        "\r\nConverter001_WorkDir=" + std::string(260, 'w') + "\r\n");
    EXPECT_EQ(loaded.output_directories,
              (Rows{std::string(259, 'a'), std::string(259, 'b'), std::string(259, 'm')}));
    ASSERT_EQ(loaded.converters.size(), 1u);
    EXPECT_EQ(loaded.converters[0].title, std::string(259, 'm'));
    EXPECT_EQ(loaded.converters[0].work_dir, std::string(259, 'w'));
}

TEST(LoadSettings, ConverterCountDecidesHowManyEntriesAreRead) {
    struct Case {
        const char* label;
        std::string lines;
        std::size_t count;
        int current;
    } cases[] = {
        {"two without keys", "Converter_Number=2", 2, 0},
        {"negative", "Converter_Number=-2\r\nConverter001_Title=x", 0, -1},
        {"stale entry", "Converter_Number=1\r\nConverter002_Title=x\r\nCurrent Converter=1", 1, -1},
        {"selected", "Converter_Number=3\r\nCurrent Converter=2", 3, 2},
        {"negative current", "Converter_Number=3\r\nCurrent Converter=-2", 3, -1},
        {"damaged count", "Converter_Number=99999999999", 1000, 0},
        {"damaged count, more entries",
         "Converter_Number=99999\r\nConverter1001_WorkDir=\r\nConverter1002_Title=z", 1002, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const StoredSettings loaded = load_text("[Converter]\r\n" + c.lines + "\r\n");
        ASSERT_EQ(loaded.converters.size(), c.count);
        EXPECT_EQ(loaded.current_converter, c.current);
        for (std::size_t i = 0; i < loaded.converters.size() && i < 1001; ++i) {
            const Converter& converter = loaded.converters[i];
            EXPECT_EQ(converter.title + converter.exe_file + converter.arguments +
                          converter.work_dir, "");
        }
        if (c.count == 1002) {
            EXPECT_EQ(loaded.converters[1001].title, "z");
        }
    }
}

// A count far beyond the entries costs one reading of the file and the lookups of the entries
// the rule reads: up to converters_read_without_keys, then while entries have keys.
TEST(LoadSettings, DamagedCountReadsTheFileOnceAndStopsWhereTheEntriesEnd) {
    std::string three = "[Converter]\r\nConverter_Number=2147483647\r\nCurrent Converter=2\r\n";
    for (int n = 1; n <= 3; ++n) {
        const std::string number = "00" + std::to_string(n);
        three += "Converter" + number + "_Title=T" + std::to_string(n) + "\r\nConverter" + number +
                 "_ExeFile=x.exe\r\n";
    }
    std::string beyond = three;
    for (int n = 1001; n <= 1003; ++n)
        beyond += "Converter" + std::to_string(n) + "_Arguments=a" + std::to_string(n) + "\r\n";
    const ProfileFileCounts before = profile_file_counts();
    const StoredSettings loaded = load_text(three);
    EXPECT_EQ(profile_file_counts().reads - before.reads, 1u);
    ASSERT_EQ(loaded.converters.size(), 1000u);
    EXPECT_EQ(loaded.current_converter, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.converters[i].title, "T" + std::to_string(i + 1));
        EXPECT_EQ(loaded.converters[i].exe_file, "x.exe");
    }
    const Converter& last = loaded.converters[999];
    EXPECT_EQ(last.title + last.exe_file + last.arguments + last.work_dir, "");

    const StoredSettings more = load_text(beyond);
    ASSERT_EQ(more.converters.size(), 1003u);
    EXPECT_EQ(more.converters[1002].arguments, "a1003");
    EXPECT_EQ(more.converters[1002].title, "");
}

TEST(LoadSettings, SharedFixturesLoadTheSameEverywhere) {
    StoredSettings expected;
    expected.input_directories = {"D:\\Data\\Texts", "D:\\Data\\Old"};
    expected.input_patterns = {"*.txt|*.csv"};
    expected.include_subfolders = false;
    expected.input_auto_refresh = true;
    expected.output_patterns = {"${prefix}.md5", "${prefix}.${suffix}"};
    expected.output_auto_refresh = false;
    expected.converters = {
        Converter{"Converter 001", "D:\\Tools\\hashmd5.exe", "${infile} ${outfile}", "${location}"},
        Converter{"Copy of Converter 001", "D:\\Tools\\jpconv.exe", "-s ${infile} ${outfile}",
                  "${location}"}};
    expected.current_converter = 1;
    for (const char* name : {"example.ini", "lf_only.ini"}) {
        SCOPED_TRACE(name);
        const StoredSettings loaded = load_settings(fixture_path(name));
        EXPECT_EQ(loaded, expected);
        EXPECT_EQ(opening_settings(loaded).output_directory, "");
    }
}

// The reader's rules as the settings see them: blanks and quotes dropped, the first section and
// key of a name, a line without an equals sign missing, "[ Converter ]" the converter section.
TEST(LoadSettings, DamagedFixtureLoadsTheSameEverywhere) {
    StoredSettings expected;
    expected.input_directories = {"D:\\Data\\Texts", "D:\\Lower Case"};
    expected.input_patterns = {"*.txt"};
    expected.include_subfolders = false;
    expected.input_auto_refresh = true;
    expected.output_directories = {"quoted", "single", "\"unbalanced"};
    expected.output_auto_refresh = true;
    expected.converters.resize(7);
    expected.current_converter = 0;
    EXPECT_EQ(load_settings(fixture_path("damaged.ini")), expected);
}

// A file from before UTF-8, written on a Japanese system: its Shift_JIS values come back as the
// same Japanese text. Only meaningful where the system's code page is 932 (the Windows tests run
// this once under a Japanese locale, which sets BRELO_EXPECT_CODE_PAGE); elsewhere it is skipped.
TEST(LoadSettings, OldFileInTheJapaneseCodePageKeepsItsValues) {
    const char* expected = std::getenv("BRELO_EXPECT_CODE_PAGE");
    if (!expected || std::string(expected) != "932") GTEST_SKIP() << "not a Japanese system";
    // C:\データ\日本語 and 変換 in Shift_JIS.
    const StoredSettings loaded = load_text(
        "[Input]\r\nInput Directory 001=C:\\\x83\x66\x81\x5b\x83\x5e\\\x93\xfa\x96\x7b\x8c\xea\r\n"
        "[Converter]\r\nConverter_Number=1\r\nCurrent Converter=0\r\n"
        "Converter001_Title=\x95\xcf\x8a\xb7\r\nConverter001_ExeFile=a.exe\r\n");
    ASSERT_FALSE(loaded.input_directories.empty());
    EXPECT_EQ(loaded.input_directories.front(),
              "C:\\\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf\\\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e");
    ASSERT_EQ(loaded.converters.size(), 1u);
    EXPECT_EQ(loaded.converters.front().title, "\xe5\xa4\x89\xe6\x8f\x9b");
}
