// The batch run over real directories, with a real converter process.
#include "engine/batch_run.h"

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "engine/scan.h"
#include "platform/platform.h"
#include "walk_window.h"

using namespace walk_test;

namespace {

Converter echo_converter() {
    return Converter{"Echo", program_path("console_child"), "echo ${infile} ${outfile}",
                     "${location}"};
}

// What the echo converter leaves in the log for one file.
std::string echo_entry(const std::string& input, const std::string& output) {
    return input + " -> " + output + "\r\n\tConsole:[" + program_path("console_child") +
           "]\n[echo]\n[" + input + "]\n[" + output + "]\n\r\n";
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

struct RecordingButton : RunButton {
    std::vector<std::string> labels;
    void set_label(const std::string& label) override { labels.push_back(label); }
};

// Calls the hook each time the log box receives a text; the hook runs on the caller's thread.
struct HookLogBox : FakeLogBox {
    std::function<void(const std::string&)> hook;
    void set_text(const std::string& t) override {
        FakeLogBox::set_text(t);
        if (hook) hook(t);
    }
};

struct HookWindow : FakeMainWindow {
    using FakeMainWindow::FakeMainWindow;
    HookLogBox hook_log;
    RecordingButton recording_button;
    LogBox& log_box() override { return hook_log; }
    RunButton& run_button() override { return recording_button; }
};

class BatchRunTest : public ::testing::Test {
protected:
    TempDir in;
    TempDir out;
    RunControl control;
    Event* stop = nullptr;
    Event* ended = nullptr;

    void SetUp() override {
        stop = create_event(stop_event_name);
        ended = create_event();
        ASSERT_TRUE(stop && ended);
        control.stop_event = stop;
        control.worker_ended = ended;
        control.log_interval = std::chrono::milliseconds(0);
    }
    void TearDown() override {
        close_event(stop);
        close_event(ended);
    }

    int run(FakeMainWindow& w, std::optional<Converter> converter = echo_converter()) {
        control.running = true;
        return run_batch(w, RunRequest{capture_settings(w.fields()), converter}, control);
    }
    // Waits for the worker to end; the limit only keeps a broken run from hanging the suite.
    bool wait_for_worker() { return wait_for_events(*ended, nullptr, 120000) == 0; }
};

TEST_F(BatchRunTest, NoMatchGivesHeaderTotalAndStampOnly) {
    make_file(in, "sub/a.dat");
    FakeMainWindow w(in.path(), "*.txt", out.path());
    EXPECT_EQ(run(w), 0);
    EXPECT_EQ(without_time_stamp(w.log.text), header() + total(0));
    EXPECT_FALSE(folder_exists(out, "sub"));
    EXPECT_FALSE(control.running);
    EXPECT_FALSE(is_event_set(*stop));
    EXPECT_EQ(w.button.label, "Run");
}

TEST_F(BatchRunTest, OutputFoldersOnlyWhereMatchesLieOuterBeforeInner) {
    make_file(in, "a/b/c.txt");
    make_file(in, "empty/x.dat");
    make_folder(in, "bare");
    FakeMainWindow w(in.path(), "*.txt", out.path());
    EXPECT_EQ(run(w), 0);
    // Only one level is made at a time, so b exists only if a was made before it.
    EXPECT_TRUE(folder_exists(out, "a/b"));
    EXPECT_FALSE(folder_exists(out, "empty"));
    EXPECT_FALSE(folder_exists(out, "bare"));
    EXPECT_EQ(without_time_stamp(w.log.text),
              header() +
                  echo_entry(under(in, {"a", "b", "c.txt"}), under(out, {"a", "b", "c.txt"})) +
                  total(1));
}

TEST_F(BatchRunTest, SubfoldersOffNeitherEntersNorCreates) {
    make_file(in, "x.txt");
    make_file(in, "sub/y.txt");
    FakeMainWindow w(in.path(), "*.txt", out.path(), "${prefix}.${suffix}", false);
    EXPECT_EQ(run(w), 0);
    EXPECT_EQ(without_time_stamp(w.log.text),
              header() + echo_entry(under(in, {"x.txt"}), under(out, {"x.txt"})) + total(1));
    EXPECT_FALSE(folder_exists(out, "sub"));
}

TEST_F(BatchRunTest, FailedStartIsLoggedAndCounted) {
    make_file(in, "a.txt");
    FakeMainWindow w(in.path(), "*.txt", out.path());
    Converter missing{"Echo", in.file("no-such-program"), "${infile} ${outfile}", "${location}"};
    EXPECT_EQ(run(w, missing), 0);
    EXPECT_EQ(without_time_stamp(w.log.text),
              header() + under(in, {"a.txt"}) + " -> " + under(out, {"a.txt"}) +
                  "\r\n\tConsole:Create process failed.\r\n\r\n" + total(1));
}

TEST_F(BatchRunTest, OutputDirectoryInsideTheInputIsNotWalked) {
    make_file(in, "a.txt");
    make_file(in, "out/old.txt");
    const std::string output = join_path(in.path(), "out");
    FakeMainWindow w(in.path(), "*.txt", output);
    EXPECT_EQ(run(w), 0);
    EXPECT_EQ(without_time_stamp(w.log.text),
              header() + echo_entry(under(in, {"a.txt"}), join_path(output, "a.txt")) + total(1));
    EXPECT_FALSE(folder_exists(in, "out/out"));
}

TEST_F(BatchRunTest, NameTooComplexGetsALineAtItsPlace) {
    const std::string long_name(60, 'a');
    make_file(in, "sub/" + long_name);
    const std::string patterns = "*a*a*a*a*a*a*a*a*a*b";
    FakeMainWindow w(in.path(), patterns, out.path());
    EXPECT_EQ(run(w), 0);
    EXPECT_EQ(without_time_stamp(w.log.text),
              header() + under(in, {"sub", long_name.c_str()}) + "\r\n\t" +
                  too_complex_message(patterns, long_name) + "\r\n" + total(0));
    EXPECT_FALSE(folder_exists(out, "sub"));
}

TEST_F(BatchRunTest, FailedCheckLeavesItsNoticeAndTheHistories) {
    FakeMainWindow w(in.file("missing"), "*.txt", out.path());
    w.input_patterns.rows = {"old"};
    EXPECT_EQ(run(w), 1);
    EXPECT_EQ(without_time_stamp(w.log.text),
              notice_text("Input", "Input Directory",
                          "\"" + in.file("missing") + "\" is not a valid directory."));
    EXPECT_EQ(w.input_patterns.rows, std::vector<std::string>{"old"});
    EXPECT_TRUE(w.input_directories.rows.empty());
    EXPECT_FALSE(control.running);
    EXPECT_EQ(w.button.label, "Run");

    FakeMainWindow bad_output(in.path(), "*.txt", out.path(), "a/b");
    EXPECT_EQ(run(bad_output), 1);
    EXPECT_EQ(without_time_stamp(bad_output.log.text),
              notice_text("Output", "File Patterns", "File Pattern can't be \\ / : * ? \" < > |"));
}

TEST_F(BatchRunTest, NoConverterSelectedEndsWithANotice) {
    make_file(in, "a.txt");
    FakeMainWindow w(in.path(), "*.txt", out.path());
    set_event(*stop);
    EXPECT_EQ(run(w, std::nullopt), 1);
    EXPECT_EQ(without_time_stamp(w.log.text),
              notice_text("Converter", "Run", "No converter is selected."));
    EXPECT_FALSE(is_event_set(*stop));
    EXPECT_EQ(w.button.label, "Run");
    EXPECT_TRUE(w.input_directories.rows.empty());
}

TEST_F(BatchRunTest, CoalescedUpdatesEndWithTheSameText) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) make_file(in, name);
    FakeMainWindow every(in.path(), "*.txt", out.path());
    EXPECT_EQ(run(every), 0);
    FakeMainWindow coalesced(in.path(), "*.txt", out.path());
    control.log_interval = std::chrono::hours(1);
    EXPECT_EQ(run(coalesced), 0);
    // Two checks clear the box, then the header, each file, and the end.
    EXPECT_EQ(every.log.scrolls, 2 + 1 + 3 + 1);
    EXPECT_EQ(coalesced.log.scrolls, 2 + 1 + 1);
    EXPECT_EQ(without_time_stamp(coalesced.log.text), without_time_stamp(every.log.text));
}

TEST_F(BatchRunTest, StopBetweenFilesEndsTheWalkAndIgnoresRunUntilTheWorkerEnds) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) make_file(in, name);
    HookWindow w(in.path(), "*.txt", out.path());
    const ConverterList converters{{7, echo_converter()}};
    w.converters.add_row("Echo", 7);
    w.converters.select_row(0);
    bool pressed = false;
    w.hook_log.hook = [&](const std::string& text) {
        if (pressed || text.find(" -> ") == std::string::npos) return;
        pressed = true;
        toggle_run(w, converters, control);  // Stop, while the worker is between files
        EXPECT_FALSE(control.running);
        toggle_run(w, converters, control);  // Run again: the worker has not ended yet
        w.main_fields.set_text(HistoryField::OutputPattern, "changed");
    };
    toggle_run(w, converters, control);
    ASSERT_TRUE(wait_for_worker());
    EXPECT_FALSE(control.worker_active);
    EXPECT_EQ(w.recording_button.labels, (std::vector<std::string>{"Stop", "Run", "Run"}));
    const std::string log = without_time_stamp(w.hook_log.text);
    EXPECT_EQ(log.substr(log.size() - total(1).size()), total(1));
    EXPECT_EQ(log.find(" -> "), log.rfind(" -> "));
    EXPECT_FALSE(is_event_set(*stop));
    // A stopped run ends like a complete one, with the values captured when Run was pressed.
    EXPECT_EQ(w.output_patterns.rows, std::vector<std::string>{"${prefix}.${suffix}"});
}

TEST_F(BatchRunTest, ConverterStillRunningAfterStopIsEnded) {
    make_file(in, "sub/a.txt");
    make_file(in, "sub/b.txt");
    FakeMainWindow w(in.path(), "*.txt", out.path());
    Converter sleeper{"Echo", program_path("console_child"), "sleep ${infile}", "${location}"};
    const ConverterList converters{{0, sleeper}};
    w.converters.add_row("Sleep", 0);
    w.converters.select_row(0);
    toggle_run(w, converters, control);
    // The output folder is made right before the first converter starts, after the last poll
    // of the stop event, so from then on Stop meets a running converter.
    for (int i = 0; i < 3000 && !folder_exists(out, "sub"); ++i) {
        wait_for_events(*ended, nullptr, 10);
    }
    ASSERT_TRUE(folder_exists(out, "sub"));
    toggle_run(w, converters, control);
    EXPECT_EQ(w.button.label, "Run");
    ASSERT_TRUE(wait_for_worker());
    const std::string log = without_time_stamp(w.log.text);
    EXPECT_NE(log.find("\r\n\tConsole:sleeping\n" + std::string(ended_by_stop_text) + "\r\n" +
                       total(1)),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(" -> "), log.rfind(" -> "));
}

TEST(RememberHistory, NewestFirstEachValueOnceAtMostTen) {
    const std::vector<std::string> ten{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    const struct {
        const char* label;
        std::vector<std::string> rows;
        std::string value;
        std::vector<std::string> expected;
    } rows[] = {
        {"empty list", {}, "a", {"a"}},
        {"new value on top", {"b", "c"}, "a", {"a", "b", "c"}},
        {"white space trimmed", {"b"}, " \t a \r\n", {"a", "b"}},
        {"duplicate in other case replaced", {"b", "ABC", "c"}, "abc", {"abc", "b", "c"}},
        {"duplicate on top replaced", {"ABC", "b"}, "abc", {"abc", "b"}},
        {"tenth dropped when full", ten, "new", {"new", "0", "1", "2", "3", "4", "5", "6", "7", "8"}},
        {"duplicate in a full list", ten, "5", {"5", "0", "1", "2", "3", "4", "6", "7", "8", "9"}},
        {"eleven entries lose the tenth", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         "n", {"n", "0", "1", "2", "3", "4", "5", "6", "7", "8", "10"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        FakeMainFields fields;
        FakeHistoryList history(fields, HistoryField::InputPatterns);
        history.rows = row.rows;
        remember_history(history, row.value);
        EXPECT_EQ(history.rows, row.expected);
        EXPECT_EQ(fields.text(HistoryField::InputPatterns), row.expected.front());
    }
}

}  // namespace
