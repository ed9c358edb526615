// brelo-batch started as a program, with real converters, files and settings.
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "Support/run_program.h"
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
        EXPECT_EQ(result.err, "");
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

TEST_F(BatchProgram, PreviewWithABadOutputSideShowsTheTreesAndTheNotice) {
    const BatchResult result = run({"--no-subfolders", "--name", "${prefix}.", "--preview"});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.out, with_eol("Input:\n" + in + "\n  a.txt\n\nOutput preview:\n" + out +
                                   "\n  a.\n"));
    EXPECT_EQ(mask_time_stamps(result.err),
              std::string("[Output - File Patterns]:\r\n\r\n\tFile Pattern can't ends with .") +
                  "\r\n\r\n" + masked_stamp + eol);
}

TEST_F(BatchProgram, DryRunPrintsTheCommandsAndStartsNothing) {
    const BatchResult result = run({"--no-subfolders", "--name", "${prefix}.md5", "--dry-run"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "");
    const std::string input = join_path(in, "a.txt");
    const std::string output = join_path(out, "a.md5");
    std::string location = program_path("hashmd5");
    location = location.substr(0, location.rfind(path_separator));
    EXPECT_EQ(result.out, with_eol(input + " -> " + output + "\n\tCommand: " +
                                   program_path("hashmd5") + " \"" + input + "\" \"" + output +
                                   "\"\n\tDirectory: " + location +
                                   "\n\nTotal 1 Files would be converted.\n"));
    EXPECT_EQ(files_below(out), std::vector<std::string>{});
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

TEST_F(BesideTheProgram, MissingSettingsFileGivesTheWindowsDefaults) {
    const BatchResult result = batch_test::run_batch_process(program, {}, elsewhere.path());
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(mask_time_stamps(result.err),
              std::string("[Input - Input Directory]:\r\n\r\n\t\"\" is not a valid directory.") +
                  "\r\n\r\n" + masked_stamp + eol);
    // With both directories given, the default patterns match and no converter is known.
    const BatchResult given = batch_test::run_batch_process(
        program, {"--input", home.file("in"), "--output", home.file("out"), "--preview"});
    EXPECT_EQ(given.exit_code, 0);
    EXPECT_EQ(given.out, with_eol("Input:\n" + home.file("in") + "\n  a.txt\n\nOutput preview:\n" +
                                  home.file("out") + "\n  a.txt\n"));
    EXPECT_FALSE(file_exists(home.file("BRELO.ini")));
}

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
        const BatchResult result = run({"--converter", converter});
        EXPECT_EQ(result.exit_code, exit_stopped);
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
