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
    return profile_value(path, "Converter", key, "missing");
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
    first.output_patterns = {"a=b", "\xe6\x97\xa5\xe6\x9c\xac"};  // "日本"
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
    EXPECT_EQ(profile_value(path, "Input", "Mine", "?"), "1");
    EXPECT_EQ(profile_value(path, "Elsewhere", "x", "?"), "y");
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

// 4045 keys: the file is read once and written once either way.
TEST(SaveSettings, ConvertersAreNumberedWithAtLeastThreeDigits) {
    TempDir dir;
    std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    for (int i = 1; i <= 1000; ++i)
        s.converters.push_back(make_converter("Converter " + std::to_string(i)));
    s.current_converter = 999;
    const ProfileFileCounts before = profile_file_counts();
    ASSERT_TRUE(save_settings(s, path));
    const ProfileFileCounts saved = profile_file_counts();
    EXPECT_EQ(saved.reads - before.reads, 1u);
    EXPECT_EQ(saved.writes - before.writes, 1u);
    EXPECT_EQ(value(path, "Converter007_Title"), "Converter 7");
    EXPECT_EQ(value(path, "Converter1000_Title"), "Converter 1000");
    const ProfileFileCounts checked = profile_file_counts();
    const StoredSettings next = load_settings(path);
    EXPECT_EQ(profile_file_counts().reads - checked.reads, 1u);
    ASSERT_EQ(next.converters.size(), 1000u);
    EXPECT_EQ(next.converters.at(999).title, "Converter 1000");
    EXPECT_EQ(next.current_converter, 999);
    EXPECT_EQ(next, s);
}

TEST(SaveSettings, JapaneseTextsRoundTripInUtf8) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    const std::string nihongo = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";  // "日本語"
    StoredSettings s;
    s.input_directories = {"D:\\" + nihongo, " " + nihongo + " "};
    s.output_patterns = {"${prefix}." + nihongo};
    // 258 bytes and one more character of three: cut before it, not inside it.
    s.output_directories = {std::string(258, 'x') + nihongo};
    s.converters = {Converter{nihongo, "D:\\" + nihongo + ".exe", "${infile} " + nihongo, ""}};
    s.current_converter = 0;
    ASSERT_TRUE(save_settings(s, path));
    const std::string bytes = read_file(path);
    EXPECT_NE(bytes.find("Input Directory 001=D:\\" + nihongo + "\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("Converter001_Title=" + nihongo + "\r\n"), std::string::npos);
    StoredSettings expected = s;
    expected.output_directories = {std::string(258, 'x')};
    EXPECT_EQ(load_settings(path), expected);
}

// An older version wrote the file in the system's code page; it is read as such and saved in
// UTF-8 from then on, even when no setting changed.
TEST(SaveSettings, OldAnsiFileIsSavedBackInUtf8) {
    if (!western_code_page()) GTEST_SKIP() << "the expected texts are Windows-1252's";
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    std::string original = read_file(fixture_path("example.ini"));
    const std::string ascii = "D:\\Data\\Texts", accented = "D:\\Donn\xe9" "es";
    ASSERT_NE(original.find(ascii), std::string::npos);
    original.replace(original.find(ascii), ascii.size(), accented);
    write_file(path, original);
    const StoredSettings loaded = load_settings(path);
    ASSERT_FALSE(loaded.input_directories.empty());
    EXPECT_EQ(loaded.input_directories[0], "D:\\Donn\xc3\xa9" "es");
    ASSERT_TRUE(save_settings(loaded, path));
    std::string expected = original;
    expected.replace(expected.find(accented), accented.size(), "D:\\Donn\xc3\xa9" "es");
    EXPECT_EQ(read_file(path), expected);
    EXPECT_EQ(load_settings(path), loaded);
}

TEST(SaveSettings, UnwritablePlacesKeepWhatTheyHad) {
    TempDir dir;
    StoredSettings s;
    s.input_directories = {"D:\\New"};
    EXPECT_FALSE(save_settings(s, ""));
    std::string nowhere = dir.file("gone") + separator + "BRELO.ini";
    save_settings(s, nowhere);
    EXPECT_FALSE(test_support::file_exists(nowhere));
    // Refused by our own check, so under Wine running as root too.
    std::string locked = dir.file("locked.ini");
    write_file(locked, "[Input]\r\nAuto Refresh=0\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    EXPECT_FALSE(save_settings(s, locked));
    EXPECT_EQ(read_file(locked), "[Input]\r\nAuto Refresh=0\r\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    // A file that cannot be read (here a folder) is never replaced.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_FALSE(save_settings(s, dir.file("folder.ini")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.ini")));
}

// The reason completes "Settings could not be saved: ...", in the user's terms.
TEST(SaveSettings, FailureSaysWhyInAFewWords) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.ini"));
    write_file(dir.file("locked.ini"), "[Input]\r\nAuto Refresh=0\r\n");
    std::filesystem::permissions(dir.file("locked.ini"), std::filesystem::perms::owner_read);
    struct Row {
        const char* label;
        std::string path;
        const char* reason;
    };
    const Row rows[] = {
        {"no path", "", "the program's folder is unknown or its path too long"},
        {"folder gone", dir.file("gone") + separator + "BRELO.ini", "its folder does not exist"},
        {"read-only file", dir.file("locked.ini"), "the file is read-only"},
        {"a folder of that name", dir.file("folder.ini"), "the old file could not be read"},
    };
    StoredSettings s;
    s.input_directories = {"D:\\New"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string reason = "left over";
        EXPECT_FALSE(save_settings(s, row.path, reason));
        EXPECT_EQ(reason, row.reason);
    }
    std::string reason = "left over";
    EXPECT_TRUE(save_settings(s, dir.file("BRELO.ini"), reason));
    EXPECT_EQ(reason, "");
    std::filesystem::permissions(dir.file("locked.ini"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

namespace {

// How many converters run at once and whether up-to-date files are skipped came after the first
// files: a file without them keeps its bytes, and once written they stay right both ways.
TEST(SaveSettings, AddedSettingsAreWrittenWhenTheyMatter) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    s.converters = {make_converter("One"), make_converter("Two")};
    ASSERT_TRUE(save_settings(s, path));
    const std::string plain = read_file(path);
    EXPECT_EQ(plain.find("Parallel"), std::string::npos);
    EXPECT_EQ(plain.find("Skip Up To Date"), std::string::npos);
    EXPECT_EQ(load_settings(path).converters[1].parallel, 1);

    s.converters[1].parallel = 0;
    s.skip_up_to_date = true;
    ASSERT_TRUE(save_settings(s, path));
    StoredSettings loaded = load_settings(path);
    EXPECT_EQ(loaded, s);
    const std::string text = read_file(path);
    EXPECT_NE(text.find("Converter002_Parallel=0\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Converter001_Parallel"), std::string::npos) << text;
    // After the converters' own keys, and after the output section's own keys.
    EXPECT_LT(text.find("Converter002_WorkDir"), text.find("Converter002_Parallel"));
    EXPECT_LT(text.find("[Output]"), text.find("Skip Up To Date=1"));
    EXPECT_LT(text.find("Skip Up To Date=1"), text.find("[Converter]"));

    // Back to the defaults: the keys stay, saying so.
    s.converters[1].parallel = 1;
    s.skip_up_to_date = false;
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(load_settings(path), s);
    EXPECT_NE(read_file(path).find("Converter002_Parallel=1\r\n"), std::string::npos);
    EXPECT_NE(read_file(path).find("Skip Up To Date=0\r\n"), std::string::npos);
}

// Keep Times and the window's job log follow Skip Up To Date in [Output], by the same rule: absent
// until set, and kept once the file has them.
TEST(SaveSettings, KeepTimesAndJobLogFollowSkipUpToDate) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    s.skip_up_to_date = true;
    ASSERT_TRUE(save_settings(s, path));
    const std::string plain = read_file(path);
    EXPECT_EQ(plain.find("Keep Times"), std::string::npos) << plain;
    EXPECT_EQ(plain.find("Job Log"), std::string::npos) << plain;
    const StoredSettings loaded_plain = load_settings(path);
    EXPECT_FALSE(loaded_plain.keep_times);
    EXPECT_EQ(loaded_plain.job_log, "");

    s.keep_times = true;
    s.job_log = "logs\\run.joblog";
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(load_settings(path), s);
    const std::string text = read_file(path);
    const auto skip =
        text.find("\r\nSkip Up To Date=1\r\nKeep Times=1\r\nJob Log=logs\\run.joblog\r\n");
    EXPECT_NE(skip, std::string::npos) << text;
    EXPECT_LT(skip, text.find("[Converter]"));

    s.keep_times = false;
    s.job_log.clear();
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(load_settings(path), s);
    EXPECT_NE(read_file(path).find("\r\nKeep Times=0\r\nJob Log=\r\n"), std::string::npos)
        << read_file(path);
}

// The time limit came later still: its keys follow every converter's Parallel key, and a file
// without them loads as no limit and is saved without them.
TEST(SaveSettings, TimeLimitsFollowTheParallelKeys) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    StoredSettings s;
    s.converters = {make_converter("One"), make_converter("Two")};
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(read_file(path).find("TimeLimit"), std::string::npos);
    EXPECT_EQ(load_settings(path).converters[0].time_limit, 0);

    s.converters[0].parallel = 2;
    s.converters[1].parallel = 3;
    s.converters[0].time_limit = 30;
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(load_settings(path), s);
    const std::string text = read_file(path);
    EXPECT_NE(text.find("Converter001_TimeLimit=30\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Converter002_TimeLimit"), std::string::npos) << text;
    EXPECT_LT(text.find("Converter002_Parallel=3"), text.find("Converter001_TimeLimit"));

    s.converters[0].time_limit = 0;
    ASSERT_TRUE(save_settings(s, path));
    EXPECT_EQ(load_settings(path), s);
    EXPECT_NE(read_file(path).find("Converter001_TimeLimit=0\r\n"), std::string::npos);

    write_file(path,
               "[Converter]\r\nConverter_Number=3\r\nConverter001_Title=a\r\n"
               "Converter001_TimeLimit=-5\r\nConverter002_Title=b\r\n"
               "Converter002_TimeLimit=99999999\r\nConverter003_Title=c\r\n"
               "Converter003_TimeLimit=x\r\n");
    const StoredSettings bounded = load_settings(path);
    ASSERT_EQ(bounded.converters.size(), 3u);
    EXPECT_EQ(bounded.converters[0].time_limit, 0);
    EXPECT_EQ(bounded.converters[1].time_limit, most_time_limit);
    EXPECT_EQ(bounded.converters[2].time_limit, 0);
}

TEST(LoadSettings, ConvertersAtOnceAreBounded) {
    TempDir dir;
    const std::string path = dir.file("BRELO.ini");
    write_file(path,
               "[Converter]\r\nConverter_Number=3\r\nConverter001_Title=a\r\nConverter001_Parallel=-4\r\n"
               "Converter002_Title=b\r\nConverter002_Parallel=99999\r\nConverter003_Title=c\r\n"
               "Converter003_Parallel=x\r\n");
    const StoredSettings s = load_settings(path);
    ASSERT_EQ(s.converters.size(), 3u);
    EXPECT_EQ(s.converters[0].parallel, 1);
    EXPECT_EQ(s.converters[1].parallel, 1024);
    EXPECT_EQ(s.converters[2].parallel, 0);
}

}  // namespace

// Each key of the table, changed alone, is written under its own name in its own section and
// comes back on the next load; an added key left at its default stays out of a new file. A key
// added to the table is held to the same rules without a test of its own.
TEST(SaveSettings, EachKeyOfTheTableGoesOutAndComesBackAlone) {
    TempDir dir;
    const std::string untouched = dir.file("untouched.ini");
    ASSERT_TRUE(save_settings(StoredSettings(), untouched));
    int number = 0;
    for (const SettingField& field : setting_fields) {
        SCOPED_TRACE(std::string(field.section) + "/" + field.key);
        StoredSettings changed;
        std::string key = field.key;
        std::string written;
        if (field.history) {
            changed.*field.history = {"first", "second"};
            key += " 002";
            written = "second";
        } else if (field.flag) {
            changed.*field.flag = !(changed.*field.flag);
            written = changed.*field.flag ? "1" : "0";
        } else {
            changed.*field.text = "text";
            written = "text";
        }
        const std::string path = dir.file("BRELO" + std::to_string(++number) + ".ini");
        ASSERT_TRUE(save_settings(changed, path));
        EXPECT_EQ(profile_value(path, field.section, key.c_str(), "missing"), written);
        EXPECT_EQ(load_settings(path), changed);
        const bool left_out = field.written == SettingField::Written::WhenSet;
        EXPECT_EQ(profile_value(untouched, field.section, key.c_str(), "missing") == "missing",
                  left_out);
    }
}
