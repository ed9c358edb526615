// The batch run: the checks, the walk that starts the converter once per matching file, the
// total. The run reports what happens to a RunEvents as it goes; how that is shown is up to the
// window or brelo-batch.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "engine/console_process.h"
#include "engine/converter.h"
#include "engine/file_conversion.h"
#include "engine/pattern_set.h"
#include "engine/run_request.h"
#include "engine/run_settings.h"
#include "engine/setting_names.h"
#include "engine/stored_settings.h"

struct Event;
struct CheckedRequest;

// The notice of a run whose output folder another run is writing to (section "Output", key
// "Output Directory"): two runs in one folder would start every converter twice.
std::string another_run_message(const std::string& folder);

// What a run reports, on the run's thread, in order. Every call except notice carries the exact
// text the log gains; the header starts the log anew and the pieces after it, appended in
// order, are the run's log byte for byte.
class RunEvents {
public:
    virtual ~RunEvents() = default;
    // A check failed or no converter is selected: the log box shows this notice alone, and the
    // run ends without a log.
    virtual void notice(const std::string& text) = 0;
    // The checks passed: the log starts with the run header.
    virtual void header(const std::string& text) = 0;
    // A file's entry begins: "input -> output", a line end and the console label.
    virtual void file_started(const std::string& input_path, const std::string& output_path,
                              const std::string& text) = 0;
    // A piece of the converter's console text, or the line of a start that failed, or the line
    // of a converter ended by Stop.
    virtual void console_text(const std::string& text) = 0;
    // The file's entry ends with this text.
    virtual void file_ended(const std::string& text) = 0;
    // A file whose output is up to date, so no converter was started for it: its short entry.
    virtual void file_skipped(const std::string& input_path, const std::string& output_path,
                              const std::string& text) {
        (void)input_path;
        (void)output_path;
        note(text);
    }
    // A matching file is done with: after its entry ended or was skipped, or, for a file Stop
    // kept from starting, alone. In walk order.
    virtual void file_record(const FileRecord& record) { (void)record; }
    // A line at its place in the walk that is no converter's: a folder that could not be listed.
    virtual void note(const std::string& text) = 0;
    // The total and the time stamp: the log's last piece.
    virtual void finished(int total, const std::string& text) = 0;
};

// RunEvents for views that only follow the log's text: a notice or the header replaces what was
// shown, every other piece is appended to it.
class LogTextEvents : public RunEvents {
public:
    void notice(const std::string& text) override { replace_text(text); }
    void header(const std::string& text) override { replace_text(text); }
    void file_started(const std::string&, const std::string&, const std::string& text) override {
        append_text(text);
    }
    void console_text(const std::string& text) override { append_text(text); }
    void file_ended(const std::string& text) override { append_text(text); }
    void note(const std::string& text) override { append_text(text); }
    void finished(int, const std::string& text) override { append_text(text); }

protected:
    virtual void replace_text(const std::string& text) = 0;
    virtual void append_text(const std::string& text) = 0;
};

// How a run ended.
struct RunResult {
    bool ran = false;  // false when a check failed or no converter was selected (a notice said so)
    int total = 0;     // files the converter was started (or tried) for
    int failed = 0;    // of those, the ones whose converter did not start, exited with a code
                       // other than 0, was ended by Stop or wrote no output, and those whose
                       // output name an earlier file of the run had
    int unreadable_folders = 0;   // folders that could not be listed
    bool stopped = false;         // Stop came before the walk was through
    int not_started = 0;          // matching files the walk met after Stop
    int skipped = 0;              // files whose output was up to date
    int done_earlier = 0;         // files the request's earlier run converted
    RememberedValues remembered;  // what the histories take after a run that ran

    // Every matching file converted and every folder read.
    bool all_converted() const { return ran && failed == 0 && unreadable_folders == 0 && !stopped; }
};

// The end of a run's log before its time stamp: a blank line, the total, and the lines on
// failed, unread, skipped and not started files.
std::string total_text(const RunResult& result);

// The log line under a folder that could not be listed.
inline constexpr const char* unreadable_folder_text = "The folder could not be read.";

// The whole run on the calling thread (and, with several converters at once, on as many threads
// beside it; the events still come on the calling thread, the entries in walk order, the log
// byte for byte as one at a time gives it): the notice of the checks (check_request), the lock
// of the output folder (held until the run ends), the walk, the total, the lines telling what
// failed or was not started, and the time stamp. A file that file_refusal refuses starts no
// converter: its entry holds the refusal and it counts as failed. After Stop
// the rest of the walk is only counted. Relative input and output directories are resolved
// against the current directory for the converters, whose working directory is their own;
// the log shows the paths as typed. Stopped or complete, it ends with the stop event reset.
RunResult run_batch(const CheckedRequest& checked, RunEvents& events, RunControl& control);
