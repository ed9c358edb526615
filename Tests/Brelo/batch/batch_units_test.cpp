// The pieces of brelo-batch whose rules the program's output shows only in part.
#include <sstream>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/console_window.h"
#include "batch/dry_run.h"
#include "engine/scan.h"
#include "platform/platform.h"

namespace {

TEST(ParseOptions, BothSpellingsAndTheLaterOptionWins) {
    const ParsedOptions parsed = parse_options(
        {"--ini", "a.ini", "--input", "x", "--input=in", "--patterns=*.txt|a=b", "--subfolders",
         "--no-subfolders", "--output=", "--name", "--input", "--converter", "2", "--preview",
         "--dry-run"});
    ASSERT_EQ(parsed.error, "");
    const BatchOptions& o = parsed.options;
    EXPECT_EQ(o.ini, "a.ini");
    EXPECT_EQ(o.input, "in");
    EXPECT_EQ(o.patterns, "*.txt|a=b");
    EXPECT_EQ(o.subfolders, false);
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(o.name, "--input");  // a value is whatever follows its option
    EXPECT_EQ(o.converter, "2");
    EXPECT_TRUE(o.preview && o.dry_run && !o.help);
    EXPECT_FALSE(parse_options({}).options.subfolders);
}

TEST(ParseOptions, UsageErrors) {
    struct Row {
        std::vector<std::string> args;
        std::string error;
    };
    const Row rows[] = {
        {{"--Input", "x"}, "unknown option --Input"},
        {{"-h"}, "unknown option -h"},
        {{"D:\\Data"}, "unexpected argument \"D:\\Data\""},
        {{"--input", "in", "--output"}, "option --output needs a value"},
        {{"--preview=yes"}, "option --preview takes no value"},
        {{"--a", "--b"}, "unknown option --a"},
        {{"--bogus", "--help"}, ""},  // help outranks every error
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        EXPECT_EQ(parse_options(row.args).error, row.error);
    }
}

TEST(FindConverterRow, TitleThenPositionThenTitleIgnoringCase) {
    const std::vector<std::string> titles = {"MD5 digest", "2", "Copy", "copy", "Upper"};
    struct Row {
        std::string text;
        int row;  // -1: none
    };
    const Row rows[] = {
        {"MD5 digest", 0}, {"2", 1},  {"3", 2},          {"5", 4},         {"6", -1},
        {"0", -1},         {"+1", -1}, {"copy", 3},      {"md5 DIGEST", 0}, {"COPY", -1},
        {"SHA-1", -1},     {"", -1},  {"MD5 digest ", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(find_converter_row(titles, row.text).value_or(-1), row.row);
    }
}

// A notice that starts like the run header (a converter titled "Run" and a pattern the compiler
// refuses) is still a notice: it belongs on standard error, not in the printed log.
TEST(ConsoleLogBox, OnlyTheRunHeaderStartsThePrintedLog) {
    std::ostringstream out;
    ConsoleLogBox box(out);
    box.expect_run_header("[Converter - Run]:\r\n\r\n");
    box.set_text("");
    box.set_text("[Converter - Run]:\r\n\r\n\tbad pattern\r\n\r\n2026/01/01  00:00:00");
    EXPECT_EQ(out.str(), "");
    box.set_text("[Converter - Run]:\r\n\r\n");
    box.set_text("[Converter - Run]:\r\n\r\na -> b\r\n");
    EXPECT_EQ(out.str(), "[Converter - Run]:\r\n\r\na -> b\r\n");
}

TEST(PlanBatch, LeavesOutTheOutputDirectoryInsideTheInputAndMakesNothing) {
    test_support::TempDir dir;
    const std::string in = dir.file("in");
    const std::string out = join_path(in, "out");
    for (const std::string& d : {in, out, join_path(in, "sub")}) ASSERT_TRUE(make_directory(d));
    test_support::write_file(join_path(out, "old.txt"), "");
    test_support::write_file(join_path(join_path(in, "sub"), "a.txt"), "");
    CurrentSettings settings;
    settings.input_directory = in;
    settings.output_directory = out;
    settings.output_pattern = "${prefix}.md5";
    const PreparedCommand command = prepare_command({"T", "conv", "${infile} ${outfile}", ""});
    const std::vector<PlannedFile> plan = plan_batch(settings, compile_patterns("*.txt"), command);
    ASSERT_EQ(plan.size(), 1u);
    const std::string input = join_path(join_path(in, "sub"), "a.txt");
    const std::string output = join_path(join_path(out, "sub"), "a.md5");
    EXPECT_EQ(plan[0].command_line, "conv \"" + input + "\" \"" + output + "\"");
    EXPECT_FALSE(path_exists(join_path(out, "sub")));
}

}  // namespace
