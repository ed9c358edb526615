// The process runner against console_child, a stand-in converter built beside the tests.
#include "engine/console_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "engine/converter.h"
#include "platform/command_line.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using test_support::TempDir;

class ConsoleProcessTest : public ::testing::Test {
protected:
    // The helper's full path, in quotes, then the act and its arguments.
    static std::string command(const std::string& act_and_args) {
        return "\"" + test_support::program_path("console_child") + "\" " + act_and_args;
    }
    // The console text of one run, started in a fresh temporary directory.
    std::string run(const std::string& line) {
        ConversionLog log;
        run_console_process(line, dir.path(), log);
        return log;
    }
    TempDir dir;
};

// What the helper's echo act prints for the arguments it received.
std::string echoed(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& arg : args) text += "[" + arg + "]\n";
    return text;
}

TEST_F(ConsoleProcessTest, ArgumentsAreSplitAsTheCRuntimeSplitsThem) {
    struct Row {
        const char* label;
        std::string tail;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"blanks separate", "a b", {"a", "b"}},
        {"runs of blanks and tabs", "  a \t  b  ", {"a", "b"}},
        {"quotes keep blanks", "\"a b\"  c", {"a b", "c"}},
        {"quoted part inside a word", "a\"b c\"d", {"ab cd"}},
        {"empty quotes give an empty argument", "\"\" x", {"", "x"}},
        {"backslashes alone are literal", "a\\b a\\\\b \\\\server\\share",
         {"a\\b", "a\\\\b", "\\\\server\\share"}},
        {"escaped quote", "\"a\\\"b\"", {"a\"b"}},
        {"even backslashes before a quote halve and open it", "a\\\\\"b c\"", {"a\\b c"}},
        {"odd backslashes before a quote halve and keep it", "a\\\\\\\"b", {"a\\\"b"}},
        {"trailing backslash before a closing quote", "\"a b\\\\\" c", {"a b\\", "c"}},
        {"unterminated quote runs to the end", "\"a b", {"a b"}},
        {"doubled quote inside quotes", "\"a\"\"b\"", {"a\"b"}},
        {"doubled quote keeps the quotes open", "\"a\"\"b c\" d", {"a\"b c", "d"}},
        {"Windows path in quotes", "\"D:\\In\\a b.txt\" \"D:\\Out\\\"",
         {"D:\\In\\a b.txt", "D:\\Out\""}},
    };
    const std::string program = test_support::program_path("console_child");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<std::string> expected = {program, "echo"};
        expected.insert(expected.end(), row.args.begin(), row.args.end());
        const std::string line = command("echo " + row.tail);
        EXPECT_EQ(split_command_line(line), expected);
        EXPECT_EQ(run(line), echoed(expected));
    }
}

TEST_F(ConsoleProcessTest, ProgramNameKeepsItsBackslashesAndLosesItsQuotes) {
    const std::string program = test_support::program_path("console_child");
    EXPECT_EQ(run(program + " echo"), echoed({program, "echo"}));
    EXPECT_EQ(run("\"" + program + "\" echo"), echoed({program, "echo"}));
}

TEST_F(ConsoleProcessTest, BareProgramNameIsFoundBesideTheRunningProgram) {
    // The working directory is an empty temporary one, and the search path does not hold the
    // build folder: only the directory of the test program can supply console_child.
    EXPECT_EQ(run("console_child echo x"), echoed({"console_child", "echo", "x"}));
}

// Nobody quoted the program path, and it holds a blank: the program is still found, and gets
// the arguments that follow its path.
TEST_F(ConsoleProcessTest, UnquotedProgramPathWithBlanksIsFound) {
    const std::string folder = dir.file("my tools");
    ASSERT_TRUE(make_directory(folder));
    const std::string source = test_support::program_path("console_child");
    const std::string program =
        folder + path_separator + source.substr(source.rfind(path_separator) + 1);
    std::filesystem::copy_file(source, program);
    EXPECT_EQ(run(program + " echo  \"a b\""), echoed({program, "echo", "a b"}));
}

// File names on POSIX may hold double quotes and backslashes; neither may add or change an
// argument of the converter.
TEST_F(ConsoleProcessTest, PathsReachTheConverterExactly) {
    const std::string program = test_support::program_path("console_child");
    const PreparedCommand command =
        prepare_command({"T", program, "echo ${infile} ${outfile}", ""});
    const std::string inputs[] = {"a b.txt", "q\" -x \"uote", "\"", "back\\\"slash\\", "t\tab"};
    for (const auto& input : inputs) {
        SCOPED_TRACE(input);
        EXPECT_EQ(run(expand_command(command, input, "out\\")),
                  echoed({program, "echo", input, "out\\"}));
    }
}

TEST_F(ConsoleProcessTest, ConsoleTextArrivesByteForByte) {
    struct Row {
        const char* label;
        std::string act;
        std::string expected;
    };
    std::string letters;
    for (int i = 0; i < 5000; ++i) letters += static_cast<char>('a' + i % 26);
    const Row rows[] = {
        {"standard error interleaved in order", "stderr", "out 1\nerr\nout 2\n"},
        {"a chunk ends at its first NUL", "nul", "text"},
        {"UTF-16 text shows up to its first NUL", "utf16", "h"},
        {"exactly one full chunk", "bytes 1024", letters.substr(0, 1024)},
        {"one byte over a chunk", "bytes 1025", letters.substr(0, 1025)},
        {"several chunks", "bytes 5000", letters},
        {"nothing written", "silent", ""},
        {"standard input ends at once", "stdin", "stdin 0\n"},
        {"a grandchild holding the output is waited for", "grandchild",
         "child\ngrandchild\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(run(command(row.act)), row.expected);
    }
}

TEST_F(ConsoleProcessTest, AppendsToTheLogAsItStands) {
    ConversionLog log = "in -> out\r\n\tConsole:";
    run_console_process(command("echo"), dir.path(), log);
    EXPECT_EQ(log, "in -> out\r\n\tConsole:" +
                       echoed({test_support::program_path("console_child"), "echo"}));
}

TEST_F(ConsoleProcessTest, RunsInTheGivenWorkingDirectory) {
    EXPECT_EQ(run(command("cwd")), dir.path() + "\n");
}

TEST_F(ConsoleProcessTest, StartsThatCannotHappenAreReported) {
    test_support::write_file(dir.file("plain.txt"), "not a program");
    struct Row {
        const char* label;
        std::string line, work_dir;
    };
    const Row rows[] = {
        {"missing program", "\"" + dir.file("missing") + "\" x", dir.path()},
        {"unknown bare name", "brelo-no-such-program-here x", dir.path()},
        {"program is a directory", "\"" + dir.path() + "\" x", dir.path()},
        {"program is a plain file", "\"" + dir.file("plain.txt") + "\" x", dir.path()},
        {"empty command line", "", dir.path()},
        {"empty working directory", command("echo"), ""},
        {"missing working directory", command("echo"), dir.file("missing")},
        {"working directory is a file", command("echo"), dir.file("plain.txt")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ConversionLog log = "entry:";
        const ConverterEnd end = run_console_process(row.line, row.work_dir, log);
        EXPECT_EQ(log, "entry:Create process failed.\r\n");
        EXPECT_EQ(end.outcome, ConverterOutcome::NotStarted);
        EXPECT_FALSE(end.succeeded());
    }
}

// Each step of a start that the system can refuse leaves its own line, and nothing stays open:
// a failure at every step, many times over, must not use up the process's handles.
TEST_F(ConsoleProcessTest, EveryStartStepThatFailsIsReported) {
    const std::pair<StartResult, std::string> steps[] = {
        {StartResult::OutputPipeFailed, "Create STDOUT pipe failed.\r\n"},
        {StartResult::InputPipeFailed, "Create STDIN pipe failed.\r\n"},
        {StartResult::ProcessFailed, "Create process failed.\r\n"},
    };
    for (const auto& [step, line] : steps) {
        SCOPED_TRACE(line);
        for (int i = 0; i < 300; ++i) {
            fail_next_start(step);
            ConversionLog log;
            const ConverterEnd end = run_console_process(command("echo"), dir.path(), log);
            ASSERT_EQ(log, line);
            ASSERT_EQ(end.outcome, ConverterOutcome::NotStarted);
        }
    }
    // The failure is used up: the next start is a real one.
    EXPECT_EQ(run(command("exit 0")), "exit 0");
}

// The sleeping helper starts a sleeping child holding its output, writes a line and sleeps: the
// run returns at all only because that child is ended too. The grace time is only there to let
// the helper get as far as its line; without a line the result is the same but proves less.
// The grace time ends once the converter has said its line, whenever that is: the test waits on
// the converter, never on the clock.
ConverterEnd run_until_said(const std::string& line, const std::string& work_dir,
                            const std::string& said, ConversionLog& log, Event& stop) {
    Event* grace_over = create_event();
    ConverterWatch watch(&stop, std::chrono::hours(1), grace_over);
    const ConverterEnd end = run_console_process(
        line, work_dir,
        [&](const char* text, std::size_t length) {
            log.append(text, length);
            if (log.find(said) != std::string::npos) set_event(*grace_over);
        },
        watch);
    close_event(grace_over);
    return end;
}

TEST_F(ConsoleProcessTest, StopEndsTheConverterAndEverythingItStarted) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    set_event(*stop);
    ConversionLog log = "\tConsole:";
    const ConverterEnd end = run_until_said(command("sleep"), dir.path(), "sleeping\n", log, *stop);
    EXPECT_EQ(log, "\tConsole:sleeping\nConverter ended by Stop.\r\n");
    EXPECT_EQ(end.outcome, ConverterOutcome::EndedByStop);
    EXPECT_FALSE(end.succeeded());

    // With no grace time at all the converter is ended as soon as it runs.
    log = "\tConsole:";
    run_console_process(command("sleeper"), dir.path(), log, stop, std::chrono::milliseconds(0));
    EXPECT_EQ(log, "\tConsole:Converter ended by Stop.\r\n");

    close_event(stop);
}

#ifndef _WIN32
// A converter whose child escapes its group into a session of its own still holds the output
// pipe after the group is ended; the entry is finished all the same instead of waiting for it.
TEST_F(ConsoleProcessTest, StopFinishesTheEntryWhenAChildEscapedTheGroup) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    set_event(*stop);
    ConversionLog log;
    const auto start = std::chrono::steady_clock::now();
    const ConverterEnd end = run_until_said(command("escape"), dir.path(), "started\n", log, *stop);
    EXPECT_EQ(log, "started\nConverter ended by Stop.\r\n");
    EXPECT_EQ(end.outcome, ConverterOutcome::EndedByStop);
    // The escaped child holds the pipe for 30 seconds.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    close_event(stop);
}
#endif

// A converter that ends within its grace time ends as usual, and the runner returns as soon as
// it has: a watcher that missed the end would hold the test for ten minutes.
TEST_F(ConsoleProcessTest, ConverterEndingWithinGraceTimeIsNotMarked) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    set_event(*stop);
    ConversionLog log;
    run_console_process(command("stderr"), dir.path(), log, stop, std::chrono::minutes(10));
    EXPECT_EQ(log, "out 1\nerr\nout 2\n");
    reset_event(*stop);
    log.clear();
    run_console_process(command("grandchild"), dir.path(), log, stop, std::chrono::minutes(10));
    EXPECT_EQ(log, "child\ngrandchild\n");
    close_event(stop);
}

// One watch serves a whole run. Converters that end before Stop are left alone; once the grace
// time after Stop is over, the converter running then and every one started later are ended;
// and the end of the run ends the watch at once, also in the middle of a grace time.
TEST_F(ConsoleProcessTest, OneWatchServesEveryConverterOfARun) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    {
        ConverterWatch watch(stop, std::chrono::milliseconds(0));
        for (int i = 0; i < 3; ++i) {
            ConversionLog log;
            run_console_process(command("echo a"), dir.path(), log, watch);
            EXPECT_EQ(log, echoed({test_support::program_path("console_child"), "echo", "a"})) << i;
        }
        set_event(*stop);
        for (int i = 0; i < 2; ++i) {
            ConversionLog log;
            run_console_process(command("sleeper"), dir.path(), log, watch);
            EXPECT_EQ(log, "Converter ended by Stop.\r\n") << i;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    {
        ConverterWatch watch(stop, std::chrono::minutes(10));
        ConversionLog log;
        run_console_process(command("stderr"), dir.path(), log, watch);
        EXPECT_EQ(log, "out 1\nerr\nout 2\n");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
    close_event(stop);
}

// A converter that ends while a process it started goes on holding its output: the entry ends
// once the converter has, as its exit code says, instead of waiting for that process.
TEST_F(ConsoleProcessTest, ABackgroundProcessHoldingTheOutputDoesNotHoldTheRun) {
    const auto start = std::chrono::steady_clock::now();
    ConversionLog log;
    const ConverterEnd end = run_console_process(command("leave"), dir.path(), log);
    EXPECT_EQ(log, "left\n");
    EXPECT_EQ(end.outcome, ConverterOutcome::Exited);
    EXPECT_TRUE(end.succeeded());
    // The process left behind sleeps for ever.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// A converter past its time limit is ended with what it started and its entry says so; the
// watch's other converters are not touched.
TEST_F(ConsoleProcessTest, TimeLimitEndsOnlyTheConverterPastIt) {
    const auto start = std::chrono::steady_clock::now();
    ConverterWatch watch(nullptr, default_stop_grace, nullptr, std::chrono::seconds(1));
    for (const char* act : {"sleeper", "sleep"}) {
        SCOPED_TRACE(act);
        ConversionLog log = "\tConsole:";
        const ConverterEnd end = run_console_process(command(act), dir.path(), log, watch);
        EXPECT_EQ(end.outcome, ConverterOutcome::EndedByTimeLimit);
        EXPECT_FALSE(end.succeeded());
        const std::string said = std::string(act) == "sleep" ? "sleeping\n" : "";
        EXPECT_EQ(log, "\tConsole:" + said + "Converter ended after 1 seconds (time limit).\r\n");
    }
    ConversionLog log;
    const ConverterEnd end = run_console_process(command("exit 0"), dir.path(), log, watch);
    EXPECT_EQ(log, "exit 0");
    EXPECT_TRUE(end.succeeded());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(50));
    EXPECT_EQ(time_limit_line(90), "Converter ended after 90 seconds (time limit).\r\n");
}

// Whether a request to end reaches a converter. Wine delivers no Ctrl+Break to a process group
// (its console server takes Ctrl+C alone), so there only the forced end is seen.
bool polite_end_is_delivered() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
#else
    return true;
#endif
}

// A converter to be ended is asked first and may end by itself; one that does not is ended by
// force once the end grace is over.
TEST_F(ConsoleProcessTest, StopAsksTheConverterToEndBeforeEndingIt) {
    Event* stop = create_event();
    ASSERT_NE(stop, nullptr);
    set_event(*stop);
    const auto run_asked = [&](const std::string& act, const std::string& said,
                               std::chrono::milliseconds end_grace) {
        Event* grace_over = create_event();
        ConverterWatch watch(stop, std::chrono::hours(1), grace_over, std::chrono::seconds(0),
                        end_grace);
        ConversionLog log;
        const ConverterEnd end = run_console_process(
            command(act), dir.path(),
            [&](const char* text, std::size_t length) {
                log.append(text, length);
                if (log.find(said) != std::string::npos) set_event(*grace_over);
            },
            watch);
        close_event(grace_over);
        EXPECT_EQ(end.outcome, ConverterOutcome::EndedByStop);
        return std::string(log);
    };
    // Not ended by force for a minute: the request ends it long before.
    if (polite_end_is_delivered()) {
        EXPECT_EQ(run_asked("polite", "waiting\n", std::chrono::minutes(1)),
                  "waiting\nasked to end\nConverter ended by Stop.\r\n");
    }
    // It ignores the request; the log may or may not have its answer before it is ended.
    const std::string stubborn = run_asked("stubborn", "stubborn\n", std::chrono::milliseconds(300));
    EXPECT_EQ(stubborn.rfind("stubborn\n", 0), 0u) << stubborn;
    const std::string end_line = "Converter ended by Stop.\r\n";
    ASSERT_GE(stubborn.size(), end_line.size());
    EXPECT_EQ(stubborn.substr(stubborn.size() - end_line.size()), end_line);
    close_event(stop);
}

// How the converter ended is read, and an exit code other than 0 gets a line of its own after
// the converter's text; a converter that succeeds leaves its text alone.
TEST_F(ConsoleProcessTest, ExitCodeIsReportedAndLogged) {
    const struct {
        const char* act;
        unsigned long code;
        const char* log;
    } rows[] = {
        {"exit 0", 0, "exit 0"},
        {"exit 1", 1, "exit 1\r\nConverter exited with code 1.\r\n"},
        {"exit 255", 255, "exit 255\r\nConverter exited with code 255.\r\n"},
        {"unknown-act", 2, nullptr},
        {"silent", 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.act);
        ConversionLog log;
        const ConverterEnd end = run_console_process(command(row.act), dir.path(), log);
        EXPECT_EQ(end.outcome, ConverterOutcome::Exited);
        EXPECT_TRUE(end.exit.known);
        EXPECT_FALSE(end.exit.by_signal);
        EXPECT_EQ(end.exit.code, row.code);
        EXPECT_EQ(end.succeeded(), row.code == 0);
        if (row.log) {
            EXPECT_EQ(log, row.log);
        } else {
            // Text that ends its own line gets no extra line end before the exit line.
            EXPECT_NE(log.find("]\nConverter exited with code 2.\r\n"), std::string::npos);
        }
    }
}

TEST(ExitLine, SaysHowTheConverterEnded) {
    EXPECT_EQ(exit_line(ChildExit{true, false, 0}), "");
    EXPECT_EQ(exit_line(ChildExit{true, false, 3}), "Converter exited with code 3.\r\n");
    // Windows reports a crash as a status code, known by its hexadecimal form.
    EXPECT_EQ(exit_line(ChildExit{true, false, 0xC0000005ul}),
              "Converter exited with code 3221225477 (0xC0000005).\r\n");
    EXPECT_EQ(exit_line(ChildExit{true, true, 9}), "Converter ended by signal 9.\r\n");
    EXPECT_EQ(exit_line(ChildExit{}), "The converter's exit code could not be read.\r\n");
}

}  // namespace
