#include "batch/batch_setup.h"

#include <sstream>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "batch/console_platform.h"
#include "batch_process.h"

namespace {

using batch_test::IniConverter;
using batch_test::IniValues;
using test_support::TempDir;
using test_support::write_file;

TEST(FindConverterRow, TitleThenPositionThenTitleIgnoringCase) {
    const std::vector<std::string> titles = {"MD5 digest", "2", "Copy", "copy", "Upper"};
    struct Row {
        const char* label;
        std::string text;
        int row;  // -1: none
    };
    const Row rows[] = {
        {"exact title", "MD5 digest", 0},
        {"a title made of digits wins over the position", "2", 1},
        {"position", "3", 2},
        {"last position", "5", 4},
        {"position beyond the list", "6", -1},
        {"position zero", "0", -1},
        {"signed number is no position", "+1", -1},
        {"exact title among case twins", "copy", 3},
        {"title ignoring case", "md5 DIGEST", 0},
        {"ambiguous ignoring case", "COPY", -1},
        {"unknown", "SHA-1", -1},
        {"empty", "", -1},
        {"title with a blank more", "MD5 digest ", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(find_converter_row(titles, row.text).value_or(-1), row.row);
    }
    EXPECT_FALSE(find_converter_row({}, "1"));
}

TEST(UnknownConverterMessage, ListsTheKnownTitles) {
    EXPECT_EQ(unknown_converter_message({"A", "B c"}, "x", "/s/BRELO.ini"),
              std::string("no converter \"x\"; the converters are:") + batch_test::eol +
                  "  1  A" + batch_test::eol + "  2  B c");
    EXPECT_EQ(unknown_converter_message({}, "x", "/s/BRELO.ini"),
              "no converter \"x\"; \"/s/BRELO.ini\" defines no converters");
}

class SetUpWindow : public ::testing::Test {
protected:
    TempDir dir;
    std::ostringstream out;
    ConsoleWindow window{out};

    std::string ini(const IniValues& values) {
        const std::string path = dir.file("test.ini");
        write_file(path, batch_test::ini_text(values));
        return path;
    }
    static IniValues two_converters() {
        IniValues values;
        values.input_directory = "in-dir";
        values.input_patterns = "*.txt";
        values.output_directory = "out-dir";
        values.output_pattern = "${prefix}.md5";
        values.include_subfolders = "0";
        values.current_converter = "1";
        values.converters = {{"First", "one", "${infile} ${outfile}", "${location}"},
                             {"Second", "two", "-x ${infile} ${outfile}", "w"}};
        return values;
    }
};

TEST_F(SetUpWindow, TakesWhatTheWindowShowsAtStart) {
    BatchOptions options;
    options.ini = ini(two_converters());
    const BatchSetup setup = set_up_window(window, options);
    ASSERT_EQ(setup.error, "");
    const RunRequest request = make_run_request(window, setup.converters);
    EXPECT_EQ(request.settings.input_directory, "in-dir");
    EXPECT_EQ(request.settings.input_patterns, "*.txt");
    EXPECT_EQ(request.settings.output_directory, "out-dir");
    EXPECT_EQ(request.settings.output_pattern, "${prefix}.md5");
    EXPECT_FALSE(request.settings.include_subfolders);
    ASSERT_TRUE(request.converter);
    EXPECT_EQ(request.converter->title, "Second");
    EXPECT_EQ(request.converter->arguments, "-x ${infile} ${outfile}");
}

TEST_F(SetUpWindow, OptionsReplaceSingleFields) {
    BatchOptions options;
    options.ini = ini(two_converters());
    options.input = dir.file("a");
    options.patterns = "*.htm|*.html";
    options.subfolders = true;
    options.output = dir.file("b");
    options.name = "${prefix}";
    options.converter = "First";
    const BatchSetup setup = set_up_window(window, options);
    ASSERT_EQ(setup.error, "");
    const RunRequest request = make_run_request(window, setup.converters);
    EXPECT_EQ(request.settings.input_directory, dir.file("a"));
    EXPECT_EQ(request.settings.input_patterns, "*.htm|*.html");
    EXPECT_TRUE(request.settings.include_subfolders);
    EXPECT_EQ(request.settings.output_directory, dir.file("b"));
    EXPECT_EQ(request.settings.output_pattern, "${prefix}");
    ASSERT_TRUE(request.converter);
    EXPECT_EQ(request.converter->title, "First");
}

TEST_F(SetUpWindow, RelativeDirectoriesBecomeAbsolute) {
    BatchOptions options;
    options.ini = ini(two_converters());
    options.input = "rel";
    options.output = "";
    ASSERT_EQ(set_up_window(window, options).error, "");
    EXPECT_EQ(window.fields().text(HistoryField::InputDirectory), absolute_path("rel"));
    EXPECT_NE(absolute_path("rel"), "rel");
    EXPECT_EQ(window.fields().text(HistoryField::OutputDirectory), "");  // stays empty
}

TEST_F(SetUpWindow, MissingOrGarbageFileGivesTheDefaults) {
    struct Row {
        const char* label;
        std::string bytes;
    };
    static const char garbage[] = "\0\x01\xff[\x80\n=\r\n\0garbage";
    const Row rows[] = {
        {"empty file", ""},
        {"binary garbage", std::string(garbage, sizeof garbage - 1)},
        {"text without sections", "Converter_Number=3\r\nCurrent Converter=0\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::ostringstream sink;
        ConsoleWindow fresh(sink);
        BatchOptions options;
        options.ini = dir.file("garbage.ini");
        write_file(*options.ini, row.bytes);
        const BatchSetup setup = set_up_window(fresh, options);
        ASSERT_EQ(setup.error, "");
        EXPECT_TRUE(setup.converters.empty());
        const RunRequest request = make_run_request(fresh, setup.converters);
        EXPECT_EQ(request.settings.input_directory, "");
        EXPECT_EQ(request.settings.input_patterns, "*");
        EXPECT_EQ(request.settings.output_directory, "");
        EXPECT_EQ(request.settings.output_pattern, "${prefix}.${suffix}");
        EXPECT_TRUE(request.settings.include_subfolders);
        EXPECT_FALSE(request.converter);
    }
}

TEST_F(SetUpWindow, UsageErrors) {
    const std::string good = ini(two_converters());
    struct Row {
        const char* label;
        BatchOptions options;
        std::string error_start;
    };
    auto with = [&](auto change) {
        BatchOptions options;
        options.ini = good;
        change(options);
        return options;
    };
    const Row rows[] = {
        {"missing settings file",
         with([&](BatchOptions& o) { o.ini = dir.file("none.ini"); }),
         "settings file \"" + dir.file("none.ini") + "\" does not exist"},
        {"empty settings file name", with([](BatchOptions& o) { o.ini = ""; }),
         "settings file \"\" does not exist"},
        {"settings file is a directory", with([&](BatchOptions& o) { o.ini = dir.path(); }),
         "settings file \"" + dir.path() + "\" is a directory"},
        {"unknown converter", with([](BatchOptions& o) { o.converter = "Third"; }),
         "no converter \"Third\"; the converters are:"},
        {"position beyond the list", with([](BatchOptions& o) { o.converter = "3"; }),
         "no converter \"3\""},
        {"patterns too long", with([](BatchOptions& o) { o.patterns = std::string(260, '*'); }),
         "the value of --patterns is longer than 259 characters"},
        {"input too long once absolute",
         with([](BatchOptions& o) { o.input = std::string(258, 'd'); }),
         "the value of --input is longer than 259 characters"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::ostringstream sink;
        ConsoleWindow fresh(sink);
        const std::string error = set_up_window(fresh, row.options).error;
        EXPECT_EQ(error.substr(0, row.error_start.size()), row.error_start) << error;
    }
}

TEST_F(SetUpWindow, NamePatternOf259CharactersIsKept) {
    BatchOptions options;
    options.ini = ini(two_converters());
    options.name = std::string(250, 'n') + "${prefix}";
    ASSERT_EQ(set_up_window(window, options).error, "");
    EXPECT_EQ(window.fields().text(HistoryField::OutputPattern), *options.name);
}

TEST_F(SetUpWindow, CurrentConverterBeyondTheListSelectsNone) {
    IniValues values = two_converters();
    values.current_converter = "2";
    BatchOptions options;
    options.ini = ini(values);
    const BatchSetup setup = set_up_window(window, options);
    ASSERT_EQ(setup.error, "");
    EXPECT_FALSE(make_run_request(window, setup.converters).converter);
    options.converter = "2";  // the option selects one again
    std::ostringstream sink;
    ConsoleWindow again(sink);
    const BatchSetup second = set_up_window(again, options);
    ASSERT_TRUE(make_run_request(again, second.converters).converter);
    EXPECT_EQ(make_run_request(again, second.converters).converter->title, "Second");
}

}  // namespace
