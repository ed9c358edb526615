// brelo-batch started as a program, with real converters, files and settings.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <stdlib.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "Support/run_program.h"
#include "brelo_version.h"
#include "Support/temp_dir.h"
#include "batch/batch_options.h"
#include "batch/batch_program.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "platform/console_platform.h"
#include "platform/platform.h"

namespace {

using batch_test::BatchResult;
using batch_test::eol;
using batch_test::IniValues;
using batch_test::mask_time_stamps;
using batch_test::run_brelo_batch;
using test_support::file_exists;
using test_support::program_path;
using test_support::read_file;
using test_support::shell_quote;
using test_support::TempDir;
using test_support::write_file;

constexpr const char* masked_stamp = "####/##/##  ##:##:##";
// MD5 of "abc" and of "xyz".
constexpr const char* abc_digest = "900150983CD24FB0D6963F7D28E17F72";
constexpr const char* xyz_digest = "D16FB36F0911F878998C136191AF705E";

// Every file below dir, as paths relative to it with "/" between the parts, sorted.
std::vector<std::string> files_below(const std::string& dir, const std::string& prefix = "") {
    std::vector<std::string> files;
    list_directory(dir, [&](const DirEntry& entry) {
        if (entry.name == "." || entry.name == "..") return true;
        if (entry.is_directory) {
            for (const std::string& f :
                 files_below(join_path(dir, entry.name), prefix + entry.name + "/")) {
                files.push_back(f);
            }
        } else {
            files.push_back(prefix + entry.name);
        }
        return true;
    });
    std::sort(files.begin(), files.end());
    return files;
}

std::string with_eol(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += eol;
        else out += c;
    }
    return out;
}

// Runs every command line of a dry run's output (comments and blank lines left out) through
// the platform's command processor; returns how many there were.
int run_printed_commands(const std::string& printed) {
#ifdef _WIN32
    const std::string comment = "REM ";
#else
    const std::string comment = "# ";
#endif
    int commands = 0;
    std::size_t start = 0;
    while (start < printed.size()) {
        std::size_t end = printed.find(eol, start);
        if (end == std::string::npos) end = printed.size();
        const std::string line = printed.substr(start, end - start);
        start = end + std::string(eol).size();
        if (line.empty() || line.rfind(comment, 0) == 0) continue;
        EXPECT_EQ(test_support::run_command(line).exit_code, 0) << line;
        ++commands;
    }
    return commands;
}

// A settings file naming an input tree and converters that exist, in a temporary folder:
//   in/a.txt ("abc"), in/c.dat, in/sub/b.txt ("xyz"); out/ empty.
class BatchProgram : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string sub = join_path(in, "sub");
    std::string out = dir.file("out");
    std::string ini = dir.file("test.ini");
    IniValues values;

    void SetUp() override {
        ASSERT_TRUE(make_directory(in));
        ASSERT_TRUE(make_directory(sub));
        ASSERT_TRUE(make_directory(out));
        write_file(join_path(in, "a.txt"), "abc");
        write_file(join_path(in, "c.dat"), "c");
        write_file(join_path(sub, "b.txt"), "xyz");
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = out;
        values.output_pattern = "${prefix}.${suffix}";
        values.converters = {
            {"MD5 digest", program_path("hashmd5"), "${infile} ${outfile}", "${location}"},
            {"Missing", dir.file("no-such-program"), "${infile} ${outfile}", "${location}"},
            {"Interrupt", program_path("batch_child"), "interrupt ${infile} ${outfile}",
             "${location}"},
            {"Interrupt and hang", program_path("batch_child"),
             "interrupt-hang ${infile} ${outfile}", "${location}"},
            {"Terminate", program_path("batch_child"), "terminate ${infile} ${outfile}",
             "${location}"},
        };
        write_ini();
    }

    void write_ini() { write_file(ini, batch_test::ini_text(values)); }

    BatchResult run(std::vector<std::string> args, const std::string& work_dir = "") {
        args.insert(args.begin(), {"--ini", ini});
        return run_brelo_batch(args, work_dir);
    }

    std::string entry(const std::string& input, const std::string& output,
                      const std::string& console) const {
        return input + " -> " + output + "\r\n\tConsole:" + console + "\r\n";
    }
    static std::string log(const std::string& title, const std::string& entries, int total) {
        return "[Converter - " + title + "]:\r\n\r\n" + entries + "\r\nTotal " +
               std::to_string(total) + " Files are converted.\r\n" + masked_stamp + eol;
    }
    static std::string md5_console() { return with_eol("Encrypt successful.\n"); }
};

TEST_F(BatchProgram, RunConvertsAndPrintsTheLogAsTheWindowShowsIt) {
    const BatchResult result = run({"--no-subfolders"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(mask_time_stamps(result.out),
              log("MD5 digest",
                  entry(join_path(in, "a.txt"), join_path(out, "a.txt"), md5_console()), 1));
    EXPECT_EQ(read_file(join_path(out, "a.txt")), abc_digest);
    EXPECT_EQ(files_below(out), std::vector<std::string>{"a.txt"});
}

// Several converters at once print the log one at a time prints; the output files are the same.
TEST_F(BatchProgram, JobsGiveTheSameLogAndFiles) {
    for (int i = 0; i < 12; ++i) write_file(join_path(in, "n" + std::to_string(i) + ".txt"), "x");
    const BatchResult one = run({"--jobs", "1"});
    ASSERT_EQ(one.exit_code, 0) << one.err;
    const std::vector<std::string> files = files_below(out);
    for (const char* jobs : {"0", "3"}) {
        SCOPED_TRACE(jobs);
        TempDir other;
        const BatchResult side = run({"--jobs", jobs, "--output", other.path()});
        EXPECT_EQ(side.exit_code, 0) << side.err;
        std::string expected = one.out;
        for (std::size_t at = expected.find(out); at != std::string::npos;
             at = expected.find(out, at + other.path().size())) {
            expected.replace(at, out.size(), other.path());
        }
        EXPECT_EQ(mask_time_stamps(side.out), mask_time_stamps(expected));
        EXPECT_EQ(files_below(other.path()), files);
    }
    for (const char* bad : {"-1", "x", "", "1025", "99999"}) {
        SCOPED_TRACE(bad);
        const BatchResult result = run({"--jobs", bad});
        EXPECT_EQ(result.exit_code, exit_usage_error);
        EXPECT_NE(result.err.find("--jobs"), std::string::npos) << result.err;
    }
}

// With the skip on, a second run over unchanged files starts no converter; each file gets its
// short entry and the count follows the total.
TEST_F(BatchProgram, SecondRunSkipsWhatIsUpToDate) {
    const BatchResult first = run({"--skip-up-to-date"});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const BatchResult second = run({"--skip-up-to-date"});
    EXPECT_EQ(second.exit_code, 0) << second.err;
    EXPECT_EQ(second.out.find("Console:"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("\r\nTotal 0 Files are converted.\r\n2 files were skipped: their "
                              "output was up to date.\r\n"),
              std::string::npos)
        << second.out;
    const BatchResult again = run({"--skip-up-to-date", "--no-skip-up-to-date"});
    EXPECT_NE(again.out.find("\r\nTotal 2 Files are converted.\r\n"), std::string::npos);
}

// --keep-times gives each output its input's time, so the next run with skipping starts no
// converter; BRELO.ini's Keep Times=1 does the same, and --no-keep-times overrides it.
TEST_F(BatchProgram, KeepTimesGivesOutputsTheirInputsTimes) {
    const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::hours(5);
    const std::vector<std::string> names = {"a.txt", "sub/b.txt"};
    for (const std::string& name : names)
        std::filesystem::last_write_time(std::filesystem::u8path(join_path(in, name)), then);
    const auto same_times = [&] {
        int same = 0;
        for (const std::string& name : names) {
            long long in_time = 0, out_time = 0;
            if (file_modified_time(join_path(in, name), in_time) &&
                file_modified_time(join_path(out, name), out_time) && in_time == out_time)
                ++same;
        }
        return same;
    };
    const BatchResult plain = run({});
    ASSERT_EQ(plain.exit_code, 0) << plain.err;
    EXPECT_EQ(same_times(), 0);

    const BatchResult kept = run({"--keep-times"});
    ASSERT_EQ(kept.exit_code, 0) << kept.err;
    EXPECT_EQ(same_times(), 2);
    const BatchResult skipped = run({"--keep-times", "--skip-up-to-date"});
    EXPECT_EQ(skipped.out.find("Console:"), std::string::npos) << skipped.out;

    const BatchResult overridden = run({"--keep-times", "--no-keep-times"});
    ASSERT_EQ(overridden.exit_code, 0) << overridden.err;
    EXPECT_EQ(same_times(), 0);
    std::string text = read_file(ini);
    const auto output = text.find("[Output]");
    ASSERT_NE(output, std::string::npos) << text;
    text.insert(text.find('\n', output) + 1, "Keep Times=1\r\n");
    write_file(ini, text);
    ASSERT_EQ(run({}).exit_code, 0);
    EXPECT_EQ(same_times(), 2);
}

// The progress line goes to standard error only when asked for (or on a terminal), is cleared at
// the end, and leaves standard output as it was.
TEST_F(BatchProgram, ProgressOnlyWhenAskedAndNeverInTheLog) {
    const BatchResult quiet = run({});
    EXPECT_EQ(quiet.err, "");
    const BatchResult shown = run({"--progress"});
    EXPECT_EQ(shown.exit_code, 0);
    EXPECT_EQ(mask_time_stamps(shown.out), mask_time_stamps(quiet.out));
    EXPECT_NE(shown.err.find("2 of 2 files  100%"), std::string::npos) << shown.err;
    EXPECT_EQ(shown.err.back(), '\r');
    EXPECT_EQ(run({"--progress", "--no-progress"}).err, "");
}

TEST_F(BatchProgram, OptionsReplaceTheSettingsFields) {
    struct Row {
        const char* label;
        const char* ini_subfolders;
        std::vector<std::string> args;
        std::vector<std::string> outputs;  // below the output directory
        int total;
        int exit_code = exit_ran;
    };
    const Row rows[] = {
        {"the settings file alone", "1", {}, {"a.txt", "sub/b.txt"}, 2},
        {"--no-subfolders", "1", {"--no-subfolders"}, {"a.txt"}, 1},
        {"--subfolders", "0", {"--subfolders"}, {"a.txt", "sub/b.txt"}, 2},
        {"--patterns", "1", {"--patterns", "*.dat|b.*"}, {"c.dat", "sub/b.txt"}, 2},
        {"--name", "1", {"--name", "${prefix}.md5"}, {"a.md5", "sub/b.md5"}, 2},
        {"--input", "1", {"--input", sub}, {"b.txt"}, 1},
        {"--converter by title", "1", {"--converter", "MD5 digest"}, {"a.txt", "sub/b.txt"}, 2},
        {"--converter by position", "1", {"--converter=1"}, {"a.txt", "sub/b.txt"}, 2},
        {"--converter that cannot start", "1", {"--converter", "Missing"}, {}, 2,
         exit_files_failed},
        {"nothing matches", "1", {"--patterns", "*.none"}, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        values.include_subfolders = row.ini_subfolders;
        write_ini();
        TempDir target;
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--output", target.path()});
        const BatchResult result = run(args);
        EXPECT_EQ(result.exit_code, row.exit_code);
        // Only a run that meets no file tells so on standard error.
        EXPECT_EQ(result.err.empty(), row.total != 0) << result.err;
        EXPECT_EQ(files_below(target.path()), row.outputs);
        EXPECT_NE(result.out.find("\r\nTotal " + std::to_string(row.total) +
                                  " Files are converted.\r\n"),
                  std::string::npos)
            << result.out;
    }
}

TEST_F(BatchProgram, RelativeDirectoriesAreTakenFromTheCurrentDirectory) {
    const BatchResult result = run({"--input", "in", "--output", "out"}, dir.path());
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(files_below(out), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_NE(result.out.find(join_path(in, "a.txt") + " -> " + join_path(out, "a.txt")),
              std::string::npos);
}

TEST_F(BatchProgram, FailedChecksExitWith2AndTheNoticeOnStandardError) {
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::string notice;  // up to the time stamp
    };
    const std::string gone = dir.file("gone");
    const Row rows[] = {
        {"input directory", {"--input", gone},
         "[Input - Input Directory]:\r\n\r\n\t\"" + gone + "\" is not a valid directory."},
        {"output directory", {"--output", gone},
         "[Output - Output Directory]:\r\n\r\n\t\"" + gone + "\" is not a valid directory."},
        {"input side first", {"--input", gone, "--output", gone},
         "[Input - Input Directory]:\r\n\r\n\t\"" + gone + "\" is not a valid directory."},
        {"blank output name", {"--name", " "},
         "[Output - File Patterns]:\r\n\r\n\tFile Pattern can't be blank"},
        {"dry run checks too", {"--name", "x.", "--dry-run"},
         "[Output - File Patterns]:\r\n\r\n\tFile Pattern can't ends with ."},
        {"preview shows no trees", {"--input", gone, "--preview"},
         "[Input - Input Directory]:\r\n\r\n\t\"" + gone + "\" is not a valid directory."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const BatchResult result = run(row.args);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(mask_time_stamps(result.err),
                  row.notice + "\r\n\r\n" + masked_stamp + eol);
    }
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
}

TEST_F(BatchProgram, NoSelectedConverterIsAFailedCheck) {
    values.current_converter = "-1";
    write_ini();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--dry-run"}}) {
        SCOPED_TRACE(args.size());
        const BatchResult result = run(args);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(mask_time_stamps(result.err), std::string("[Converter - Run]:\r\n\r\n\t") +
                                                    "No converter is selected.\r\n\r\n" +
                                                    masked_stamp + eol);
    }
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
}

TEST_F(BatchProgram, UsageErrorsExitWith1AndExplain) {
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::string message;
    };
    const Row rows[] = {
        {"unknown option", {"--fast"}, "brelo-batch: unknown option --fast"},
        {"stray argument", {"in"}, "brelo-batch: unexpected argument \"in\""},
        {"missing value", {"--converter"}, "brelo-batch: option --converter needs a value"},
        {"unknown converter title", {"--converter", "SHA-1"},
         with_eol("brelo-batch: no converter \"SHA-1\"; the converters are:\n"
                  "  1  MD5 digest\n  2  Missing\n  3  Interrupt\n  4  Interrupt and hang\n"
                  "  5  Terminate")},
        {"value too long for its field", {"--patterns", std::string(260, '*')},
         "brelo-batch: the value of --patterns is longer than 259 characters"},
        {"preview with dry run", {"--preview", "-n"},
         "brelo-batch: --preview and --dry-run cannot be used together; run it once with each"},
        {"marks without preview", {"--marks"}, "brelo-batch: --marks goes with --preview"},
        {"missing settings file", {"--ini", dir.file("none.ini")},
         "brelo-batch: settings file \"" + dir.file("none.ini") + "\" does not exist"},
        {"settings file is a directory", {"--ini", dir.path()},
         "brelo-batch: settings file \"" + dir.path() + "\" is a directory"},
#ifndef _WIN32
        // Reading a pipe nobody writes to would wait for ever.
        {"settings file is a pipe", {"--ini", dir.file("pipe.ini")},
         "brelo-batch: settings file \"" + dir.file("pipe.ini") + "\" is not a regular file"},
#endif
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const BatchResult result = run(row.args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, row.message + eol + eol + with_eol(usage_text()));
    }
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
}

TEST_F(BatchProgram, HelpGoesToStandardOutput) {
    const BatchResult result = run_brelo_batch({"--help", "--bogus"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, with_eol(help_text()));
    EXPECT_EQ(result.err, "");
}

TEST_F(BatchProgram, PreviewPrintsBothTreesAndStartsNothing) {
    const BatchResult result = run({"--name", "${prefix}.md5", "--preview"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, with_eol("Input:\n" + in + "\n  sub\n    b.txt\n  a.txt\n\n"
                                   "Output preview:\n" + out + "\n  sub\n    b.md5\n  a.md5\n"));
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
    EXPECT_EQ(files_below(dir.path()).size(), 4u);  // in's three files and the settings file
}

// The marks: only asked for do they follow the output names, so what a reader of the plain
// preview gets stays as it was; standard error sums them up either way.
TEST_F(BatchProgram, PreviewMarksFollowTheOutputNamesWhenAskedFor) {
    write_file(join_path(out, "a.md5"), "old");
    const std::string replaced = std::string("[Output - Output Directory]:\r\n\r\n\t1 output ") +
                                 "will be replaced.\r\n\r\n" + masked_stamp + eol;
    const BatchResult plain = run({"--name", "${prefix}.md5", "--preview"});
    EXPECT_EQ(plain.exit_code, 0);
    EXPECT_EQ(plain.out, with_eol("Input:\n" + in + "\n  sub\n    b.txt\n  a.txt\n\n"
                                  "Output preview:\n" + out + "\n  sub\n    b.md5\n  a.md5\n"));
    EXPECT_EQ(mask_time_stamps(plain.err), replaced);

    const BatchResult marked = run({"--name", "${prefix}.md5", "--preview", "--marks"});
    EXPECT_EQ(marked.exit_code, 0);
    EXPECT_EQ(marked.out, with_eol("Input:\n" + in + "\n  sub\n    b.txt\n  a.txt\n\n"
                                   "Output preview:\n" + out +
                                   "\n  sub\n    b.md5\n  a.md5 [replace]\n"));
    EXPECT_EQ(mask_time_stamps(marked.err), replaced);

    // a.md5 was written after a.txt.
    const BatchResult skipping =
        run({"--name", "${prefix}.md5", "--preview", "--marks", "--skip-up-to-date"});
    EXPECT_NE(skipping.out.find("  a.md5 [up to date]"), std::string::npos) << skipping.out;
    EXPECT_EQ(mask_time_stamps(skipping.err),
              std::string("[Output - Output Directory]:\r\n\r\n\t1 output is up to date.") +
                  "\r\n\r\n" + masked_stamp + eol);
    EXPECT_EQ(read_file(join_path(out, "a.md5")), "old");
}

TEST_F(BatchProgram, PreviewWithABadOutputSideShowsTheTreesAndTheNotice) {
    const BatchResult result = run({"--no-subfolders", "--name", "${prefix}.", "--preview"});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.out, with_eol("Input:\n" + in + "\n  a.txt\n\nOutput preview:\n" + out +
                                   "\n  a.\n"));
    EXPECT_EQ(mask_time_stamps(result.err),
              std::string("[Output - File Patterns]:\r\n\r\n\tFile Pattern can't ends with .") +
                  "\r\n\r\n" + masked_stamp + eol);
}

// The commands as the shell of the platform takes them, absolute and quoted, after a change to
// the converter's working directory; the whole is a script whose comments say what each does.
TEST_F(BatchProgram, DryRunPrintsTheCommandsAndStartsNothing) {
    for (const char* option : {"--dry-run", "-n"}) {
        SCOPED_TRACE(option);
        const BatchResult result = run({"--no-subfolders", "--name", "${prefix}.md5", option});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.err, "");
        const std::string input = join_path(in, "a.txt");
        const std::string output = join_path(out, "a.md5");
        std::string location = program_path("hashmd5");
        location = location.substr(0, location.rfind(path_separator));
#ifdef _WIN32
        const std::string expected = "REM " + input + " -> " + output + "\ncd /d \"" + location +
                                     "\" && \"" + program_path("hashmd5") + "\" \"" + input +
                                     "\" \"" + output +
                                     "\"\n\nREM Total 1 Files would be converted.\n";
#else
        const std::string expected = "# " + input + " -> " + output + "\ncd '" + location +
                                     "' && '" + program_path("hashmd5") + "' '" + input + "' '" +
                                     output + "'\n\n# Total 1 Files would be converted.\n";
#endif
        EXPECT_EQ(result.out, with_eol(expected));
        EXPECT_EQ(files_below(out), std::vector<std::string>{});
    }
}

// Each printed command, run by the platform's command processor from another folder, does what
// the run would: names with blanks, quotes and shell characters arrive whole.
TEST_F(BatchProgram, DryRunCommandsCanBePastedIntoTheShell) {
    write_file(join_path(in, "it's a $b & c.txt"), "xyz");
    const BatchResult result = run({"--no-subfolders", "--name", "${prefix}.md5", "-n"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(run_printed_commands(result.out), 2);
    EXPECT_EQ(read_file(join_path(out, "a.md5")), abc_digest);
    EXPECT_EQ(read_file(join_path(out, "it's a $b & c.md5")), xyz_digest);
}

TEST_F(BatchProgram, ShortOptionsAndVersion) {
    EXPECT_EQ(run_brelo_batch({"-h"}).out, with_eol(help_text()));
    const BatchResult version = run_brelo_batch({"--version", "--bogus"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, with_eol(std::string("brelo-batch ") + BRELO_VERSION + "\n"));
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(run({"-n", "-j2"}).out, run({"--dry-run", "--jobs=2"}).out);
    const BatchResult jobs = run({"-j", "2"});
    EXPECT_EQ(jobs.exit_code, 0) << jobs.err;
    EXPECT_EQ(files_below(out), (std::vector<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_EQ(run({"-j", "x"}).exit_code, 1);
}

// No matching file is no failure, but the user is told, on standard error; the log is as ever.
TEST_F(BatchProgram, NoMatchingFileSaysSoOnStandardError) {
    const std::string said = "No file matches the patterns \"*.none\" in \"" + in + "\".";
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::string err;
    };
    const Row rows[] = {
        {"run", {"--patterns", "*.none"}, said},
        {"dry run", {"--patterns", "*.none", "-n"}, said},
        {"top folder only", {"--patterns", "*.none", "--no-subfolders"},
         said.substr(0, said.size() - 1) + " (its sub-folders left out)."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const BatchResult result = run(row.args);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.err, row.err + eol);
        EXPECT_NE(result.out.find("Total 0 Files"), std::string::npos);
    }
    // Files that match but are up to date are no such case.
    ASSERT_EQ(run({}).exit_code, 0);
    EXPECT_EQ(run({"--skip-up-to-date"}).err, "");
}

// An unknown placeholder is told about as the window tells it, and the names keep the text.
TEST_F(BatchProgram, UnknownPlaceholderNoticeAndTheRunGoesOn) {
    const std::string notice =
        std::string("[Output - File Patterns]:\r\n\r\n\tUnknown placeholder ${prefx} stays in "
                    "the names as typed; the placeholders are ${prefix} and ${suffix}.\r\n\r\n") +
        masked_stamp + eol;
    for (const char* option : {"--preview", "--dry-run"}) {
        SCOPED_TRACE(option);
        const BatchResult result = run({"--no-subfolders", "--name", "${prefx}.${suffix}", option});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(mask_time_stamps(result.err), notice);
        EXPECT_NE(result.out.find("${prefx}.txt"), std::string::npos);
    }
    const BatchResult result = run({"--no-subfolders", "--name", "${prefx}.${suffix}"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(mask_time_stamps(result.err), notice);
    EXPECT_EQ(read_file(join_path(out, "${prefx}.txt")), abc_digest);
}

TEST_F(BatchProgram, TheSettingsFileIsNeverWritten) {
    const std::string before = read_file(ini);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--preview"}, {"--input", dir.file("gone")}}) {
        run(args);
        EXPECT_EQ(read_file(ini), before);
    }
}

// A copy of the program in a folder of its own: it reads the BRELO.ini beside it and works in
// that folder, so relative paths in the file mean what they mean to the window.
class BesideTheProgram : public ::testing::Test {
protected:
    TempDir home;
    TempDir elsewhere;
#ifdef _WIN32
    std::string program = home.file("brelo-batch.exe");
    const char* converter = ".\\hashmd5.exe";
#else
    std::string program = home.file("brelo-batch");
    const char* converter = "./hashmd5";
#endif

    void SetUp() override {
        copy_program("brelo-batch", program);
#ifdef _WIN32
        copy_program("hashmd5", home.file("hashmd5.exe"));
#else
        copy_program("hashmd5", home.file("hashmd5"));
#endif
        ASSERT_TRUE(make_directory(home.file("in")));
        ASSERT_TRUE(make_directory(home.file("out")));
        write_file(join_path(home.file("in"), "a.txt"), "abc");
    }

    static void copy_program(const std::string& name, const std::string& to) {
        write_file(to, read_file(program_path(name)));
#ifndef _WIN32
        ASSERT_EQ(std::system(("chmod +x '" + to + "'").c_str()), 0);
#endif
    }
};

TEST_F(BesideTheProgram, ReadsItsOwnSettingsFileWithRelativePaths) {
    IniValues values;
    values.input_directory = "in";
    values.input_patterns = "*.txt";
    values.output_directory = "out";
    values.converters = {{"MD5 digest", converter, "${infile} ${outfile}", "${location}"}};
    const std::string ini = home.file("BRELO.ini");
    write_file(ini, batch_test::ini_text(values));
    const BatchResult result = batch_test::run_batch_process(program, {}, elsewhere.path());
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(mask_time_stamps(result.out),
              "[Converter - MD5 digest]:\r\n\r\n" + join_path("in", "a.txt") + " -> " +
                  join_path("out", "a.txt") + "\r\n\tConsole:" + with_eol("Encrypt successful.\n") +
                  "\r\n\r\nTotal 1 Files are converted.\r\n" + masked_stamp + eol);
    EXPECT_EQ(read_file(join_path(home.file("out"), "a.txt")), abc_digest);
    EXPECT_EQ(read_file(ini), batch_test::ini_text(values));
    EXPECT_EQ(files_below(elsewhere.path()), std::vector<std::string>{});
}

// Relative paths of the settings file mean the program's folder; the printed commands name
// them absolutely, so they do the same from any folder. The converter works in another folder
// than its own, so neither its program nor that folder may stay relative.
TEST_F(BesideTheProgram, DryRunOfRelativeSettingsWorksFromAnyFolder) {
    IniValues values;
    values.input_directory = "in";
    values.input_patterns = "*.txt";
    values.output_directory = "out";
    values.output_pattern = "${prefix}.md5";
    values.converters = {{"MD5 digest", converter, "${infile} ${outfile}", "out"}};
    write_file(home.file("BRELO.ini"), batch_test::ini_text(values));
    const BatchResult result = batch_test::run_batch_process(program, {"-n"}, elsewhere.path());
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(run_printed_commands(result.out), 1);
    EXPECT_EQ(read_file(join_path(home.file("out"), "a.md5")), abc_digest);
    EXPECT_EQ(files_below(elsewhere.path()), std::vector<std::string>{});
}

// Without its settings file there is no converter to run: brelo-batch says which file it looked
// for rather than that no converter is selected. A preview needs none and takes the defaults.
TEST_F(BesideTheProgram, MissingSettingsFileIsNamedAndOnlyPreviewGoesOn) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--dry-run"},
          std::vector<std::string>{"--converter", "1", "--input", home.file("in")}}) {
        SCOPED_TRACE(args.size());
        const BatchResult result = batch_test::run_batch_process(program, args, elsewhere.path());
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_EQ(result.out, "");
        const std::string start = "brelo-batch: no settings file was found: \"";
        const std::string end =
            "BRELO.ini\" does not exist. Give one with --ini FILE, or put a BRELO.ini beside the "
            "program (brelo writes it when its window closes)." + std::string(eol);
        EXPECT_EQ(result.err.substr(0, start.size()), start);
        ASSERT_GE(result.err.size(), end.size());
        EXPECT_EQ(result.err.substr(result.err.size() - end.size()), end);
    }
    // With both directories given, the default patterns match and no converter is needed.
    const BatchResult given = batch_test::run_batch_process(
        program, {"--input", home.file("in"), "--output", home.file("out"), "--preview"});
    EXPECT_EQ(given.exit_code, 0);
    EXPECT_EQ(given.out, with_eol("Input:\n" + home.file("in") + "\n  a.txt\n\nOutput preview:\n" +
                                  home.file("out") + "\n  a.txt\n"));
    EXPECT_FALSE(file_exists(home.file("BRELO.ini")));
}

#ifndef _WIN32
// The native build's starter settings work where they are put: their Samples and Output
// folders are beside them.
TEST(StarterSettings, NativeBuildPlansTheSamplesWithItsOwnSettings) {
    const BatchResult result = run_brelo_batch({"--dry-run"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_NE(result.out.find("haiku-sjis.txt -> ./Output"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Total 8 Files would be converted."), std::string::npos);
}
#endif

TEST_F(BesideTheProgram, GarbageSettingsFileGivesTheDefaults) {
    static const char garbage[] = "\xff\xfe[Conv\0erter]\n==\n[";
    write_file(home.file("BRELO.ini"), std::string(garbage, sizeof garbage - 1));
    const BatchResult result = batch_test::run_batch_process(
        program, {"--input", home.file("in"), "--output", home.file("out")});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(mask_time_stamps(result.err), std::string("[Converter - Run]:\r\n\r\n\t") +
                                                "No converter is selected.\r\n\r\n" +
                                                masked_stamp + eol);
    const BatchResult named = batch_test::run_batch_process(program, {"--converter", "1"});
    EXPECT_EQ(named.exit_code, 1);
    EXPECT_NE(named.err.find("defines no converters"), std::string::npos) << named.err;
}

// Two runs writing one output folder would start every converter twice. The first run's
// converter starts a second brelo-batch on the same folder while the first holds it: the second
// refuses with a failed check, and its notice and exit code land in the first one's log. Once
// the first has ended, or was killed, a run starts again.
TEST_F(BatchProgram, ASecondRunIntoTheSameOutputFolderIsRefused) {
    const auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    values.converters.push_back(
        {"Second run", program_path("batch_child"),
         "run " + quoted(program_path("brelo-batch")) + " --ini " + quoted(ini) +
             " --converter \"MD5 digest\" ${infile} ${outfile}",
         "${location}"});
    values.converters.push_back(
        {"Killed", program_path("batch_child"), "kill-parent ${infile} ${outfile}", "${location}"});
    write_ini();
    // The second run's converter writes no output, so the first run counts that file as failed.
    const BatchResult first = run({"--converter", "Second run", "--no-subfolders"});
    EXPECT_EQ(first.exit_code, exit_files_failed) << first.err;
    EXPECT_NE(first.out.find("\tAnother run is writing to " + out + ".\r\n"), std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find(with_eol("exit 2\n")), std::string::npos) << first.out;
    EXPECT_EQ(files_below(out), std::vector<std::string>{});

    EXPECT_EQ(run({"--no-subfolders"}).exit_code, exit_ran);
    EXPECT_EQ(read_file(join_path(out, "a.txt")), abc_digest);

    const BatchResult killed = run({"--converter", "Killed", "--no-subfolders"});
    EXPECT_NE(killed.exit_code, exit_ran);
    EXPECT_EQ(killed.out.find("Files are converted."), std::string::npos) << killed.out;
    const BatchResult after = run({"--no-subfolders"});
    EXPECT_EQ(after.exit_code, exit_ran) << after.err;
    // Nothing of the lock is left in the user's folders.
    EXPECT_EQ(files_below(out), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(files_below(dir.path()),
              (std::vector<std::string>{"in/a.txt", "in/c.dat", "in/sub/b.txt", "out/a.txt",
                                        "test.ini"}));
}

#ifdef _WIN32
// Windows runs a batch converter through cmd.exe, which reads the command line as syntax: a
// quoted name with "&", "^", blanks or brackets reaches the batch file whole, and a name that no
// quoting protects from cmd.exe ("%" expands even inside quotes) is refused before anything
// starts, as is a name Windows programs would open as another file.
TEST_F(BatchProgram, BatchFileConvertersGetEachNameWholeOrRefuseIt) {
    const std::string names[] = {"x&y.txt", "x^y.txt", "x y.txt", "(x).txt", "x%OS%y.txt"};
    for (const std::string& name : names) write_file(join_path(in, name), "abc");
    const std::string bat = dir.file("md5.bat");
    write_file(bat, "@\"" + program_path("hashmd5") + "\" %1 %2\r\n");
    values.converters.push_back({"Batch", bat, "${infile} ${outfile}", "${location}"});
    write_ini();
    const BatchResult result = run({"--converter", "Batch", "--no-subfolders"});
    EXPECT_EQ(result.exit_code, exit_files_failed) << result.out;
    for (const std::string& name : {std::string("a.txt"), names[0], names[1], names[2], names[3]}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(read_file(join_path(out, name)), abc_digest);
    }
    EXPECT_FALSE(file_exists(join_path(out, names[4])));
    EXPECT_NE(result.out.find(join_path(in, names[4]) + " -> " + join_path(out, names[4]) +
                              "\r\n\tConsole:The input path cannot be passed safely to a batch "
                              "file: it holds %.\r\n\r\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("Total 6 Files are converted.\r\n1 of them failed.\r\n"),
              std::string::npos)
        << result.out;
}
#endif

// A converter that reports failure with its exit code fails its file, and the exit code of the
// whole run says so; the entry says the converter's code.
TEST_F(BatchProgram, AFailedFileGivesExitCodeThree) {
    values.converters.push_back(
        {"Into itself", program_path("hashmd5"), "${infile} ${infile}", "${location}"});
    write_ini();
    const BatchResult result = run({"--converter", "Into itself", "--no-subfolders"});
    EXPECT_EQ(result.exit_code, exit_files_failed);
    EXPECT_EQ(result.err, "");
    const std::string input = join_path(in, "a.txt");
    const std::string expected =
        log("Into itself",
            entry(input, join_path(out, "a.txt"),
                  with_eol("Encrypt failed.\n") + "Converter exited with code 1.\r\n"),
            1);
    const std::string total_line = "Files are converted.\r\n";
    const std::size_t cut = expected.find(total_line) + total_line.size();
    EXPECT_EQ(mask_time_stamps(result.out),
              expected.substr(0, cut) + "1 of them failed.\r\n" + expected.substr(cut));
}

// brelo-batch and the converters it starts keep their temporary files in this folder while it
// lives.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& path) {
        const char* saved = std::getenv(variable);
        if (saved) saved_ = saved;
        had_ = saved != nullptr;
        use(path);
    }
    ~TemporaryFolder() { use(had_ ? saved_ : std::string()); }

private:
#ifdef _WIN32
    static constexpr const char* variable = "TMP";  // the name the system asks first
    static void use(const std::string& path) {
        _putenv_s("TMP", path.c_str());
        _putenv_s("TEMP", path.c_str());
    }
#else
    static constexpr const char* variable = "TMPDIR";
    static void use(const std::string& path) {
        if (path.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", path.c_str(), 1);
    }
#endif
    std::string saved_;
    bool had_ = false;
};

// Two inputs for two converters side by side: the one that holds ends only after the flood has
// ended, whichever of them the walk meets first.
class HeldEntries : public BatchProgram {
protected:
    TempDir gate_in;
    TempDir temporary;

    void SetUp() override {
        BatchProgram::SetUp();
        write_file(gate_in.file("a.txt"), "hold");
        write_file(gate_in.file("b.txt"), "flood");
        values.input_directory = gate_in.path();
        values.converters.push_back({"Gate", program_path("batch_child"),
                                     "gate 3 ${infile} ${outfile}", "${location}"});
        values.converters.push_back({"Big gate", program_path("batch_child"),
                                     "gate 200 ${infile} ${outfile}", "${location}"});
        write_ini();
    }

    static std::string flood(int mebibytes) {
        std::string lines;
        for (int i = 0; i < 64; ++i) lines += std::string(1023, 'x') + "\n";
        std::string text;
        for (int i = 0; i < 16 * mebibytes; ++i) text += lines;
        return text;
    }
};

// An entry's text held behind another converter passes a temporary file on its way; it comes out
// whole, and the file is gone after the run.
TEST_F(HeldEntries, HeldTextIsPrintedWholeAndLeavesNoTemporaryFile) {
    TemporaryFolder folder(temporary.path());
    const BatchResult result = run({"--converter", "Gate", "--jobs", "2"});
    EXPECT_EQ(result.exit_code, exit_ran) << result.err;
    EXPECT_NE(result.out.find(join_path(gate_in.path(), "b.txt") + " -> " + join_path(out, "b.txt") +
                              "\r\n\tConsole:" + flood(3) + "\r\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("\r\n\tConsole:held\n\r\n"), std::string::npos);
    EXPECT_EQ(read_file(join_path(out, "b.txt")), "flooded");
    EXPECT_EQ(files_below(temporary.path()), std::vector<std::string>{});
}

#ifndef _WIN32
// AddressSanitizer keeps freed memory in quarantine, so a peak measured under it says nothing.
#if defined(__SANITIZE_ADDRESS__)
#define SKIP_MEMORY_PEAK_UNDER_ADDRESS_SANITIZER() \
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine"
#else
#define SKIP_MEMORY_PEAK_UNDER_ADDRESS_SANITIZER() (void)0
#endif

// Peak memory of brelo-batch in kilobytes, and the bytes it printed, counted as they come.
struct Measured {
    int exit_code = -1;
    long long printed = 0;
    long peak_kb = 0;
};

Measured measure_brelo_batch(const std::vector<std::string>& args) {
    Measured measured;
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return measured;
    const std::string program = program_path("brelo-batch");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[1]);
    if (spawned == 0) {
        char buffer[65536];
        ssize_t count;
        while ((count = read(pipe_ends[0], buffer, sizeof buffer)) > 0) measured.printed += count;
        int status = 0;
        struct rusage usage = {};
        if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status)) {
            measured.exit_code = WEXITSTATUS(status);
        }
        measured.peak_kb = usage.ru_maxrss;
    }
    close(pipe_ends[0]);
    return measured;
}

// A converter that prints 200 MiB while the other holds delivery: brelo-batch prints all of it
// and its memory stays far below what it printed.
TEST_F(HeldEntries, MemoryDoesNotGrowWithHeldText) {
    SKIP_MEMORY_PEAK_UNDER_ADDRESS_SANITIZER();
    TemporaryFolder folder(temporary.path());
    const Measured measured =
        measure_brelo_batch({"--ini", ini, "--converter", "Big gate", "--jobs", "2"});
    EXPECT_EQ(measured.exit_code, exit_ran);
    EXPECT_GT(measured.printed, 200LL * 1024 * 1024);
    EXPECT_LT(measured.peak_kb, 64L * 1024) << "peak " << measured.peak_kb << " KB";
    EXPECT_EQ(files_below(temporary.path()), std::vector<std::string>{});
}

// The job log keeps a bounded part of a flood, says how much more there was, and counts it all.
TEST_F(HeldEntries, JobLogKeepsMemoryBounded) {
    SKIP_MEMORY_PEAK_UNDER_ADDRESS_SANITIZER();
    TemporaryFolder folder(temporary.path());
    const std::string joblog = dir.file("j.tsv");
    const Measured measured = measure_brelo_batch(
        {"--ini", ini, "--converter", "Big gate", "--jobs", "2", "--joblog", joblog});
    EXPECT_EQ(measured.exit_code, exit_ran);
    EXPECT_LT(measured.peak_kb, 64L * 1024) << "peak " << measured.peak_kb << " KB";
    const std::string lines = read_file(joblog);
    EXPECT_LT(lines.size(), 4u * 1024 * 1024);
    EXPECT_NE(lines.find(" more bytes of console text are not in the job log.]"),
              std::string::npos);
    // Receive of the flood's line: all of its bytes.
    std::size_t most = 0;
    std::size_t start = lines.find('\n') + 1;
    while (start < lines.size()) {
        std::size_t column = start;
        for (int i = 0; i < 5; ++i) column = lines.find('\t', column) + 1;
        most = std::max<std::size_t>(most, std::stoull(lines.substr(column)));
        start = lines.find('\n', start) + 1;
        if (start == 0) break;
    }
    EXPECT_GE(most, 200ull * 1024 * 1024);
}

// Stopped while the text is held: the run ends as Stop ends it, the held text is still printed,
// and no temporary file stays.
TEST_F(HeldEntries, StopLeavesNoTemporaryFile) {
    write_file(gate_in.file("a.txt"), "hold-interrupt");
    TemporaryFolder folder(temporary.path());
    const BatchResult result = run({"--converter", "Gate", "--jobs", "2"});
    EXPECT_TRUE(result.exit_code == exit_ran || result.exit_code == exit_stopped) << result.err;
    EXPECT_NE(result.out.find("\r\n\tConsole:" + flood(3) + "\r\n"), std::string::npos);
    EXPECT_EQ(files_below(temporary.path()), std::vector<std::string>{});
}
#endif

// A converter that fails leaves an output that the next run with skipping on converts again,
// and the next run's exit code says the file failed again: a failure never turns into an
// "up to date" that exits 0.
TEST_F(BatchProgram, FailedOutputIsConvertedAgainByTheNextRun) {
    values.converters.push_back(
        {"Half", program_path("console_child"), "half ${outfile}", "${location}"});
    write_ini();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const BatchResult result =
            run({"--converter", "Half", "--no-subfolders", "--skip-up-to-date"});
        EXPECT_EQ(result.exit_code, exit_files_failed);
        EXPECT_EQ(result.out.find("up to date"), std::string::npos) << result.out;
        EXPECT_EQ(read_file(join_path(out, "a.txt")), "half");
    }
}

// Two inputs with one output name: the second is not converted but fails, and says whose name it
// is; the preview and the dry run tell of such names too.
TEST_F(BatchProgram, InputsSharingAnOutputNameFailAfterTheFirst) {
    write_file(join_path(in, "a.dat"), "xyz");
    const BatchResult preview =
        run({"--no-subfolders", "--patterns", "*", "--name", "${prefix}.md5", "--preview"});
    EXPECT_EQ(preview.exit_code, exit_ran);
    EXPECT_EQ(mask_time_stamps(preview.err),
              std::string("[Output - File Patterns]:\r\n\r\n\t1 output name is shared by more ") +
                  "than one input.\r\n\r\n" + masked_stamp + eol);
    const BatchResult result = run({"--no-subfolders", "--patterns", "a.*", "--name",
                                    "${prefix}.md5"});
    EXPECT_EQ(result.exit_code, exit_files_failed);
    const std::size_t first = result.out.find(" -> ");
    ASSERT_NE(first, std::string::npos);
    const std::string header = "[Converter - MD5 digest]:\r\n\r\n";
    ASSERT_EQ(result.out.compare(0, header.size(), header), 0) << result.out;
    const std::string first_input = result.out.substr(header.size(), first - header.size());
    const std::string second_input =
        first_input == join_path(in, "a.txt") ? join_path(in, "a.dat") : join_path(in, "a.txt");
    EXPECT_NE(result.out.find(second_input + " -> " + join_path(out, "a.md5") +
                              "\r\n\tConsole:The output name is also that of " + first_input +
                              ".\r\n\r\n\r\nTotal 2 Files are converted.\r\n1 of them failed.\r\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(read_file(join_path(out, "a.md5")),
              first_input == join_path(in, "a.txt") ? abc_digest : xyz_digest);

    // The dry run plans what the run does: one command, and the second input's reason for none.
    const BatchResult dry = run({"--no-subfolders", "--patterns", "a.*", "--name",
                                 "${prefix}.md5", "--dry-run"});
    EXPECT_EQ(dry.exit_code, exit_files_failed);  // as the run
#ifdef _WIN32
    const std::string comment = "REM ";
#else
    const std::string comment = "# ";
#endif
    EXPECT_NE(dry.out.find(comment + second_input + " -> " + join_path(out, "a.md5") + eol +
                           comment + "The output name is also that of " + first_input + "." +
                           eol),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find(comment + "Total 1 Files would be converted."), std::string::npos)
        << dry.out;
}

// --time-limit ends each converter that runs past it; its file fails and the run goes on.
TEST_F(BatchProgram, TimeLimitEndsASlowConverterAndTheRunGoesOn) {
    values.converters.push_back(
        {"Sleeper", program_path("console_child"), "sleeper ${infile} ${outfile}", "${location}"});
    write_ini();
    const BatchResult result = run({"--converter", "Sleeper", "--time-limit", "1"});
    EXPECT_EQ(result.exit_code, exit_files_failed);
    const std::string masked = mask_time_stamps(result.out);
    const std::string ended = "\r\n\tConsole:Converter ended after 1 seconds (time limit).\r\n";
    const std::size_t first = masked.find(ended);
    ASSERT_NE(first, std::string::npos) << masked;
    EXPECT_NE(masked.find(ended, first + 1), std::string::npos) << masked;
    EXPECT_NE(masked.find("Total 2 Files are converted.\r\n2 of them failed.\r\n"),
              std::string::npos)
        << masked;

    const BatchResult bad = run({"--converter", "Sleeper", "--time-limit", "soon"});
    EXPECT_EQ(bad.exit_code, exit_usage_error);
    EXPECT_NE(bad.err.find("--time-limit"), std::string::npos) << bad.err;
}

TEST(StopOnInterrupt, CtrlCSetsTheStopEvent) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    ASSERT_TRUE(stop_on_interrupt(*stop));
    EXPECT_FALSE(is_event_set(*stop));
    deliver_interrupt();
    EXPECT_EQ(wait_for_events(*stop, nullptr, -1), 0);
    close_event(stop);
}

#ifndef _WIN32
// The converter itself presses Ctrl+C on brelo-batch; it is in a process group of its own, as
// it would be when a user presses the keys, so only brelo-batch receives it.
// A request to end (SIGTERM) is a Stop as well.
TEST_F(BatchProgram, CtrlCLetsTheConverterFinishAndStartsNoFurtherFile) {
    write_file(join_path(in, "d.txt"), "d");
    for (const std::string converter : {"Interrupt", "Terminate"}) {
        SCOPED_TRACE(converter);
        const std::string joblog = dir.file("joblog.tsv");
        const BatchResult result = run({"--converter", converter, "--joblog", joblog});
        EXPECT_EQ(result.exit_code, exit_stopped);
        // The files Stop kept from starting have their lines too, with Exitval -1.
        const std::string lines = read_file(joblog);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4) << lines;
        EXPECT_NE(lines.find("\n2\t:\t0.000\t0.000\t0\t0\t-1\t0\t"), std::string::npos) << lines;
        EXPECT_NE(lines.find("\n3\t:\t0.000\t0.000\t0\t0\t-1\t0\t"), std::string::npos) << lines;
        EXPECT_EQ(result.err, "");
        // Exactly one entry, whichever file the walk met first.
        const std::string masked = mask_time_stamps(result.out);
        const std::size_t first = masked.find(" -> ");
        ASSERT_NE(first, std::string::npos);
        EXPECT_EQ(masked.find(" -> ", first + 1), std::string::npos) << masked;
        const std::string said = converter == "Interrupt" ? "interrupted\n" : "terminated\n";
        EXPECT_NE(masked.find("\r\n\tConsole:" + said + "\r\n\r\nTotal 1 Files are converted.\r\n" +
                              "Stopped: 2 matching files were not started.\r\n" +
                              std::string(masked_stamp) + eol),
                  std::string::npos)
            << masked;
    }
}

// A hang-up stops the run too, unless brelo-batch was started with it ignored (as nohup does):
// then the run goes on through every file.
TEST_F(BatchProgram, HangUpStopsUnlessStartedIgnoringIt) {
    values.converters.push_back(
        {"Hang up", program_path("batch_child"), "hang-up ${infile} ${outfile}", "${location}"});
    write_ini();
    const std::string command = shell_quote(program_path("brelo-batch")) + " --ini " +
                                shell_quote(ini) + " --converter 'Hang up'";
    for (const bool ignored : {false, true}) {
        SCOPED_TRACE(ignored ? "ignored" : "not ignored");
        const auto result =
            test_support::run_command((ignored ? "trap '' HUP; exec " : "exec ") + command);
        EXPECT_EQ(result.exit_code, ignored ? exit_ran : exit_stopped);
        const std::string total = ignored ? "Total 2 Files" : "Total 1 Files";
        EXPECT_NE(result.output.find(total), std::string::npos) << result.output;
    }
}

TEST_F(BatchProgram, CtrlCEndsAConverterThatGoesOnAfterTheGraceTime) {
    const BatchResult result = run({"--converter", "Interrupt and hang", "--no-subfolders"});
    EXPECT_EQ(result.exit_code, exit_stopped);
    const std::string expected = log("Interrupt and hang",
                                     entry(join_path(in, "a.txt"), join_path(out, "a.txt"),
                                           "hanging\nConverter ended by Stop.\r\n"),
                                     1);
    const std::string total_line = "Files are converted.\r\n";
    const std::size_t cut = expected.find(total_line) + total_line.size();
    EXPECT_EQ(mask_time_stamps(result.out),
              expected.substr(0, cut) + "1 of them failed.\r\nStopped: 0 matching files were not started.\r\n" +
                  expected.substr(cut));
}
#endif

}  // namespace
