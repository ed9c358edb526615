// The batch run over real directories, with a real converter process.
#include "engine/batch_run.h"

#include <filesystem>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "engine/held_text.h"
#include "engine/pattern_set.h"
#include "engine/run_plan.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/platform.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

Converter echo_converter() {
    return Converter{"Echo", program_path("console_child"), "echo-out ${infile} ${outfile}",
                     "${location}"};
}

// What the echo converter leaves in the log for one file.
std::string echo_entry(const std::string& input, const std::string& output) {
    return input + " -> " + output + "\r\n\tConsole:[" + program_path("console_child") +
           "]\n[echo-out]\n[" + input + "]\n[" + output + "]\n\r\n";
}

std::string header() { return "[Converter - Echo]:\r\n\r\n"; }

std::string total(int count) {
    return "\r\nTotal " + std::to_string(count) + " Files are converted.\r\n";
}

std::string under(const TempDir& root, std::initializer_list<const char*> parts) {
    std::string path = root.path();
    for (const char* part : parts) path = join_path(path, part);
    return path;
}

// Keeps what a view of the log would show, and every event in order.
struct RecordedRun : LogTextEvents {
    std::string text;
    std::vector<std::string> events;
    std::vector<std::string> pieces;  // every piece of the log after the header, in order
    std::function<void(const std::string&)> on_file_started;
    std::function<void(const std::string&)> on_console_text;
    int total = -1;

    void file_started(const std::string& input, const std::string& output,
                      const std::string& piece) override {
        events.push_back("start " + input + " | " + output);
        LogTextEvents::file_started(input, output, piece);
        if (on_file_started) on_file_started(input);
    }
    void console_text(const std::string& piece) override {
        LogTextEvents::console_text(piece);
        if (on_console_text) on_console_text(piece);
    }
    void file_ended(const std::string& piece) override {
        events.push_back("end");
        LogTextEvents::file_ended(piece);
    }
    void finished(int files, const std::string& piece) override {
        total = files;
        LogTextEvents::finished(files, piece);
    }

protected:
    void replace_text(const std::string& t) override {
        text = t;
        pieces.clear();
    }
    void append_text(const std::string& t) override {
        text += t;
        pieces.push_back(t);
    }
};

class BatchRunTest : public ::testing::Test {
protected:
    TempDir in;
    TempDir out;
    RunControl control;
    Event* stop = nullptr;

    void SetUp() override {
        stop = create_event();
        ASSERT_TRUE(stop);
        control.stop = stop;
    }
    void TearDown() override { close_event(stop); }

    std::optional<int> jobs;

    RunResult run(RecordedRun& w, const RunSettings& settings,
                  std::optional<Converter> converter = echo_converter()) {
        RunRequest request;
        request.settings = settings;
        request.converter = converter;
        request.jobs = jobs;
        return run_batch(check_request(request), w, control);
    }
};

TEST_F(BatchRunTest, NoMatchGivesHeaderTotalAndStampOnly) {
    make_file(in, "sub/a.dat");
    RecordedRun w;
    const RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    EXPECT_TRUE(run(w, settings).ran);
    EXPECT_EQ(without_time_stamp(w.text), header() + total(0));
    EXPECT_FALSE(folder_exists(out, "sub"));
    EXPECT_FALSE(is_event_set(*stop));
}

TEST_F(BatchRunTest, OutputFoldersOnlyWhereMatchesLieOuterBeforeInner) {
    make_file(in, "a/b/c.txt");
    make_file(in, "empty/x.dat");
    make_folder(in, "bare");
    RecordedRun w;
    const RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    EXPECT_TRUE(run(w, settings).ran);
    // Only one level is made at a time, so b exists only if a was made before it.
    EXPECT_TRUE(folder_exists(out, "a/b"));
    EXPECT_FALSE(folder_exists(out, "empty"));
    EXPECT_FALSE(folder_exists(out, "bare"));
    EXPECT_EQ(without_time_stamp(w.text),
              header() +
                  echo_entry(under(in, {"a", "b", "c.txt"}), under(out, {"a", "b", "c.txt"})) +
                  total(1));
}

TEST_F(BatchRunTest, SubfoldersOffNeitherEntersNorCreates) {
    make_file(in, "x.txt");
    make_file(in, "sub/y.txt");
    RecordedRun w;
    const RunSettings settings = settings_for(in.path(), "*.txt", out.path(), "${prefix}.${suffix}",
                                                  false);
    EXPECT_TRUE(run(w, settings).ran);
    EXPECT_EQ(without_time_stamp(w.text),
              header() + echo_entry(under(in, {"x.txt"}), under(out, {"x.txt"})) + total(1));
    EXPECT_FALSE(folder_exists(out, "sub"));
}

TEST_F(BatchRunTest, FailedStartIsLoggedAndCounted) {
    make_file(in, "a.txt");
    RecordedRun w;
    const RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    Converter missing{"Echo", in.file("no-such-program"), "${infile} ${outfile}", "${location}"};
    EXPECT_TRUE(run(w, settings, missing).ran);
    EXPECT_EQ(without_time_stamp(w.text),
              header() + under(in, {"a.txt"}) + " -> " + under(out, {"a.txt"}) +
                  "\r\n\tConsole:Create process failed.\r\n\r\n" + total(1) +
                  "1 of them failed.\r\n");
}

TEST_F(BatchRunTest, OutputDirectoryInsideTheInputIsNotWalked) {
    make_file(in, "a.txt");
    make_file(in, "out/old.txt");
    const std::string output = join_path(in.path(), "out");
    RecordedRun w;
    const RunSettings settings = settings_for(in.path(), "*.txt", output);
    EXPECT_TRUE(run(w, settings).ran);
    EXPECT_EQ(without_time_stamp(w.text),
              header() + echo_entry(under(in, {"a.txt"}), join_path(output, "a.txt")) + total(1));
    EXPECT_FALSE(folder_exists(in, "out/out"));
}

// A 147-character name that the patterns match is converted, however many stars they have.
TEST_F(BatchRunTest, ManyStarsStillMatchLongNames) {
    const std::string name = std::string(40, 'x') + "_" + std::string(40, 'y') + "_" +
                             std::string(40, 'z') + "_w-final" + std::string(17, 'v');
    ASSERT_EQ(name.size(), 147u);
    make_file(in, "sub/" + name);
    RecordedRun w;
    EXPECT_TRUE(run(w, settings_for(in.path(), "*_*_*_*-final*", out.path())).ran);
    const std::string input = under(in, {"sub", name.c_str()});
    // The name has no dot, so its output name ends in one, which Windows would drop: there the
    // file is refused before its converter starts.
    const std::string output = under(out, {"sub", name.c_str()}) + ".";
    EXPECT_EQ(without_time_stamp(w.text),
              header() +
                  (windows_file_names ? input + " -> " + output + "\r\n\tConsole:" +
                                            output_name_ends_text + "\r\n\r\n" + total(1) +
                                            "1 of them failed.\r\n"
                                      : echo_entry(input, output) + total(1)));
}

TEST_F(BatchRunTest, FailedCheckGivesItsNoticeAndNothingToRemember) {
    RecordedRun w;
    const RunResult result = run(w, settings_for(in.file("missing"), "*.txt", out.path()));
    EXPECT_FALSE(result.ran);
    EXPECT_EQ(result.remembered.input_patterns, "");
    EXPECT_EQ(without_time_stamp(w.text),
              notice_text("Input", "Input Directory",
                          "\"" + in.file("missing") + "\" is not a valid directory."));
    EXPECT_TRUE(w.events.empty());
    EXPECT_EQ(w.total, -1);

    RecordedRun bad_output;
    EXPECT_FALSE(run(bad_output, settings_for(in.path(), "*.txt", out.path(), "a/b")).ran);
    EXPECT_EQ(without_time_stamp(bad_output.text),
              notice_text("Output", "File Patterns", "File Pattern can't be \\ / : * ? \" < > |"));
}

TEST_F(BatchRunTest, NoConverterSelectedEndsWithANotice) {
    make_file(in, "a.txt");
    RecordedRun w;
    set_event(*stop);
    EXPECT_FALSE(run(w, settings_for(in.path(), "*.txt", out.path()), std::nullopt).ran);
    EXPECT_EQ(without_time_stamp(w.text),
              notice_text("Converter", "Run", "No converter is selected."));
    EXPECT_FALSE(is_event_set(*stop));
    EXPECT_FALSE(path_exists(out.file("a.txt")));
}

// Each piece arrives once, in order, when it happens: a view appends it and never needs the
// whole log again. The entry's start comes before its converter runs, its end after.
TEST_F(BatchRunTest, EventsCarryEachPieceOnceInWalkOrder) {
    make_file(in, "a.txt");
    make_file(in, "sub/b.txt");
    RecordedRun w;
    std::vector<bool> output_folder_there;
    w.on_file_started = [&](const std::string&) {
        output_folder_there.push_back(folder_exists(out, "sub"));
    };
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()));
    ASSERT_TRUE(result.ran);
    EXPECT_EQ(result.total, 2);
    EXPECT_EQ(w.total, 2);
    std::string joined = header();
    for (const std::string& piece : w.pieces) joined += piece;
    EXPECT_EQ(joined, w.text);
    const std::string a = under(in, {"a.txt"});
    const std::string b = under(in, {"sub", "b.txt"});
    const std::vector<std::string> either[] = {
        {"start " + a + " | " + under(out, {"a.txt"}), "end",
         "start " + b + " | " + under(out, {"sub", "b.txt"}), "end"},
        {"start " + b + " | " + under(out, {"sub", "b.txt"}), "end",
         "start " + a + " | " + under(out, {"a.txt"}), "end"},
    };
    EXPECT_TRUE(w.events == either[0] || w.events == either[1]);
    // The sub-folder's output folder exists before its file's converter starts.
    const bool sub_first = w.events == either[1];
    ASSERT_EQ(output_folder_there.size(), 2u);
    EXPECT_TRUE(output_folder_there[sub_first ? 0 : 1]);
    EXPECT_EQ(result.remembered.input_directory, in.path());
    EXPECT_EQ(result.remembered.output_pattern, "${prefix}.${suffix}");
}

TEST_F(BatchRunTest, StopBetweenFilesEndsTheWalk) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) make_file(in, name);
    RecordedRun w;
    w.on_file_started = [&](const std::string&) { set_event(*stop); };
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()));
    const std::string log = without_time_stamp(w.text);
    const std::string end = total(1) + "Stopped: 3 matching files were not started.\r\n";
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
    EXPECT_EQ(log.find(" -> "), log.rfind(" -> "));
    EXPECT_FALSE(is_event_set(*stop));
    // A stopped run ends like a complete one, with the values it was started with.
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.total, 1);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.not_started, 3);
    EXPECT_FALSE(result.all_converted());
    EXPECT_EQ(result.remembered.output_pattern, "${prefix}.${suffix}");
}

TEST_F(BatchRunTest, ConverterStillRunningAfterStopIsEnded) {
    make_file(in, "sub/a.txt");
    make_file(in, "sub/b.txt");
    RecordedRun w;
    Converter sleeper{"Echo", program_path("console_child"), "sleep ${infile}", "${location}"};
    // Stop comes while the first converter runs; its grace time ends once it has said its line.
    Event* grace_over = create_event();
    control.grace_over = grace_over;
    w.on_console_text = [&](const std::string& text) {
        if (text.find("sleeping") == std::string::npos) return;
        set_event(*stop);
        set_event(*grace_over);
    };
    run(w, settings_for(in.path(), "*.txt", out.path()), sleeper);
    close_event(grace_over);
    const std::string log = without_time_stamp(w.text);
    EXPECT_NE(log.find("\r\n\tConsole:sleeping\n" + std::string(ended_by_stop_text) + "\r\n" +
                       total(1)),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(" -> "), log.rfind(" -> "));
}

// Files whose converter exits with a code other than 0 are counted as failed and say their
// code; the entries of those that converted stay exactly as they were.
TEST_F(BatchRunTest, FailuresAmongSuccessesAreCountedAndTold) {
    const std::pair<const char*, const char*> files[] = {
        {"a.txt", "0"}, {"b.txt", "1"}, {"c.txt", "0"}, {"d.txt", "7"}};
    for (const auto& [name, code] : files) make_file(in, name, code);
    Converter judge{"Echo", program_path("console_child"), "exitfile ${infile}", "${location}"};
    RecordedRun w;
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()), judge);
    EXPECT_EQ(result.total, 4);
    EXPECT_EQ(result.failed, 2);
    EXPECT_FALSE(result.stopped);
    EXPECT_FALSE(result.all_converted());
    const std::string log = without_time_stamp(w.text);
    for (const auto& [name, code] : files) {
        SCOPED_TRACE(name);
        const std::string entry = under(in, {name}) + " -> " + under(out, {name}) +
                                  "\r\n\tConsole:" +
                                  (std::string(code) == "0"
                                       ? std::string()
                                       : "Converter exited with code " + std::string(code) +
                                             ".\r\n") +
                                  "\r\n";
        EXPECT_NE(log.find(entry), std::string::npos) << log;
    }
    const std::string end = total(4) + "2 of them failed.\r\n";
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
}

TEST_F(BatchRunTest, EverythingConvertedEndsWithTheTotalAlone) {
    make_file(in, "a.txt", "0");
    Converter judge{"Echo", program_path("console_child"), "exitfile ${infile}", "${location}"};
    RecordedRun w;
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()), judge);
    EXPECT_TRUE(result.all_converted());
    EXPECT_EQ(without_time_stamp(w.text), header() + under(in, {"a.txt"}) + " -> " +
                                              under(out, {"a.txt"}) + "\r\n\tConsole:\r\n" +
                                              total(1));
}

// A folder deeper than the system can list gets a line at its place and counts as a failure;
// the files around it still convert.
TEST_F(BatchRunTest, FolderThatCannotBeListedIsToldAndCounted) {
    make_file(in, "a.txt");
    const int depth = make_too_deep_folders(in.path());
    ASSERT_GT(depth, 0);
    RecordedRun w;
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()));
    remove_too_deep_folders(in.path());
    EXPECT_EQ(result.total, 1);
    EXPECT_EQ(result.unreadable_folders, 1);
    EXPECT_FALSE(result.all_converted());
    const std::string log = without_time_stamp(w.text);
    EXPECT_EQ(log.find("deep.txt"), std::string::npos);
    const std::string line = "\r\n\tThe folder could not be read.\r\n";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line), log.rfind(line));
    const std::string end = total(1) + "1 folder could not be read.\r\n";
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
}

// Relative folders mean the same to a converter whose working directory is elsewhere: it gets
// them resolved, while the log shows them as typed.
TEST_F(BatchRunTest, RelativeFoldersReachTheConverterResolved) {
    make_file(in, "sub/a.txt");
    make_folder(in, "out");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(in.path());
    RecordedRun w;
    const std::string input = "." + std::string(1, path_separator) + "sub";
    const RunResult result = run(w, settings_for(input, "*.txt", "out"));
    std::filesystem::current_path(previous);
    ASSERT_TRUE(result.ran);
    EXPECT_EQ(result.failed, 0);
    const std::string log = without_time_stamp(w.text);
    const std::string shown_in = join_path(input, "a.txt");
    const std::string shown_out = join_path("out", "a.txt");
    EXPECT_EQ(log, header() + shown_in + " -> " + shown_out + "\r\n\tConsole:[" +
                       program_path("console_child") + "]\n[echo-out]\n[" +
                       under(in, {"sub", "a.txt"}) + "]\n[" + under(in, {"out", "a.txt"}) +
                       "]\n\r\n" + total(1));
}

// Converters side by side give the log one at a time gives, byte for byte: entries in walk order
// whatever order the converters end in.
TEST_F(BatchRunTest, SideBySideLogEqualsOneAtATime) {
    std::mt19937 random(1207);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TempDir input;
        TempDir output;
        for (int i = 0; i < 30; ++i) {
            std::string path;
            const int depth = std::uniform_int_distribution<int>(0, 2)(random);
            for (int d = 0; d < depth; ++d) {
                path += std::string(1, static_cast<char>('a' + std::uniform_int_distribution<int>(0, 2)(random))) + "/";
            }
            make_file(input, path + "f" + std::to_string(i) + (i % 4 ? ".txt" : ".dat"));
        }
        Converter jitter{"Echo", program_path("console_child"), "jitter ${infile} ${outfile}",
                         "${location}"};
        const RunSettings settings = settings_for(input.path(), "*.txt", output.path());
        RecordedRun one;
        jobs = 1;
        const RunResult sequential = run(one, settings, jitter);
        for (int at_once : {2, 4, 7}) {
            SCOPED_TRACE(at_once);
            RecordedRun side;
            jobs = at_once;
            const RunResult parallel = run(side, settings, jitter);
            EXPECT_EQ(without_time_stamp(side.text), without_time_stamp(one.text));
            EXPECT_EQ(side.events, one.events);
            EXPECT_EQ(parallel.total, sequential.total);
        }
        EXPECT_GT(sequential.total, 15);
    }
}

// Entries that run no converter, skipped files and folders that cannot be listed, keep their
// place in the walk when converters run side by side, behind slower ones.
TEST_F(BatchRunTest, SideBySideSkippedAndUnreadableKeepTheirPlace) {
    // One folder, so that skipped files lie among converted ones whatever order it lists in,
    // and the folder too deep to list comes after all of them.
    for (int i = 0; i < 24; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        make_file(in, name);
        if (i % 3 == 1) {
            make_file(out, name);
            std::filesystem::last_write_time(
                out.file(name), std::filesystem::last_write_time(in.file(name)) +
                                    std::chrono::hours(1));
        }
    }
    ASSERT_GT(make_too_deep_folders(in.path()), 0);
    Converter jitter{"Echo", program_path("console_child"), "jitter ${infile} ${outfile}",
                     "${location}"};
    RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    settings.skip_up_to_date = true;
    RecordedRun one;
    jobs = 1;
    const RunResult sequential = run(one, settings, jitter);
    for (int at_once : {2, 4}) {
        SCOPED_TRACE(at_once);
        RecordedRun side;
        jobs = at_once;
        const RunResult parallel = run(side, settings, jitter);
        EXPECT_EQ(without_time_stamp(side.text), without_time_stamp(one.text));
        EXPECT_EQ(side.events, one.events);
        EXPECT_EQ(parallel.skipped, sequential.skipped);
        EXPECT_EQ(parallel.unreadable_folders, 1);
    }
    remove_too_deep_folders(in.path());
    EXPECT_EQ(sequential.skipped, 8);
    EXPECT_EQ(sequential.total, 16);
}

TEST_F(BatchRunTest, ConvertersAtOnceComeFromTheRequestOrTheConverter) {
    RunRequest request;
    EXPECT_EQ(converters_at_once(request), 1);
    Converter converter;
    converter.parallel = 3;
    request.converter = converter;
    EXPECT_EQ(converters_at_once(request), 3);
    request.jobs = 2;
    EXPECT_EQ(converters_at_once(request), 2);
    request.jobs = 0;
    EXPECT_GE(converters_at_once(request), 1);
    request.jobs = -5;
    EXPECT_EQ(converters_at_once(request), 1);
}

// After Stop no converter starts: every converter that ran made its output, and every matching
// file is either converted or counted as not started.
TEST_F(BatchRunTest, StopSideBySideStartsNothingMoreAndCountsRight) {
    for (int i = 0; i < 40; ++i) make_file(in, "f" + std::to_string(i) + ".txt");
    Converter toucher{"Echo", program_path("console_child"), "touch ${outfile}", "${location}"};
    RecordedRun w;
    int delivered = 0;
    w.on_file_started = [&](const std::string&) {
        if (++delivered == 3) set_event(*stop);
    };
    jobs = 4;
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()), toucher);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.total + result.not_started, 40);
    EXPECT_LT(result.total, 40);
    EXPECT_EQ(result.failed, 0);
    std::size_t outputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
        (void)entry;
        ++outputs;
    }
    EXPECT_EQ(outputs, static_cast<std::size_t>(result.total));
    const std::string log = without_time_stamp(w.text);
    EXPECT_NE(log.find("Stopped: " + std::to_string(result.not_started)), std::string::npos) << log;
}

// Inputs that give one output name: the first in walk order converts, each later one fails
// with a line naming the first, side by side as one at a time. With skipping on, a later run
// skips the first, whose output is up to date, and fails the others again.
TEST_F(BatchRunTest, InputsSharingAnOutputNameConvertTheFirstOnly) {
    // sub/a.txt has an output name of its own, in its own folder.
    for (const char* name : {"a.txt", "a.dat", "b.txt", "b.dat", "sub/a.txt", "sub/c.txt",
                             "sub/c.dat"})
        make_file(in, name);
    Converter appender{"Echo", program_path("console_child"), "append ${outfile} ${infile}",
                       "${location}"};
    RunSettings settings = settings_for(in.path(), "*", out.path(), "${prefix}.out");
    for (const int at_once : {1, 6}) {
        SCOPED_TRACE(at_once);
        TempDir target;
        settings.output_directory = target.path();
        settings.skip_up_to_date = false;
        RecordedRun w;
        jobs = at_once;
        const RunResult result = run(w, settings, appender);
        EXPECT_EQ(result.total, 7);
        EXPECT_EQ(result.failed, 3);
        EXPECT_EQ(read_file(under(target, {"sub", "a.out"})),
                  "begin " + under(in, {"sub", "a.txt"}) + "\nend " + under(in, {"sub", "a.txt"}) +
                      "\n");
        for (const std::string& stem : std::vector<std::string>{"a", "b", join_path("sub", "c")}) {
            SCOPED_TRACE(stem);
            const std::string output = target.file(stem + ".out");
            const std::string text = read_file(output);
            const std::string first = text.substr(6, text.find('\n') - 6);
            const std::string txt = in.file(stem + ".txt");
            const std::string dat = in.file(stem + ".dat");
            const std::string second = first == txt ? dat : txt;
            EXPECT_EQ(text, "begin " + first + "\nend " + first + "\n");
            EXPECT_NE(w.text.find(second + " -> " + output +
                                  "\r\n\tConsole:The output name is also that of " + first +
                                  ".\r\n\r\n"),
                      std::string::npos)
                << w.text;
            EXPECT_LT(w.text.find(first + " -> "), w.text.find(second + " -> "));
        }
        const std::string end = total(7) + "3 of them failed.\r\n";
        const std::string log = without_time_stamp(w.text);
        EXPECT_EQ(log.substr(log.size() - end.size()), end);

        settings.skip_up_to_date = true;
        RecordedRun again;
        const RunResult second = run(again, settings, appender);
        EXPECT_EQ(second.skipped, 4);
        EXPECT_EQ(second.total, 3);
        EXPECT_EQ(second.failed, 3);
    }
}

// A converter that fails (exit code or Stop) leaves no output that a later run with skipping on
// takes as up to date: what it created or changed is set older than its input. An output it did
// not touch stays as it was, time and all.
TEST_F(BatchRunTest, BrokenOutputIsNeverTakenAsUpToDate) {
    namespace fs = std::filesystem;
    const Converter half{"Echo", program_path("console_child"), "half ${outfile}", "${location}"};
    const Converter refuses{"Echo", program_path("console_child"), "exit 1 ${outfile}",
                            "${location}"};
    struct Row {
        const char* label;
        bool output_before;  // an output newer than the input exists before the run
        const Converter& converter;
        bool output_kept;  // the output is the one from before, untouched
    };
    const Row rows[] = {
        {"created, then exit code 1", false, half, false},
        {"changed, then exit code 1", true, half, false},
        {"untouched, exit code 1", true, refuses, true},
    };
    const auto hour_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const int at_once : {1, 2}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.label) + ", jobs " + std::to_string(at_once));
            TempDir input;
            TempDir output;
            make_file(input, "a.txt");
            fs::last_write_time(input.file("a.txt"), hour_ago);
            if (row.output_before) make_file(output, "a.txt", "mine, all of it");
            RunSettings settings = settings_for(input.path(), "*.txt", output.path());
            long long before = 0;
            file_modified_time(output.file("a.txt"), before);
            jobs = at_once;
            RecordedRun w;
            EXPECT_EQ(run(w, settings, row.converter).failed, 1);
            long long input_time = 0;
            long long output_time = 0;
            ASSERT_TRUE(file_modified_time(input.file("a.txt"), input_time));
            ASSERT_TRUE(file_modified_time(output.file("a.txt"), output_time));
            if (row.output_kept) {
                EXPECT_EQ(output_time, before);
                EXPECT_EQ(read_file(output.file("a.txt")), "mine, all of it");
            } else {
                EXPECT_LT(output_time, input_time);
                EXPECT_EQ(read_file(output.file("a.txt")), "half");
            }
            settings.skip_up_to_date = true;
            RecordedRun next;
            const RunResult again = run(next, settings, row.converter);
            EXPECT_EQ(again.skipped, row.output_kept ? 1 : 0);
            EXPECT_EQ(again.failed, row.output_kept ? 0 : 1);
        }
    }
}

TEST_F(BatchRunTest, OutputOfAConverterEndedByStopIsNotUpToDate) {
    make_file(in, "a.txt");
    std::filesystem::last_write_time(
        in.file("a.txt"), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    const Converter hangs{"Echo", program_path("console_child"), "half-hang ${outfile}",
                          "${location}"};
    RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    settings.skip_up_to_date = true;
    Event* grace_over = create_event();
    control.grace_over = grace_over;
    RecordedRun w;
    w.on_console_text = [&](const std::string& text) {
        if (text.find("writing") == std::string::npos) return;
        set_event(*stop);
        set_event(*grace_over);
    };
    const RunResult result = run(w, settings, hangs);
    close_event(grace_over);
    control.grace_over = nullptr;
    EXPECT_EQ(result.failed, 1);
    EXPECT_NE(w.text.find(ended_by_stop_text), std::string::npos) << w.text;
    long long input_time = 0;
    long long output_time = 0;
    ASSERT_TRUE(file_modified_time(in.file("a.txt"), input_time));
    ASSERT_TRUE(file_modified_time(out.file("a.txt"), output_time));
    EXPECT_LT(output_time, input_time);
    RecordedRun next;
    const Converter refuses{"Echo", program_path("console_child"), "exit 1", "${location}"};
    EXPECT_EQ(run(next, settings, refuses).skipped, 0);
}

// A converter that exits with 0 but leaves no file at the output path it was given fails, with a
// line of its own after its text; one not given the output path is not asked for a file.
TEST_F(BatchRunTest, ConverterThatWritesNoOutputFails) {
    struct Row {
        const char* label;
        const char* arguments;
        bool output_before;
        std::string console;
        bool failed;
    };
    const Row rows[] = {
        {"silent", "silent ${infile} ${outfile}", false, "Converter wrote no output.\r\n", true},
        {"text without a line end", "exit 0 ${outfile}", false,
         "exit 0\r\nConverter wrote no output.\r\n", true},
        {"no output path given", "silent ${infile}", false, "", false},
        {"the output exists", "silent ${infile} ${outfile}", true, "", false},
    };
    for (const int at_once : {1, 2}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.label) + ", jobs " + std::to_string(at_once));
            TempDir input;
            TempDir output;
            make_file(input, "a.txt");
            if (row.output_before) make_file(output, "a.txt");
            jobs = at_once;
            RecordedRun w;
            const Converter converter{"Echo", program_path("console_child"), row.arguments,
                                      "${location}"};
            const RunResult result =
                run(w, settings_for(input.path(), "*.txt", output.path()), converter);
            EXPECT_EQ(result.failed, row.failed ? 1 : 0);
            EXPECT_EQ(without_time_stamp(w.text),
                      header() + input.file("a.txt") + " -> " + output.file("a.txt") +
                          "\r\n\tConsole:" + row.console + "\r\n" + total(1) +
                          (row.failed ? "1 of them failed.\r\n" : ""));
        }
    }
}

// An entry held behind a slower one keeps its console text in a file beyond a bound, so the run
// holds a bounded part of it in memory; the view still receives every byte, in order, in
// pieces no larger than the file's.
TEST_F(BatchRunTest, SideBySideLongConsoleTextArrivesWholeInBoundedPieces) {
    make_file(in, "a.txt");
    make_file(in, "b.txt");
    constexpr long size = 3 * 1024 * 1024 + 17;
    const Converter chatty{"Echo", program_path("console_child"),
                           "bytes " + std::to_string(size) + " ${outfile}", "${location}"};
    std::string expected;
    for (long i = 0; i < size; ++i) expected += static_cast<char>('a' + i % 26);
    jobs = 2;
    RecordedRun w;
    std::size_t largest = 0;
    std::string a_text;
    std::string* current = nullptr;
    std::vector<std::string> texts;
    w.on_file_started = [&](const std::string&) {
        texts.emplace_back();
        current = &texts.back();
    };
    w.on_console_text = [&](const std::string& piece) {
        largest = std::max(largest, piece.size());
        *current += piece;
    };
    const RunResult result = run(w, settings_for(in.path(), "*.txt", out.path()), chatty);
    EXPECT_EQ(result.total, 2);
    ASSERT_EQ(texts.size(), 2u);
    for (const std::string& text : texts) {
        // The converter was given an output but writes none.
        EXPECT_EQ(text, expected + "\r\nConverter wrote no output.\r\n");
    }
    EXPECT_LE(largest, HeldText::piece_size);
}

// A file is skipped when its output exists and is not older than it; a skipped file has a short
// entry and its own count, and is neither converted nor failed.
TEST_F(BatchRunTest, UpToDateOutputsAreSkipped) {
    for (const char* name : {"new.txt", "old.txt", "none.txt"}) make_file(in, name);
    make_file(out, "new.txt");
    make_file(out, "old.txt");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(in.file("new.txt"), now - std::chrono::hours(2));
    std::filesystem::last_write_time(out.file("new.txt"), now - std::chrono::hours(1));
    std::filesystem::last_write_time(in.file("old.txt"), now - std::chrono::hours(1));
    std::filesystem::last_write_time(out.file("old.txt"), now - std::chrono::hours(2));
    RunSettings settings = settings_for(in.path(), "*.txt", out.path());
    settings.skip_up_to_date = true;
    // It writes no output, so each run finds the outputs as they were made here.
    const Converter echo{"Echo", program_path("console_child"), "echo ${infile}", "${location}"};
    for (const std::optional<int> at_once : {std::optional<int>(1), std::optional<int>(3)}) {
        jobs = at_once;
        RecordedRun w;
        const RunResult result = run(w, settings, echo);
        EXPECT_EQ(result.total, 2);
        EXPECT_EQ(result.skipped, 1);
        EXPECT_TRUE(result.all_converted());
        const std::string log = without_time_stamp(w.text);
        EXPECT_NE(log.find(under(in, {"new.txt"}) + " -> " + under(out, {"new.txt"}) +
                           "\r\n\tSkipped: the output is up to date.\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find(under(in, {"new.txt"}) + " -> " + under(out, {"new.txt"}) + "\r\n\tConsole:"),
                  std::string::npos);
        const std::string end = total(2) + "1 file was skipped: their output was up to date.\r\n";
        EXPECT_EQ(log.substr(log.size() - end.size()), end);
    }
    // Without the setting every file converts, as before.
    settings.skip_up_to_date = false;
    RecordedRun all;
    EXPECT_EQ(run(all, settings, echo).total, 3);
}

// The count before a run is what the run meets: the same patterns, subfolders only when asked
// for, never the output directory inside the input, up-to-date files too (they are met and
// skipped), and nothing when the input check fails.
TEST_F(BatchRunTest, CountOfMatchingFilesIsWhatTheRunMeets) {
    for (const char* name : {"a.txt", "b.TXT", "c.dat", "sub/d.txt", "sub/deeper/e.txt",
                             "out/f.txt"})
        make_file(in, name);
    const std::string output = under(in, {"out"});
    struct Row {
        const char* label;
        RunSettings settings;
        int count;
    };
    RunSettings flat = settings_for(in.path(), "*.txt", out.path(), "${prefix}.${suffix}",
                                        false);
    RunSettings skipping = settings_for(in.path(), "*.txt", output);
    skipping.skip_up_to_date = true;
    const Row rows[] = {
        {"subfolders, output inside the input", settings_for(in.path(), "*.txt", output), 4},
        {"without subfolders", flat, 2},
        {"two patterns", settings_for(in.path(), "*.txt|*.dat", output), 5},
        {"skipping up-to-date files", skipping, 4},
        {"missing input", settings_for(in.file("missing"), "*.txt", out.path()), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        RunRequest request;
        request.settings = row.settings;
        const MatchCount count = count_matching_files(check_request(request), control.stop);
        EXPECT_EQ(count.whole, row.count);
        EXPECT_EQ(count.mine, row.count);
    }
    // A part of a sharded run counts its own files, places 0 and 3 of the 4, beside the whole.
    RunRequest sharded;
    sharded.settings = rows[0].settings;
    sharded.shard = RunShard{1, 3};
    const MatchCount part = count_matching_files(check_request(sharded), control.stop);
    EXPECT_EQ(part.whole, 4);
    EXPECT_EQ(part.mine, 2);
    RecordedRun w;
    const RunResult result = run(w, rows[0].settings);
    EXPECT_EQ(result.total, rows[0].count);
}

}  // namespace

// Keep Times: each converted file's output gets its input's time, side by side too; an equal
// time is up to date, so with skipping the next run converts only the file that failed.
TEST_F(BatchRunTest, KeptTimesMakeOutputsUpToDate) {
    // "exitfile" exits with the number its input holds and writes nothing: the outputs the
    // converted files need exist beforehand.
    const Converter exit_code{"Exit", program_path("console_child"),
                              "exitfile ${infile} ${outfile}", "${location}"};
    const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::hours(3);
    for (const std::optional<int> at_once : {std::optional<int>(1), std::optional<int>(3)}) {
        SCOPED_TRACE(at_once ? *at_once : 0);
        TempDir input;
        TempDir output;
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            make_file(input, name, "0");
            std::filesystem::last_write_time(input.file(name), then);
            make_file(output, name, "made now");
        }
        make_file(input, "bad.txt", "3");
        RunSettings settings = settings_for(input.path(), "*.txt", output.path());
        settings.keep_times = true;
        jobs = at_once;
        RecordedRun first;
        const RunResult converted = run(first, settings, exit_code);
        EXPECT_EQ(converted.total, 4);
        EXPECT_EQ(converted.failed, 1);
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            long long in_time = 0, out_time = 0;
            ASSERT_TRUE(file_modified_time(input.file(name), in_time));
            ASSERT_TRUE(file_modified_time(output.file(name), out_time));
            EXPECT_EQ(out_time, in_time) << name;
        }

        settings.skip_up_to_date = true;
        RecordedRun second;
        const RunResult skipped = run(second, settings, exit_code);
        EXPECT_EQ(skipped.skipped, 3);
        EXPECT_EQ(skipped.total, 1) << second.text;  // bad.txt alone
    }
}
