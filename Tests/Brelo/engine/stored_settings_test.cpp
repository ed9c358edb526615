// The stored settings: the histories' rules, the opening fields and the value's equality.
#include "engine/stored_settings.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::string>;

std::string describe(const RunSettings& s) {
    return s.input_directory + "|" + s.input_patterns + "|" + s.output_directory + "|" +
           s.output_pattern + "|" + std::to_string(s.include_subfolders) +
           std::to_string(s.skip_up_to_date);
}

StoredSettings filled() {
    StoredSettings s;
    s.input_directories = {"D:\\In", "D:\\Old"};
    s.input_patterns = {"*.txt"};
    s.include_subfolders = false;
    s.input_auto_refresh = true;
    s.output_directories = {"D:\\Out"};
    s.output_patterns = {"${prefix}.md5", "${prefix}.${suffix}"};
    s.output_auto_refresh = false;
    s.converters = {Converter{"T", "x.exe", "${infile}", "${location}"}, Converter{}};
    s.current_converter = 1;
    return s;
}

}  // namespace

TEST(RememberHistory, NewestFirstEachValueOnceAtMostTen) {
    const Rows ten{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    const std::string long_text(300, 'x');
    const std::string cut(259, 'x');
    const struct {
        const char* label;
        Rows rows;
        std::string value;
        Rows expected;
    } rows[] = {
        {"empty list", {}, "a", {"a"}},
        {"new value on top", {"b", "c"}, "a", {"a", "b", "c"}},
        {"white space trimmed", {"b"}, " \t a \r\n", {"a", "b"}},
        {"vertical tab and form feed trimmed", {"b"}, "\v\fa b\f\v", {"a b", "b"}},
        {"other bytes kept", {"b"}, "\x1a" "a\xa0", {"\x1a" "a\xa0", "b"}},
        {"blank value goes on top empty", {"b"}, " \t", {"", "b"}},
        {"duplicate in other case replaced", {"b", "ABC", "c"}, "abc", {"abc", "b", "c"}},
        {"duplicate on top replaced", {"ABC", "b"}, "abc", {"abc", "b"}},
        {"search starts at the second entry", {"ABC", "aBc", "x"}, "abc", {"abc", "ABC", "x"}},
        {"later entry found before the first", {"ABC", "x", "aBc"}, "abc", {"abc", "ABC", "x"}},
        {"only ASCII letters fold", {"x", "\xc9"}, "\xe9", {"\xe9", "x", "\xc9"}},
        {"tenth dropped when full", ten, "new", {"new", "0", "1", "2", "3", "4", "5", "6", "7", "8"}},
        {"duplicate in a full list", ten, "5", {"5", "0", "1", "2", "3", "4", "6", "7", "8", "9"}},
        {"duplicate tenth in a full list", ten, "9", {"9", "0", "1", "2", "3", "4", "5", "6", "7", "8"}},
        {"nine entries keep all", {"0", "1", "2", "3", "4", "5", "6", "7", "8"}, "n",
         {"n", "0", "1", "2", "3", "4", "5", "6", "7", "8"}},
        {"eleven entries lose the tenth", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         "n", {"n", "0", "1", "2", "3", "4", "5", "6", "7", "8", "10"}},
        {"long value goes in cut", {"b"}, long_text, {cut, "b"}},
        {"259 characters after trimming match", {"b", cut}, " " + cut + " ", {cut, "b"}},
        {"longer text matches no entry", {"b", cut}, long_text, {cut, "b", cut}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        StoredSettings stored;
        stored.input_patterns = row.rows;
        remember_history(stored.input_patterns, row.value);
        EXPECT_EQ(stored.input_patterns, row.expected);
        // The field shows the value just remembered.
        EXPECT_EQ(opening_settings(stored).input_patterns, row.expected.front());
    }
}

TEST(RememberValues, EachValueGoesToItsOwnHistory) {
    StoredSettings stored = filled();
    remember_values(stored, RememberedValues{" D:\\New ", "*.TXT", "d:\\out", "${prefix}.${suffix}"});
    StoredSettings expected = filled();
    expected.input_directories = {"D:\\New", "D:\\In", "D:\\Old"};
    expected.input_patterns = {"*.TXT"};
    expected.output_directories = {"d:\\out"};
    expected.output_patterns = {"${prefix}.${suffix}", "${prefix}.md5"};
    EXPECT_EQ(stored, expected);
}

// The run works on its copy: later edits of the list do not reach it.
TEST(SelectedConverter, ACopyOfTheCurrentOneOrNothing) {
    StoredSettings stored;
    stored.converters = {Converter{"A", "a.exe", "", ""}, Converter{"B", "b.exe", "", ""}};
    const struct {
        int current;
        const char* expected;  // the copy's title, null for nothing
    } rows[] = {{-1, nullptr}, {0, "A"}, {1, "B"}, {2, nullptr}, {-2, nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.current);
        stored.current_converter = row.current;
        const std::optional<Converter> found = selected_converter(stored);
        EXPECT_STREQ(found ? found->title.c_str() : nullptr, row.expected);
    }
    stored.current_converter = 1;
    const std::optional<Converter> copy = selected_converter(stored);
    stored.converters[1].title = "Changed";
    EXPECT_EQ(copy->title, "B");
}

TEST(StoredSettingsEquality, EveryPartCounts) {
    const std::function<void(StoredSettings&)> changes[] = {
        [](StoredSettings& s) { s.input_directories[1] = "D:\\old"; },
        [](StoredSettings& s) { s.input_patterns.clear(); },
        [](StoredSettings& s) { s.include_subfolders = true; },
        [](StoredSettings& s) { s.input_auto_refresh = false; },
        [](StoredSettings& s) { s.output_directories.push_back(""); },
        [](StoredSettings& s) { s.output_patterns.pop_back(); },
        [](StoredSettings& s) { s.output_auto_refresh = true; },
        [](StoredSettings& s) { s.converters.pop_back(); },
        [](StoredSettings& s) { s.converters[0].title = "t"; },
        [](StoredSettings& s) { s.converters[0].exe_file = "y.exe"; },
        [](StoredSettings& s) { s.converters[0].arguments += " "; },
        [](StoredSettings& s) { s.converters[1].work_dir = "w"; },
        [](StoredSettings& s) { std::swap(s.converters[0], s.converters[1]); },
        [](StoredSettings& s) { s.current_converter = 0; },
    };
    EXPECT_TRUE(filled() == filled());
    int index = 0;
    for (const auto& change : changes) {
        SCOPED_TRACE(index++);
        StoredSettings changed = filled();
        change(changed);
        EXPECT_FALSE(changed == filled());
        EXPECT_FALSE(filled() == changed);
    }
}

TEST(OpeningSettings, NewestValuesOrFallbacksCapturedAsTheWindowCaptures) {
    const std::string long_directory = std::string(258, 'd') + "\\\\x";
    const struct {
        const char* label;
        StoredSettings stored;
        std::string expected;
    } rows[] = {
        {"nothing stored", StoredSettings{}, "|*||${prefix}.${suffix}|10"},
        {"newest values", filled(), "D:\\In|*.txt|D:\\Out|${prefix}.md5|00"},
        {"directories lose trailing backslashes",
         [] {
             StoredSettings s;
             s.input_directories = {"D:\\Data\\\\", "D:\\Old"};
             s.output_directories = {"D:\\"};
             s.input_patterns = {"*.txt\\"};
             s.output_patterns = {"${prefix}\\"};
             return s;
         }(),
         "D:\\Data|*.txt\\|D:|${prefix}\\|10"},
        {"texts cut before the backslashes go",
         [&] {
             StoredSettings s;
             s.input_directories = {long_directory};
             s.output_patterns = {std::string(300, 'p')};
             return s;
         }(),
         std::string(258, 'd') + "|*||" + std::string(259, 'p') + "|10"},
        {"switches as stored",
         [] {
             StoredSettings s;
             s.skip_up_to_date = true;
             s.include_subfolders = s.output_auto_refresh = false;
             return s;
         }(),
         "|*||${prefix}.${suffix}|01"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(describe(opening_settings(row.stored)), row.expected);
    }
}
