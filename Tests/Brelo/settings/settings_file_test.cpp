// Loading BRELO.ini into the window's parts: defaults, the reading rules and damaged files.
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support/temp_dir.h"
#include "fake_settings_window.h"

using test_support::TempDir;
using test_support::write_file;

namespace {

using Rows = std::vector<std::string>;

struct Loaded {
    FakeSettingsWindow window;
    CurrentSettings settings;
    ConverterList converters;
};

// Loads into a window whose switches all start the other way round, so that every value the
// load leaves alone shows.
void load(Loaded& loaded, const std::string& path) {
    loaded.settings.include_subfolders = false;
    loaded.settings.input_auto_refresh = false;
    loaded.settings.output_auto_refresh = false;
    loaded.settings.converter_position = 99;
    loaded.converters[42] = make_converter("left over");
    load_settings(loaded.window.parts(), path, loaded.settings, loaded.converters);
}

std::string crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

void expect_defaults(const Loaded& loaded) {
    const FakeSettingsWindow& w = loaded.window;
    EXPECT_EQ(w.fields.text(HistoryField::InputDirectory), "");
    EXPECT_EQ(w.fields.text(HistoryField::InputPatterns), "*");
    EXPECT_EQ(w.fields.text(HistoryField::OutputDirectory), "");
    EXPECT_EQ(w.fields.text(HistoryField::OutputPattern), "${prefix}.${suffix}");
    EXPECT_TRUE(w.input_directory.rows.empty());
    EXPECT_TRUE(w.input_patterns.rows.empty());
    EXPECT_TRUE(w.output_directory.rows.empty());
    EXPECT_TRUE(w.output_pattern.rows.empty());
    EXPECT_TRUE(w.fields.is_checked(Switch::IncludeSubfolders));
    EXPECT_TRUE(w.fields.is_checked(Switch::InputAutoRefresh));
    EXPECT_TRUE(w.fields.is_checked(Switch::OutputAutoRefresh));
    EXPECT_TRUE(loaded.settings.include_subfolders);
    EXPECT_TRUE(loaded.settings.input_auto_refresh);
    EXPECT_TRUE(loaded.settings.output_auto_refresh);
    EXPECT_TRUE(loaded.converters.empty());
    EXPECT_EQ(loaded.settings.converter_position, -1);
}

}  // namespace

TEST(SettingsPath, ProgramDirectoryEndsWithSeparatorAndHoldsTheFile) {
    std::string directory = program_directory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory, executable_directory());
    EXPECT_EQ(settings_file_path(), directory + "BRELO.ini");
}

TEST(SettingsPath, PathMustFit259Characters) {
    struct Case {
        const char* label;
        std::string directory;
        bool usable;
    } cases[] = {
        {"no directory", "", false},
        {"250 + 9 = 259", std::string(249, 'd') + "\\", true},
        {"251 + 9 = 260", std::string(250, 'd') + "\\", false},
        {"far too long", std::string(1000, 'd') + "\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string path = settings_path_in(c.directory);
        EXPECT_EQ(path, c.usable ? c.directory + "BRELO.ini" : std::string());
    }
}

TEST(LoadSettings, NoFileGivesEveryDefault) {
    TempDir dir;
    Loaded loaded;
    load(loaded, dir.file("BRELO.ini"));
    expect_defaults(loaded);
}

TEST(LoadSettings, NoUsablePathGivesEveryDefault) {
    Loaded loaded;
    load(loaded, "");
    expect_defaults(loaded);
}

TEST(LoadSettings, UnreadableFilesGiveEveryDefault) {
    TempDir dir;
    struct Case {
        const char* label;
        std::string path;
    } cases[] = {
        {"a directory", dir.path()},
        {"missing directory", dir.file("gone") + separator + "BRELO.ini"},
        {"empty file", dir.file("empty.ini")},
        {"sections only", dir.file("bare.ini")},
        {"binary bytes", dir.file("binary.ini")},
    };
    write_file(dir.file("empty.ini"), "");
    write_file(dir.file("bare.ini"), "[Input]\r\n[Output]\r\n[Converter]\r\n");
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7 + 3) % 251 + 1);
    write_file(dir.file("binary.ini"), binary);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Loaded loaded;
        load(loaded, c.path);
        expect_defaults(loaded);
    }
}

TEST(LoadSettings, FlagPresentButEmptyReadsZeroWhileMissingReadsOne) {
    struct Case {
        const char* label;
        std::string section;
        std::string key;
        Switch box;
        bool CurrentSettings::*field;
    } cases[] = {
        {"Include Subfolders", "Input", "Include Subfolders", Switch::IncludeSubfolders,
         &CurrentSettings::include_subfolders},
        {"input Auto Refresh", "Input", "Auto Refresh", Switch::InputAutoRefresh,
         &CurrentSettings::input_auto_refresh},
        {"output Auto Refresh", "Output", "Auto Refresh", Switch::OutputAutoRefresh,
         &CurrentSettings::output_auto_refresh},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        write_file(dir.file("empty.ini"), crlf({"[" + c.section + "]", c.key + "="}));
        write_file(dir.file("missing.ini"), crlf({"[" + c.section + "]", "Other=0"}));
        Loaded empty, missing;
        load(empty, dir.file("empty.ini"));
        load(missing, dir.file("missing.ini"));
        EXPECT_FALSE(empty.window.fields.is_checked(c.box));
        EXPECT_FALSE(empty.settings.*c.field);
        EXPECT_TRUE(missing.window.fields.is_checked(c.box));
        EXPECT_TRUE(missing.settings.*c.field);
    }
}

TEST(LoadSettings, FlagValuesFollowTheIntegerRules) {
    struct Case {
        const char* value;
        bool checked;
    } cases[] = {{"0", false}, {"1", true}, {"-1", true}, {"2", true},  {"yes", false},
                 {" 1", true}, {"0x1", false}, {"00", false}, {"1abc", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TempDir dir;
        write_file(dir.file("f.ini"), crlf({"[Input]", std::string("Include Subfolders=") + c.value}));
        Loaded loaded;
        load(loaded, dir.file("f.ini"));
        EXPECT_EQ(loaded.window.fields.is_checked(Switch::IncludeSubfolders), c.checked);
    }
}

TEST(LoadSettings, HistoryEndsAtTheFirstEmptyOrMissingSlot) {
    struct Case {
        const char* label;
        std::vector<std::string> lines;
        Rows rows;
        std::string text;
    } cases[] = {
        {"slot 001 empty, 002 set", {"Input Directory 001=", "Input Directory 002=D:\\B"}, {}, ""},
        {"slot 001 missing, 002 set", {"Input Directory 002=D:\\B"}, {}, ""},
        {"gap after two", {"Input Directory 001=D:\\A", "Input Directory 002=D:\\B",
                           "Input Directory 004=D:\\D"}, {"D:\\A", "D:\\B"}, "D:\\A"},
        {"slot order in the file does not matter",
         {"Input Directory 002=D:\\B", "Input Directory 001=D:\\A"}, {"D:\\A", "D:\\B"}, "D:\\A"},
        {"blank value is empty", {"Input Directory 001=   ", "Input Directory 002=D:\\B"}, {}, ""},
        {"slot 011 is never read",
         {"Input Directory 001=1", "Input Directory 002=2", "Input Directory 003=3",
          "Input Directory 004=4", "Input Directory 005=5", "Input Directory 006=6",
          "Input Directory 007=7", "Input Directory 008=8", "Input Directory 009=9",
          "Input Directory 010=10", "Input Directory 011=11"},
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "1"},
        {"slot number without zeros is another key", {"Input Directory 1=D:\\A"}, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        std::vector<std::string> lines = {"[Input]"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        write_file(dir.file("h.ini"), crlf(lines));
        Loaded loaded;
        load(loaded, dir.file("h.ini"));
        EXPECT_EQ(loaded.window.input_directory.rows, c.rows);
        EXPECT_EQ(loaded.window.fields.text(HistoryField::InputDirectory), c.text);
    }
}

TEST(LoadSettings, EachHistoryHasItsOwnSectionAndDefault) {
    TempDir dir;
    write_file(dir.file("h.ini"),
               crlf({"[Input]", "File Patterns 001=", "File Patterns 002=*.c", "[Output]",
                     "File Patterns 001=${prefix}.txt", "Output Directory 001=D:\\Out",
                     "Input Directory 001=wrong section"}));
    Loaded loaded;
    load(loaded, dir.file("h.ini"));
    const FakeSettingsWindow& w = loaded.window;
    EXPECT_EQ(w.fields.text(HistoryField::InputDirectory), "");
    EXPECT_EQ(w.fields.text(HistoryField::InputPatterns), "*");
    EXPECT_EQ(w.output_pattern.rows, Rows{"${prefix}.txt"});
    EXPECT_EQ(w.fields.text(HistoryField::OutputPattern), "${prefix}.txt");
    EXPECT_EQ(w.output_directory.rows, Rows{"D:\\Out"});
    EXPECT_TRUE(w.input_directory.rows.empty());
}

TEST(LoadSettings, ConverterCountDecidesHowManyEntriesAreRead) {
    struct Case {
        const char* label;
        std::vector<std::string> lines;
        std::size_t count;
        int position;
    } cases[] = {
        {"two without keys", {"Converter_Number=2"}, 2, 0},
        {"none", {"Converter_Number=0", "Converter001_Title=ignored"}, 0, -1},
        {"negative", {"Converter_Number=-2", "Converter001_Title=ignored"}, 0, -1},
        {"not a number", {"Converter_Number=many", "Converter001_Title=ignored"}, 0, -1},
        {"stale entries beyond the count", {"Converter_Number=1", "Converter002_Title=old"}, 1, 0},
        {"current converter", {"Converter_Number=3", "Current Converter=2"}, 3, 2},
        {"current converter past the end", {"Converter_Number=3", "Current Converter=3"}, 3, -1},
        {"current converter negative", {"Converter_Number=3", "Current Converter=-5"}, 3, -1},
        {"current converter none", {"Converter_Number=3", "Current Converter=-1"}, 3, -1},
        {"current converter garbage reads 0", {"Converter_Number=3", "Current Converter=z"}, 3, 0},
        {"damaged count is capped", {"Converter_Number=99999999999"},
         static_cast<std::size_t>(max_converters), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        std::vector<std::string> lines = {"[Converter]"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        write_file(dir.file("c.ini"), crlf(lines));
        Loaded loaded;
        load(loaded, dir.file("c.ini"));
        ASSERT_EQ(loaded.converters.size(), c.count);
        EXPECT_EQ(loaded.settings.converter_position, c.position);
        int key = 0;
        for (const auto& entry : loaded.converters) {
            EXPECT_EQ(entry.first, key++);
            EXPECT_EQ(entry.second.title, "");
            EXPECT_EQ(entry.second.exe_file, "");
            EXPECT_EQ(entry.second.arguments, "");
            EXPECT_EQ(entry.second.work_dir, "");
        }
    }
}

TEST(LoadSettings, SharedFixtureLoadsTheSameOnEveryPlatform) {
    for (const char* name : {"example.ini", "lf_only.ini"}) {
        SCOPED_TRACE(name);
        Loaded loaded;
        load(loaded, fixture_path(name));
        const FakeSettingsWindow& w = loaded.window;
        EXPECT_EQ(w.input_directory.rows, (Rows{"D:\\Data\\Texts", "D:\\Data\\Old"}));
        EXPECT_EQ(w.fields.text(HistoryField::InputDirectory), "D:\\Data\\Texts");
        EXPECT_EQ(w.input_patterns.rows, Rows{"*.txt|*.csv"});
        EXPECT_TRUE(w.output_directory.rows.empty());
        EXPECT_EQ(w.fields.text(HistoryField::OutputDirectory), "");
        EXPECT_EQ(w.output_pattern.rows, (Rows{"${prefix}.md5", "${prefix}.${suffix}"}));
        EXPECT_FALSE(w.fields.is_checked(Switch::IncludeSubfolders));
        EXPECT_TRUE(w.fields.is_checked(Switch::InputAutoRefresh));
        EXPECT_FALSE(w.fields.is_checked(Switch::OutputAutoRefresh));
        EXPECT_EQ(loaded.settings.converter_position, 1);
        ASSERT_EQ(loaded.converters.size(), 2u);
        const Converter& second = loaded.converters.at(1);
        EXPECT_EQ(loaded.converters.at(0).exe_file, "D:\\Tools\\hashmd5.exe");
        EXPECT_EQ(second.title, "Copy of Converter 001");
        EXPECT_EQ(second.exe_file, "D:\\Tools\\jpconv.exe");
        EXPECT_EQ(second.arguments, "-s ${infile} ${outfile}");
        EXPECT_EQ(second.work_dir, "${location}");
    }
}

TEST(LoadSettings, DamagedFixtureLoadsWhatCanBeRead) {
    Loaded loaded;
    load(loaded, fixture_path("damaged.ini"));
    const FakeSettingsWindow& w = loaded.window;
    EXPECT_EQ(w.input_directory.rows, (Rows{"D:\\Data\\Texts", "D:\\Lower Case"}));
    EXPECT_EQ(w.input_patterns.rows, Rows{"*.txt"});
    EXPECT_FALSE(w.fields.is_checked(Switch::IncludeSubfolders));
    EXPECT_TRUE(w.fields.is_checked(Switch::InputAutoRefresh));
    EXPECT_EQ(w.output_directory.rows, (Rows{"quoted", "single", "\"unbalanced"}));
    EXPECT_EQ(w.fields.text(HistoryField::OutputPattern), "${prefix}.${suffix}");
    EXPECT_TRUE(w.fields.is_checked(Switch::OutputAutoRefresh));
    EXPECT_TRUE(loaded.converters.empty());
    EXPECT_EQ(loaded.settings.converter_position, -1);
}

TEST(LoadSettings, LongTextsAreCutTo259) {
    TempDir dir;
    std::string long_path(400, 'p');
    write_file(dir.file("l.ini"), crlf({"[Input]", "Input Directory 001=" + long_path,
                                        "[Converter]", "Converter_Number=1",
                                        "Converter001_Arguments=" + long_path}));
    Loaded loaded;
    load(loaded, dir.file("l.ini"));
    EXPECT_EQ(loaded.window.input_directory.rows, Rows{std::string(259, 'p')});
    EXPECT_EQ(loaded.converters.at(0).arguments, std::string(259, 'p'));
}

TEST(ConverterSaveOrder, RowsFirstThenConvertersNoRowShows) {
    test_support::FakeMainFields fields;
    test_support::FakeConverterBox box(fields);
    ConverterList converters = {{0, make_converter("a")}, {3, make_converter("b")},
                                {5, make_converter("c")}, {9, make_converter("d")}};
    box.add_row("c", 5);
    box.add_row("ghost", 7);
    box.add_row("a", 0);
    box.add_row("c again", 5);
    EXPECT_EQ(converter_save_order(box, converters), (std::vector<int>{5, 0, 3, 9}));
}
