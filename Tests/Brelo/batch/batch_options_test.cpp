#include "batch/batch_options.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

// Every option in both spellings, and the last of two equal options winning.
TEST(ParseOptions, EachOptionSetsItsField) {
    const ParsedOptions parsed = parse_options(
        {"--ini", "a.ini", "--input", "in", "--patterns=*.txt|*.htm", "--no-subfolders",
         "--output=out", "--name", "${prefix}.md5", "--converter", "2", "--preview", "--dry-run"});
    ASSERT_EQ(parsed.error, "");
    const BatchOptions& o = parsed.options;
    EXPECT_EQ(o.ini, "a.ini");
    EXPECT_EQ(o.input, "in");
    EXPECT_EQ(o.patterns, "*.txt|*.htm");
    EXPECT_EQ(o.subfolders, false);
    EXPECT_EQ(o.output, "out");
    EXPECT_EQ(o.name, "${prefix}.md5");
    EXPECT_EQ(o.converter, "2");
    EXPECT_TRUE(o.preview);
    EXPECT_TRUE(o.dry_run);
    EXPECT_FALSE(o.help);
}

TEST(ParseOptions, AbsentOptionsLeaveTheSettingsAlone) {
    const ParsedOptions parsed = parse_options({});
    ASSERT_EQ(parsed.error, "");
    const BatchOptions& o = parsed.options;
    EXPECT_FALSE(o.ini || o.input || o.patterns || o.subfolders || o.output || o.name ||
                 o.converter);
    EXPECT_FALSE(o.preview || o.dry_run || o.help);
}

TEST(ParseOptions, LaterOptionWins) {
    const BatchOptions o =
        parse_options({"--subfolders", "--no-subfolders", "--input", "a", "--input=b",
                       "--no-subfolders", "--subfolders"})
            .options;
    EXPECT_EQ(o.subfolders, true);
    EXPECT_EQ(o.input, "b");
}

TEST(ParseOptions, ValuesAreTakenAsTheyAre) {
    struct Row {
        const char* label;
        Args args;
        std::string name;
    };
    const Row rows[] = {
        {"empty value", {"--name", ""}, ""},
        {"empty value after equals", {"--name="}, ""},
        {"value looking like an option", {"--name", "--input"}, "--input"},
        {"equals inside the value", {"--name=a=b"}, "a=b"},
        {"blanks kept", {"--name", " x "}, " x "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const ParsedOptions parsed = parse_options(row.args);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.name, row.name);
    }
}

TEST(ParseOptions, UsageErrors) {
    struct Row {
        const char* label;
        Args args;
        std::string error;
    };
    const Row rows[] = {
        {"unknown option", {"--recursive"}, "unknown option --recursive"},
        {"single dash", {"-h"}, "unknown option -h"},
        {"stray argument", {"D:\\Data"}, "unexpected argument \"D:\\Data\""},
        {"missing value", {"--input", "in", "--output"}, "option --output needs a value"},
        {"value for a flag", {"--preview=yes"}, "option --preview takes no value"},
        {"option names are case-sensitive", {"--Input", "x"}, "unknown option --Input"},
        {"first error reported", {"--a", "--b"}, "unknown option --a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(parse_options(row.args).error, row.error);
    }
}

TEST(ParseOptions, HelpOutranksErrors) {
    const ParsedOptions parsed = parse_options({"--bogus", "--help", "--output"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.help);
}

TEST(HelpText, ExplainsEveryOptionAndExitCode) {
    const std::string help = help_text();
    for (const char* word : {"--ini FILE", "--input DIR", "--patterns TEXT", "--subfolders",
                             "--no-subfolders", "--output DIR", "--name PATTERN", "--converter",
                             "--preview", "--dry-run", "--help", "Ctrl+C", "  0  ", "  1  ",
                             "  2  "}) {
        SCOPED_TRACE(word);
        EXPECT_NE(help.find(word), std::string::npos);
    }
    EXPECT_NE(help.find(usage_text()), std::string::npos);
}

}  // namespace
