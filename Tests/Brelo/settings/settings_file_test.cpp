// Loading BRELO.ini into the window's parts: defaults, the reading rules and damaged files.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "fake_settings_window.h"

using test_support::TempDir;
using test_support::write_file;

namespace {

// Loads into a session whose switches and position all start the other way round.
void load_path(Session& s, const std::string& path) {
    s.settings = CurrentSettings{"", "", false, false, "", "", false, 99};
    s.converters[42] = make_converter("left over");
    s.load(path);
}

void load_text(Session& s, const std::string& text) {
    TempDir dir;
    write_file(dir.file("BRELO.ini"), text);
    load_path(s, dir.file("BRELO.ini"));
}

void expect_defaults(const Session& s) {
    const FakeSettingsWindow& w = s.window;
    EXPECT_EQ(w.fields.texts, (std::map<HistoryField, std::string>{
                                  {HistoryField::InputDirectory, ""},
                                  {HistoryField::InputPatterns, "*"},
                                  {HistoryField::OutputDirectory, ""},
                                  {HistoryField::OutputPattern, "${prefix}.${suffix}"}}));
    EXPECT_EQ(w.input_directory.count() + w.input_patterns.count() + w.output_directory.count() +
                  w.output_pattern.count() + w.converter_box.count(), 0);
    EXPECT_EQ(w.fields.checks, all_switches(true));
    EXPECT_TRUE(s.settings.include_subfolders && s.settings.input_auto_refresh &&
                s.settings.output_auto_refresh);
    EXPECT_EQ(s.settings.converter_position, -1);
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
    for (std::string path : {dir.file("none.ini"), std::string(), dir.path(),
                             dir.file("gone") + separator + "BRELO.ini", dir.file("binary.ini"),
                             dir.file("bare.ini")}) {
        SCOPED_TRACE(path);
        Session s;
        load_path(s, path);
        expect_defaults(s);
    }
}

TEST(LoadSettings, FlagPresentButEmptyReadsZeroWhileMissingReadsOne) {
    struct Case {
        std::string section_and_key;
        Switch box;
    } cases[] = {{"[Input]\r\nInclude Subfolders", Switch::IncludeSubfolders},
                 {"[Input]\r\nAuto Refresh", Switch::InputAutoRefresh},
                 {"[Output]\r\nAuto Refresh", Switch::OutputAutoRefresh}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section_and_key);
        Session empty, missing, number;
        load_text(empty, c.section_and_key + "=\r\n");
        load_text(missing, c.section_and_key + "_other=0\r\n");
        load_text(number, c.section_and_key + "= -2x\r\n");
        EXPECT_FALSE(empty.window.fields.is_checked(c.box));
        EXPECT_TRUE(missing.window.fields.is_checked(c.box));
        EXPECT_TRUE(number.window.fields.is_checked(c.box));
        EXPECT_EQ(empty.settings.include_subfolders, c.box != Switch::IncludeSubfolders);
        EXPECT_EQ(empty.settings.output_auto_refresh, c.box != Switch::OutputAutoRefresh);
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Session s;
        load_text(s, "[Input]\r\n" + c.slots + "\r\n");
        EXPECT_EQ(s.window.input_directory.rows, c.rows);
        EXPECT_EQ(s.window.fields.text(HistoryField::InputDirectory),
                  c.rows.empty() ? "" : c.rows[0]);
    }
}

TEST(LoadSettings, ConverterCountDecidesHowManyEntriesAreRead) {
    struct Case {
        const char* label;
        std::string lines;
        std::size_t count;
        int position;
    } cases[] = {
        {"two without keys", "Converter_Number=2", 2, 0},
        {"negative", "Converter_Number=-2\r\nConverter001_Title=x", 0, -1},
        {"stale entry", "Converter_Number=1\r\nConverter002_Title=x\r\nCurrent Converter=1", 1, -1},
        {"selected", "Converter_Number=3\r\nCurrent Converter=2", 3, 2},
        {"damaged count", "Converter_Number=99999999999", 1000, 0},
        {"damaged count, more entries",
         "Converter_Number=99999\r\nConverter1001_WorkDir=\r\nConverter1002_Title=z", 1002, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Session s;
        load_text(s, "[Converter]\r\n" + c.lines + "\r\n");
        ASSERT_EQ(s.converters.size(), c.count);
        EXPECT_EQ(s.settings.converter_position, c.position);
        int key = 0;
        for (const auto& [k, converter] : s.converters) {
            EXPECT_EQ(k, key++);
            if (k < 1001) {
                EXPECT_EQ(converter.title + converter.exe_file + converter.arguments +
                              converter.work_dir, "");
            }
        }
    }
}

TEST(LoadSettings, SharedFixturesLoadTheSameEverywhere) {
    for (const char* name : {"example.ini", "lf_only.ini"}) {
        SCOPED_TRACE(name);
        Session s;
        load_path(s, fixture_path(name));
        const FakeSettingsWindow& w = s.window;
        EXPECT_EQ(w.input_directory.rows, (Rows{"D:\\Data\\Texts", "D:\\Data\\Old"}));
        EXPECT_EQ(w.fields.text(HistoryField::InputDirectory), "D:\\Data\\Texts");
        EXPECT_EQ(w.input_patterns.rows, Rows{"*.txt|*.csv"});
        EXPECT_EQ(w.fields.text(HistoryField::OutputDirectory), "");
        EXPECT_EQ(w.output_pattern.rows, (Rows{"${prefix}.md5", "${prefix}.${suffix}"}));
        EXPECT_FALSE(w.fields.is_checked(Switch::IncludeSubfolders));
        EXPECT_TRUE(w.fields.is_checked(Switch::InputAutoRefresh));
        EXPECT_FALSE(w.fields.is_checked(Switch::OutputAutoRefresh));
        EXPECT_EQ(s.window.converter_box.selected_row(), 1);
        ASSERT_EQ(s.converters.size(), 2u);
        const Converter& second = s.converters.at(1);
        EXPECT_EQ(second.title + "|" + second.exe_file + "|" + second.arguments + "|" +
                      second.work_dir,
                  "Copy of Converter 001|D:\\Tools\\jpconv.exe|-s ${infile} ${outfile}|"
                  "${location}");
    }
}

TEST(ConverterSaveOrder, RowsFirstThenConvertersNoRowShows) {
    test_support::FakeMainFields fields;
    test_support::FakeConverterBox box(fields);
    ConverterList converters = {{0, make_converter("a")}, {3, make_converter("b")},
                                {5, make_converter("c")}, {9, make_converter("d")}};
    box.rows = {{"c", 5}, {"ghost", 7}, {"a", 0}, {"c again", 5}};
    EXPECT_EQ(converter_save_order(box, converters), (std::vector<int>{5, 0, 3, 9}));
}
