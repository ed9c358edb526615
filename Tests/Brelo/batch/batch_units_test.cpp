// The pieces of brelo-batch whose rules the program's output shows only in part.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Brelo/engine/walk_support.h"

#include "Support/temp_dir.h"
#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/console_run_events.h"
#include "batch/dry_run.h"
#include "batch/preview_print.h"
#include "batch/progress_line.h"
#include "engine/batch_run.h"
#include "engine/run_plan.h"
#include "engine/scan.h"
#include "engine/walk.h"
#include "platform/console_platform.h"
#include "platform/platform.h"

namespace {

TEST(ParseOptions, BothSpellingsAndTheLaterOptionWins) {
    const ParsedOptions parsed = parse_options(
        {"--ini", "a.ini", "--input", "x", "--input=in", "--patterns=*.txt|a=b", "--subfolders",
         "--no-subfolders", "--output=", "--name", "--input", "--converter", "2", "--preview"});
    ASSERT_EQ(parsed.error, "");
    const BatchOptions& o = parsed.options;
    EXPECT_EQ(o.ini, "a.ini");
    EXPECT_EQ(o.input, "in");
    EXPECT_EQ(o.patterns, "*.txt|a=b");
    EXPECT_EQ(o.subfolders, false);
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(o.name, "--input");  // a value is whatever follows its option
    EXPECT_EQ(o.converter, "2");
    EXPECT_TRUE(o.preview && !o.dry_run && !o.help && !o.version);
    EXPECT_FALSE(parse_options({}).options.subfolders);
}

TEST(ParseOptions, ShortFormsAsOtherToolsSpellThem) {
    struct Row {
        std::vector<std::string> args;
        std::string jobs;  // empty: none
        bool dry_run, help, version;
    };
    const Row rows[] = {
        {{"-j", "3"}, "3", false, false, false},
        {{"-j3"}, "3", false, false, false},
        {{"--jobs=3"}, "3", false, false, false},
        {{"--jobs", "1", "-j0"}, "0", false, false, false},  // the later one wins
        {{"-n"}, "", true, false, false},
        {{"-n", "-j", "2"}, "2", true, false, false},
        {{"-h"}, "", false, true, false},
        {{"--version"}, "", false, false, true},
        {{"--version", "--bogus"}, "", false, false, true},  // outranks errors as --help does
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0] + (row.args.size() > 1 ? " " + row.args[1] : ""));
        const ParsedOptions parsed = parse_options(row.args);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.jobs.value_or(""), row.jobs);
        EXPECT_EQ(parsed.options.dry_run, row.dry_run);
        EXPECT_EQ(parsed.options.help, row.help);
        EXPECT_EQ(parsed.options.version, row.version);
    }
}

TEST(ParseOptions, UsageErrors) {
    struct Row {
        std::vector<std::string> args;
        std::string error;
    };
    const Row rows[] = {
        {{"--Input", "x"}, "unknown option --Input"},
        {{"-x"}, "unknown option -x"},
        {{"-nx"}, "unknown option -nx"},
        {{"-j"}, "option -j needs a value"},
        {{"--preview", "-n"},
         "--preview and --dry-run cannot be used together; run it once with each"},
        {{"--dry-run", "--preview"},
         "--preview and --dry-run cannot be used together; run it once with each"},
        {{"D:\\Data"}, "unexpected argument \"D:\\Data\""},
        {{"--input", "in", "--output"}, "option --output needs a value"},
        {{"--preview=yes"}, "option --preview takes no value"},
        {{"--marks"}, "--marks goes with --preview"},
        {{"-n", "--marks"}, "--marks goes with --preview"},
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
TEST(ConsoleRunEvents, OnlyTheRunHeaderStartsThePrintedLog) {
    std::ostringstream out;
    std::ostringstream err;
    ConsoleRunEvents events(out, err);
    events.notice("");
    const std::string notice =
        "[Converter - Run]:\r\n\r\n\tbad pattern\r\n\r\n2026/01/01  00:00:00";
    events.notice(notice);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), notice + line_end);
    events.header("[Converter - Run]:\r\n\r\n");
    events.file_started("a", "b", "a -> b\r\n");
    EXPECT_EQ(out.str(), "[Converter - Run]:\r\n\r\na -> b\r\n");
    EXPECT_EQ(err.str(), notice + line_end);
}

// The input tree printed while the scan walks is the one the finished trees render, though the
// walk meets files before, between and after the folders that the trees show first.
TEST(PreviewPrinter, PrintsBothTreesAsTheyRender) {
    test_support::TempDir in;
    test_support::TempDir out;
    walk_test::make_big_tree(in);
    const RunSettings settings =
        walk_test::settings_for(in.path(), "*.txt", out.path(), "${prefix}.md5");
    std::ostringstream printed;
    PreviewPrinter printer(printed, "\r\n");
    const InputRefresh refresh = refresh_input_tree(settings, nullptr, &printer);
    ASSERT_TRUE(refresh.trees);
    printer.print_output_tree(*refresh.trees);
    EXPECT_EQ(printed.str(), "Input:\r\n" +
                                 render_tree(*refresh.trees, TreeSide::Input, "\r\n") +
                                 "\r\nOutput preview:\r\n" +
                                 render_tree(*refresh.trees, TreeSide::Output, "\r\n"));
}

TEST(SetUpBatch, OptionsGoOnTopOfWhatTheWindowOpensWith) {
    test_support::TempDir dir;
    const std::string ini = dir.file("b.ini");
    test_support::write_file(
        ini,
        "[Input]\r\nInput Directory 001=newest\\\\\r\nInput Directory 002=older\r\n"
        "File Patterns 001=*.txt\r\nInclude Subfolders=1\r\n[Output]\r\n"
        "Output Directory 001=out\r\n[Converter]\r\nConverter_Number=2\r\n"
        "Current Converter=1\r\nConverter001_Title=One\r\nConverter001_ExeFile=one\r\n"
        "Converter002_Title=Two\r\nConverter002_ExeFile=two\r\n");
    BatchOptions options;
    options.ini = ini;
    const BatchSetup opened = set_up_batch(options);
    ASSERT_EQ(opened.error, "");
    EXPECT_EQ(opened.settings_path, ini);
    EXPECT_EQ(opened.settings.input_directory, "newest");  // as Run captures it
    EXPECT_EQ(opened.settings.input_patterns, "*.txt");
    EXPECT_EQ(opened.settings.output_pattern, output_pattern_fallback);
    EXPECT_TRUE(opened.settings.include_subfolders);
    ASSERT_TRUE(make_run_request(opened).converter);
    EXPECT_EQ(make_run_request(opened).converter->exe_file, "two");

    const std::string longest(259, '?');
    options.patterns = longest;
    options.name = longest;
    options.output = std::string("out") + '\\';
    options.subfolders = false;
    options.converter = "one";
    const BatchSetup applied = set_up_batch(options);
    ASSERT_EQ(applied.error, "");
    EXPECT_EQ(applied.settings.input_directory, "newest");
    EXPECT_EQ(applied.settings.input_patterns, longest);
    EXPECT_EQ(applied.settings.output_pattern, longest);
    // Made absolute against the current directory, then captured as Run captures a typed path.
    EXPECT_EQ(applied.settings.output_directory, absolute_path("out"));
    EXPECT_FALSE(applied.settings.include_subfolders);
    const RunRequest request = make_run_request(applied);
    ASSERT_TRUE(request.converter);
    EXPECT_EQ(request.converter->title, "One");
    EXPECT_EQ(request.settings.input_patterns, longest);

    options.name = longest + "?";
    EXPECT_EQ(set_up_batch(options).error, "the value of --name is longer than 259 characters");
}

TEST(PlanBatch, LeavesOutTheOutputDirectoryInsideTheInputAndMakesNothing) {
    test_support::TempDir dir;
    const std::string in = dir.file("in");
    const std::string out = join_path(in, "out");
    for (const std::string& d : {in, out, join_path(in, "sub")}) ASSERT_TRUE(make_directory(d));
    test_support::write_file(join_path(out, "old.txt"), "");
    test_support::write_file(join_path(join_path(in, "sub"), "a.txt"), "");
    RunSettings settings;
    settings.input_directory = in;
    settings.output_directory = out;
    settings.output_pattern = "${prefix}.md5";
    RunRequest request;
    request.settings = settings;
    request.settings.input_patterns = "*.txt";
    request.converter = Converter{"T", "conv", "${infile} ${outfile}", ""};
    const std::vector<PlannedFile> plan = plan_batch(check_request(request));
    ASSERT_EQ(plan.size(), 1u);
    const std::string input = join_path(join_path(in, "sub"), "a.txt");
    const std::string output = join_path(join_path(out, "sub"), "a.md5");
    EXPECT_EQ(plan[0].command_line, "conv \"" + input + "\" \"" + output + "\"");
    EXPECT_FALSE(path_exists(join_path(out, "sub")));
}

// The files and notes a run meets, in its order, as "input -> output" or the note's log text.
class MetByTheRun : public RunEvents {
public:
    std::vector<std::string> met;
    void notice(const std::string&) override {}
    void header(const std::string&) override {}
    void file_started(const std::string& input_path, const std::string& output_path,
                      const std::string&) override {
        met.push_back(input_path + " -> " + output_path);
    }
    void console_text(const std::string&) override {}
    void file_ended(const std::string&) override {}
    void note(const std::string& text) override { met.push_back(text); }
    void finished(int, const std::string&) override {}
};

TEST(PlanBatch, MeetsWhatTheRunMeetsInTheSameOrder) {
    test_support::TempDir dir;
    const std::string in = dir.file("in");
    const std::string sub = join_path(in, "sub");
    const std::string out = join_path(in, "out");
    for (const std::string& d : {in, sub, join_path(sub, "deeper"), out, join_path(in, "none")}) {
        ASSERT_TRUE(make_directory(d));
    }
    for (const std::string& f :
         {join_path(in, "a.txt"), join_path(in, "skip.dat"), join_path(sub, "b.txt"),
          join_path(join_path(sub, "deeper"), "c.TXT"),
          join_path(in, "z.txt"), join_path(out, "old.txt")}) {
        test_support::write_file(f, "");
    }
    // A folder the system cannot list: both tell it at the same place.
    ASSERT_GT(walk_test::make_too_deep_folders(sub), 0);
    for (const bool subfolders : {true, false}) {
        SCOPED_TRACE(subfolders ? "sub-folders" : "top only");
        RunRequest request;
        request.settings.input_directory = in;
        request.settings.input_patterns = "*.txt";
        request.settings.include_subfolders = subfolders;
        request.settings.output_directory = out;
        request.settings.output_pattern = "${prefix}.md5";
        // A program that cannot start: the run walks and logs every file and converts none.
        request.converter = Converter{"T", dir.file("none"), "${infile} ${outfile}", ""};
        MetByTheRun run;
        RunControl control;
        ASSERT_TRUE(run_batch(check_request(request), run, control).ran);

        const CheckedRequest checked = check_request(request);
        ASSERT_FALSE(checked.notice);
        const PreparedCommand& command = *checked.command;
        std::vector<std::string> planned;
        for (const PlannedFile& file : plan_batch(checked)) {
            if (!file.note.empty()) {
                EXPECT_EQ(file.command_line, "");
                planned.push_back(file.input_path + "\r\n\t" + file.note + "\r\n");
                continue;
            }
            EXPECT_EQ(file.command_line,
                      expand_command(command, file.input_path,
                                     file.output_path));
            planned.push_back(file.input_path + " -> " + file.output_path);
        }
        EXPECT_EQ(planned, run.met);
        EXPECT_EQ(run.met.size(), subfolders ? 5u : 2u);
    }
    walk_test::remove_too_deep_folders(sub);
}

std::string absolute_program(const std::string& word) {
    return "/opt/bin/" + word;
}

TEST(ShellCommand, QuotedForTheShellWithTheDirectoryFirst) {
    struct Row {
        const char* label;
        Shell shell;
        std::string command_line;
        std::string work_dir;
        std::string expected;
    };
    const Row rows[] = {
        {"posix", Shell::Posix, "conv \"/in/a b.txt\" \"/out/a b.md5\"", "/w",
         "cd '/w' && '/opt/bin/conv' '/in/a b.txt' '/out/a b.md5'"},
        {"posix quote and dollar", Shell::Posix, "conv -x \"/in/it's $HOME.txt\"", "/w x",
         "cd '/w x' && '/opt/bin/conv' '-x' '/in/it'\\''s $HOME.txt'"},
        {"posix argument rules", Shell::Posix, "conv a\"b c\"d \"\"", "/w",
         "cd '/w' && '/opt/bin/conv' 'ab cd' ''"},
        {"posix without directory", Shell::Posix, "conv \"/a\"", "",
         "'/opt/bin/conv' '/a'"},
        {"cmd", Shell::Cmd, "conv.exe -sjis \"C:\\in\\a b.txt\" \"C:\\out\\a.txt\"",
         "C:\\w",
         "cd /d \"C:\\w\" && \"/opt/bin/conv.exe\" -sjis \"C:\\in\\a b.txt\" "
         "\"C:\\out\\a.txt\""},
        {"cmd quoted program", Shell::Cmd, "\"My Tools\\conv.exe\" \"a\"", "C:\\w",
         "cd /d \"C:\\w\" && \"/opt/bin/My Tools\\conv.exe\" \"a\""},
        {"cmd program alone", Shell::Cmd, "conv.exe", "",
         "\"/opt/bin/conv.exe\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        PlanPlace place;
        place.work_dir = row.work_dir;
        place.program_for = absolute_program;
        EXPECT_EQ(shell_command(row.command_line, place, row.shell), row.expected);
    }
}

TEST(FormatPlan, CommentsAroundTheCommandsForEachShell) {
    std::vector<PlannedFile> plan = {
        {"in/a.txt", "out/a.md5", "conv \"/in/a.txt\" \"/out/a.md5\"", ""},
        {"in/locked", "", "", unreadable_folder_text},
    };
    PlanPlace place;
    place.work_dir = "/w";
    EXPECT_EQ(format_plan(plan, place, Shell::Posix, "\n"),
              "# in/a.txt -> out/a.md5\n"
              "cd '/w' && 'conv' '/in/a.txt' '/out/a.md5'\n"
              "# in/locked\n"
              "# The folder could not be read.\n"
              "\n"
              "# Total 1 Files would be converted.\n");
    EXPECT_EQ(format_plan({}, place, Shell::Cmd, "\r\n"),
              "\r\nREM Total 0 Files would be converted.\r\n");
}

TEST(ProgressText, DoneOfMatchingPercentElapsedAndLeft) {
    using std::chrono::seconds;
    EXPECT_EQ(progress_text(0, 340, seconds(0)), "0 of 340 files  0%  0:00 elapsed");
    EXPECT_EQ(progress_text(34, 340, seconds(65)),
              "34 of 340 files  10%  1:05 elapsed  about 9:45 left");
    EXPECT_EQ(progress_text(340, 340, seconds(3725)), "340 of 340 files  100%  1:02:05 elapsed");
    EXPECT_EQ(progress_text(0, 0, seconds(1)), "0 of 0 files  100%  0:01 elapsed");
}

// What a terminal shows of a text: "\r" goes back to the start of the line, and what follows
// overwrites what was there.
std::vector<std::string> screen_lines(const std::string& text) {
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (char c : text) {
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else {
            std::string& line = lines.back();
            if (column < line.size()) {
                line[column] = c;
            } else {
                line += c;
            }
            ++column;
        }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
}

// With the log on the same terminal, the progress line never shares a line with the log: each
// piece of the log starts where the log left off, and the line is back below it between files.
TEST(ProgressEvents, LogOnTheSameScreenIsNeverWrittenBehindTheLine) {
    std::ostringstream screen;
    ConsoleRunEvents log(screen, screen);
    ProgressEvents progress(log, screen, 3, &screen);
    progress.header("[Converter - Echo]:\r\n\r\n");
    std::vector<std::string> between_files;
    for (const char* name : {"a", "b", "c"}) {
        progress.file_started(name, name, std::string(name) + " -> " + name + "\r\n\tConsole:");
        progress.console_text(std::string("text of ") + name + "\r\n");
        progress.file_ended("\r\n");
        between_files.push_back(screen_lines(screen.str()).back());
    }
    progress.finished(3, "Total 3 Files are converted.\r\n");
    EXPECT_EQ(between_files[0].rfind("1 of 3 files", 0), 0u) << between_files[0];
    EXPECT_EQ(between_files[2].rfind("3 of 3 files", 0), 0u) << between_files[2];
    const std::vector<std::string> expected = {
        "[Converter - Echo]:", "", "a -> a", "\tConsole:text of a", "", "b -> b",
        "\tConsole:text of b", "", "c -> c", "\tConsole:text of c", "",
        "Total 3 Files are converted.", ""};
    EXPECT_EQ(screen_lines(screen.str()), expected);
}

}  // namespace
