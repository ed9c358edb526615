// The batch run: Run/Stop, the worker's walk over the input directory, the histories.
#include "engine/batch_run.h"

#include <locale>
#include <memory>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "engine/scan.h"
#include "platform/platform.h"

namespace {

constexpr const char* header_section = "Converter";
constexpr const char* run_key = "Run";
constexpr const char* no_converter_message = "No converter is selected.";
constexpr const char* no_worker_message = "The run could not be started.";
constexpr int history_capacity = 10;

// Only one level is created, and a failure goes unreported: the converter then reports that it
// cannot write, if it does. Outer levels go first, so the parent exists when a level is made.
void ensure_output_directory(OutputLevel& level) {
    if (level.ensured) return;
    if (level.parent) ensure_output_directory(*level.parent);
    if (!path_exists(level.directory)) make_directory(level.directory);
    level.ensured = true;
}

// Handing the whole log to the box after every file makes a long run quadratic in the log's
// length; between files the box is refreshed at most once per interval instead.
void show_progress(BatchWalk& walk) {
    const auto now = std::chrono::steady_clock::now();
    if (now - walk.last_shown < walk.control.log_interval) return;
    show_log(walk.log_box, walk.log);
    walk.last_shown = now;
}

bool stop_requested(const RunControl& control) {
    return control.stop_event && is_event_set(*control.stop_event);
}

void convert_file(BatchWalk& walk, const std::string& input_path, const std::string& name,
                  OutputLevel& output) {
    ensure_output_directory(output);
    const std::string output_path =
        join_path(output.directory, derive_output_name(name, walk.settings.output_pattern));
    const std::string command_line =
        expand_command(walk.command.command_template, input_path, output_path);
    walk.log += input_path;
    walk.log += " -> ";
    walk.log += output_path;
    walk.log += "\r\n\tConsole:";
    run_console_process(command_line, walk.command.work_dir, walk.log, walk.stop_watch);
    walk.log += "\r\n";
    show_progress(walk);
}

// Ends a run the way every run ends, stopped, complete or failed: the next run starts clean.
void end_run(MainWindow& window, RunControl& control) {
    if (control.stop_event) reset_event(*control.stop_event);
    control.running = false;
    window.run_button().set_label(run_label);
}

bool equal_ignoring_case(const std::string& a, const std::string& b) {
    return boost::algorithm::iequals(a, b, std::locale::classic());
}

}  // namespace

int convert_directory(BatchWalk& walk, const std::string& input_directory, OutputLevel& output) {
    // The level is read whole before anything is converted, so files that the converters write
    // into it meanwhile (output directory equal to the input directory) are not taken up again.
    std::vector<DirEntry> entries;
    if (!list_directory(input_directory, [&](const DirEntry& entry) {
            entries.push_back(entry);
            return true;
        })) {
        return 0;
    }
    int count = 0;
    for (const DirEntry& entry : entries) {
        if (stop_requested(walk.control)) break;
        const std::string path = join_path(input_directory, entry.name);
        if (entry.is_directory) {
            if (!walk.settings.include_subfolders || entry.name == "." || entry.name == "..") {
                continue;
            }
            if (is_output_directory(path, walk.settings)) continue;
            OutputLevel sub{join_path(output.directory, entry.name), &output, false};
            count += convert_directory(walk, path, sub);
            continue;
        }
        switch (match_name(walk.patterns, entry.name)) {
        case NameMatch::NotMatched:
            break;
        case NameMatch::TooComplex:
            // A notice would wipe the run's log, so the file gets a line at its place instead.
            walk.log += path + "\r\n\t" +
                        too_complex_message(walk.settings.input_patterns, entry.name) + "\r\n";
            show_progress(walk);
            break;
        case NameMatch::Matched:
            convert_file(walk, path, entry.name, output);
            ++count;
            break;
        }
    }
    return count;
}

int run_batch(MainWindow& window, const RunRequest& request, RunControl& control) {
    const CurrentSettings& settings = request.settings;
    LogBox& log_box = window.log_box();
    PatternSet patterns;
    if (!check_input(log_box, settings, patterns) || !check_output(log_box, settings)) {
        end_run(window, control);
        return 1;
    }
    if (!request.converter) {
        show_notice(log_box, header_section, run_key, no_converter_message);
        end_run(window, control);
        return 1;
    }
    const PreparedCommand command = prepare_command(*request.converter);
    ConversionLog log;
    append_run_header(log, header_section, request.converter->title);
    show_log(log_box, log);

    int total = 0;
    {
        // The watch ends before the run does, and with it its thread.
        StopWatch stop_watch(control.stop_event, control.stop_grace);
        BatchWalk walk{settings, patterns, command, log, log_box, control, stop_watch};
        OutputLevel top{settings.output_directory, nullptr, false};
        total = convert_directory(walk, settings.input_directory, top);
    }

    log += "\r\nTotal " + std::to_string(total) + " Files are converted.\r\n";
    append_time_stamp(log);
    show_log(log_box, log);
    end_run(window, control);
    remember_history(window.history(HistoryField::InputDirectory), settings.input_directory);
    remember_history(window.history(HistoryField::InputPatterns), settings.input_patterns);
    remember_history(window.history(HistoryField::OutputDirectory), settings.output_directory);
    remember_history(window.history(HistoryField::OutputPattern), settings.output_pattern);
    return 0;
}

void remember_history(HistoryList& history, const std::string& value) {
    const std::string text =
        boost::algorithm::trim_copy_if(value, boost::algorithm::is_any_of(" \t\n\v\f\r"));
    // The search starts at the second entry and wraps round to the first.
    const int count = history.count();
    int found = -1;
    for (int step = 1; step <= count && found < 0; ++step) {
        const int index = step % count;
        if (equal_ignoring_case(history.row(index), text)) found = index;
    }
    if (found >= 0) {
        history.delete_row(found);
    } else if (count >= history_capacity) {
        history.delete_row(history_capacity - 1);
    }
    history.insert_row(0, text);
    history.select_row(0);
}

void toggle_run(MainWindow& window, const ConverterList& converters, RunControl& control) {
    if (control.running) {
        if (control.stop_event) set_event(*control.stop_event);
        control.running = false;
        window.run_button().set_label(run_label);
        return;
    }
    if (control.worker_active) return;

    auto request = std::make_shared<RunRequest>();
    request->settings = capture_settings(window.fields());
    ConverterBox& box = window.converter_box();
    const int position = request->settings.converter_position;
    if (position >= 0 && position < box.count()) {
        request->converter = find_converter(converters, box.key_at(position));
    }

    // Cleared here, before the worker exists, so that a Stop meant for the previous run cannot
    // stop this one.
    if (control.stop_event) reset_event(*control.stop_event);
    if (control.worker_ended) reset_event(*control.worker_ended);
    control.worker_active = true;
    control.running = true;
    window.run_button().set_label(stop_label);
    const bool started = start_detached_thread([&window, &control, request] {
        run_batch(window, *request, control);
        control.worker_active = false;
        if (control.worker_ended) set_event(*control.worker_ended);
    });
    if (!started) {
        control.worker_active = false;
        control.running = false;
        window.run_button().set_label(run_label);
        show_notice(window.log_box(), header_section, run_key, no_worker_message);
        if (control.worker_ended) set_event(*control.worker_ended);
    }
}
