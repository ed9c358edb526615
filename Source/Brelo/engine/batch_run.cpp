// The batch run: the checks, the walk that starts the converter for every matching file, the
// total.
#include "engine/batch_run.h"

#include "engine/conversion_log.h"
#include "engine/pattern_set.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

constexpr const char* entry_arrow = " -> ";
constexpr const char* console_label = "\r\n\tConsole:";
constexpr const char* entry_end = "\r\n";

bool stop_requested(const RunControl& control) {
    return control.stop_event && is_event_set(*control.stop_event);
}

// Starts the converter for each matching file the walk delivers and reports every piece of the
// log as it comes.
class Conversion : public WalkVisitor {
public:
    Conversion(const RunRequest& request, const PreparedCommand& command, RunEvents& events,
               RunControl& control, StopWatch& stop_watch)
        : settings_(request.settings),
          command_(command),
          events_(events),
          control_(control),
          stop_watch_(stop_watch) {}

    int total() const { return total_; }

    // Only one level is created, and a failure goes unreported: the converter then reports that
    // it cannot write, if it does. The walk reports outer folders first, so the parent exists.
    void folder_reached(const WalkFolder& folder) override {
        if (!path_exists(folder.output_path)) make_directory(folder.output_path);
    }

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        const std::string input_path = join_path(folder.input_path, name);
        const std::string output_path = output_path_of(folder, name, settings_.output_pattern);
        std::string text;
        text.reserve(input_path.size() + output_path.size() + 16);
        text += input_path;
        text += entry_arrow;
        text += output_path;
        text += console_label;
        events_.file_started(input_path, output_path, text);
        run_console_process(
            expand_command(command_.command_template, input_path, output_path),
            command_.work_dir,
            [this](const char* piece, std::size_t length) {
                events_.console_text(std::string(piece, length));
            },
            stop_watch_);
        events_.file_ended(entry_end);
        ++total_;
    }

    // A notice would wipe the run's log, so the file gets a line at its place instead.
    void name_too_complex(const WalkFolder& folder, const std::string& name) override {
        events_.note(join_path(folder.input_path, name) + "\r\n\t" +
                     too_complex_message(settings_.input_patterns, name) + "\r\n");
    }

    bool stop_requested() override { return ::stop_requested(control_); }

private:
    const CurrentSettings& settings_;
    const PreparedCommand& command_;
    RunEvents& events_;
    RunControl& control_;
    StopWatch& stop_watch_;
    int total_ = 0;
};

// Every run ends so, stopped, complete or failed: the next run starts clean.
void end_run(RunControl& control) {
    if (control.stop_event) reset_event(*control.stop_event);
}

}  // namespace

RunResult run_batch(const RunRequest& request, RunEvents& events, RunControl& control) {
    RunResult result;
    const CurrentSettings& settings = request.settings;
    PatternSet patterns;
    CheckResult notice = check_input(settings, patterns);
    if (!notice) notice = check_output(settings);
    if (!notice && !request.converter) {
        notice = make_notice(converter_section, run_key, no_converter_message);
    }
    if (notice) {
        events.notice(*notice);
        end_run(control);
        return result;
    }

    const PreparedCommand command = prepare_command(*request.converter);
    events.header(format_run_header(converter_section, request.converter->title));
    {
        // The watch ends before the run does, and with it its thread.
        StopWatch stop_watch(control.stop_event, control.stop_grace);
        Conversion conversion(request, command, events, control, stop_watch);
        walk_input(settings, patterns, conversion);
        result.total = conversion.total();
    }
    events.finished(result.total, "\r\nTotal " + std::to_string(result.total) +
                                      " Files are converted.\r\n" + time_stamp_now());
    end_run(control);
    result.ran = true;
    result.remembered = RememberedValues{settings.input_directory, settings.input_patterns,
                                         settings.output_directory, settings.output_pattern};
    return result;
}
