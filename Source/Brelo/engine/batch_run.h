// The batch run: the Run/Stop button, the worker that walks the input directory and starts the
// converter once per matching file, and the history update at its end.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "engine/console_process.h"
#include "engine/conversion_log.h"
#include "engine/converter.h"
#include "engine/current_settings.h"
#include "engine/pattern_set.h"
#include "engine/window_parts.h"

struct Event;

// The labels of the Run/Stop button.
inline constexpr const char* run_label = "Run";
inline constexpr const char* stop_label = "Stop";

// What runs share with the button. One instance lives as long as the main window, and longer
// than any worker it starts.
struct RunControl {
    // Signalled by Stop and polled by the walk; the main window creates it (named "StopConvert"
    // on Windows) and closes it. A run resets it when it starts and again when it ends.
    Event* stop_event = nullptr;
    // Optional: set when a worker has ended, reset when one starts. Lets the window (or a test)
    // wait for a stopped run to finish.
    Event* worker_ended = nullptr;
    // True from Run until Stop, or until the worker ends.
    std::atomic<bool> running{false};
    // True while a worker exists, stopped or not. Run is ignored meanwhile, so that two walks
    // never share the log box and the stop event.
    std::atomic<bool> worker_active{false};
    // The log box gets the growing log at most this often while files are converted; the last
    // update after the total is never skipped.
    std::chrono::milliseconds log_interval{100};
    // How long a converter may go on after Stop before it is ended with everything it started.
    std::chrono::milliseconds stop_grace = default_stop_grace;
};

// What a run works on, fixed when Run is pressed: later edits of the fields or of the converter
// list, and refreshes that capture the fields again, change nothing a running walk sees.
struct RunRequest {
    CurrentSettings settings;
    std::optional<Converter> converter;  // none when no converter is selected
};

// The handler of the Run/Stop button, on the window's own thread. While running: signals Stop,
// relabels the button "Run" and returns without waiting. Otherwise, unless a stopped worker is
// still finishing (then the press is ignored): captures the fields and the current converter,
// relabels the button "Stop" and starts the worker. If no thread can be started, the button
// goes back to "Run" and the log box shows a notice.
void toggle_run(MainWindow& window, const ConverterList& converters, RunControl& control);

// The worker's body: the input and output checks, the walk, the total and the time stamp, then
// the histories. Returns 0 after a run (complete or stopped) and 1 when a check failed or no
// converter was selected; the log box then holds the notice and the histories are untouched.
// Always ends with the stop event reset, running false and the button labelled "Run".
int run_batch(MainWindow& window, const RunRequest& request, RunControl& control);

// Puts the value, without surrounding white space, at the top of the history and selects it.
// An entry equal to it regardless of case is removed first; otherwise a full list (10 or more)
// loses its tenth entry.
void remember_history(HistoryList& history, const std::string& value);

// What the walk of one run works with. convert_directory fills the log and counts.
struct BatchWalk {
    const CurrentSettings& settings;
    const PatternSet& patterns;
    const PreparedCommand& command;
    ConversionLog& log;
    LogBox& log_box;
    RunControl& control;
    StopWatch& stop_watch;
    std::chrono::steady_clock::time_point last_shown = std::chrono::steady_clock::now();
};

// An output directory of the walk, made on the first match at or below its level.
struct OutputLevel {
    std::string directory;
    OutputLevel* parent = nullptr;
    bool ensured = false;
};

// Converts the matching files of one directory level and, with Include Subfolders, of every
// level below it, except the output directory's subtree. Polls the stop event before every
// entry and returns early when it is set. Returns the number of files the converter was started
// (or tried) for.
int convert_directory(BatchWalk& walk, const std::string& input_directory, OutputLevel& output);
