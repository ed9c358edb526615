// brelo-batch's course: read the options and the settings file, then run, preview or plan.
#include "batch/batch_program.h"

#include <memory>

#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/console_platform.h"
#include "batch/console_window.h"
#include "batch/dry_run.h"
#include "engine/batch_run.h"
#include "engine/conversion_log.h"
#include "engine/scan.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* program_name = "brelo-batch";
// The run header's section word, as the window's run writes it.
constexpr const char* run_header_section = "Converter";

// The help texts are written with "\n"; the console gets its own line ends.
std::string with_line_ends(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += line_end;
        else out += c;
    }
    return out;
}

int usage_error(std::ostream& err, const std::string& message) {
    err << program_name << ": " << message << line_end << line_end
        << with_line_ends(usage_text());
    return exit_usage_error;
}

// A notice, as the log box would show it, on its own lines.
void print_notice(std::ostream& err, const std::string& notice) {
    if (!notice.empty()) err << notice << line_end;
}

struct EventCloser {
    void operator()(Event* event) const { close_event(event); }
};
using EventHandle = std::unique_ptr<Event, EventCloser>;

// The checks that come before every refresh and run. Each one clears the box or leaves its
// notice there; the output side is looked at only when the input side passed.
bool checks_pass(ConsoleWindow& window, const CurrentSettings& settings, PatternSet& patterns) {
    return check_input(window.log_box(), settings, patterns) &&
           check_output(window.log_box(), settings);
}

int preview(ConsoleWindow& window, const CurrentSettings& settings, std::ostream& out,
            std::ostream& err) {
    PatternSet patterns;
    const bool passed = checks_pass(window, settings, patterns);
    // The refresh runs its own checks again: with a bad output side the window still shows
    // both trees, under the output check's notice.
    refresh_input_tree(window);
    if (window.input_tree().first_root() != no_item) {
        out << "Input:" << line_end << window.input_tree().render(line_end) << line_end;
        out << "Output preview:" << line_end << window.output_tree().render(line_end);
        out.flush();
    }
    print_notice(err, window.log_box().text());
    return passed ? exit_ran : exit_check_failed;
}

int dry_run(ConsoleWindow& window, const RunRequest& request, std::ostream& out,
            std::ostream& err) {
    PatternSet patterns;
    if (!checks_pass(window, request.settings, patterns)) {
        print_notice(err, window.log_box().text());
        return exit_check_failed;
    }
    const PreparedCommand command = prepare_command(*request.converter);
    out << format_plan(plan_batch(request.settings, patterns, command), command.work_dir,
                       line_end);
    out.flush();
    return exit_ran;
}

int run(ConsoleWindow& window, const RunRequest& request, std::ostream& out, std::ostream& err) {
    RunControl control;
    EventHandle stop(create_event());
    control.stop_event = stop.get();
    // Every file's entry is printed as soon as its converter has ended.
    control.log_interval = std::chrono::milliseconds(0);
    if (stop) stop_on_interrupt(*stop);
    if (request.converter) {
        window.log_box().expect_run_header(
            format_run_header(run_header_section, request.converter->title));
    }
    control.running = true;
    window.run_button().set_label(stop_label);
    const int result = run_batch(window, request, control);
    if (result != 0) {
        print_notice(err, window.log_box().text());
        return exit_check_failed;
    }
    out << line_end;  // the log ends with its time stamp; the shell's prompt goes below it
    out.flush();
    return exit_ran;
}

}  // namespace

int run_batch_program(const std::vector<std::string>& args, std::ostream& out,
                      std::ostream& err) {
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.error.empty()) return usage_error(err, parsed.error);
    const BatchOptions& options = parsed.options;
    if (options.help) {
        out << with_line_ends(help_text());
        return exit_ran;
    }

    ConsoleWindow window(out);
    const BatchSetup setup = set_up_window(window, options);
    if (!setup.error.empty()) return usage_error(err, setup.error);

    // The window works in its own folder, so relative paths in the settings file mean the same
    // here as there. The options' paths were made absolute before.
    const std::string directory = program_directory();
    if (!directory.empty()) change_directory(directory);

    const RunRequest request = make_run_request(window, setup.converters);
    if (!options.preview && !options.dry_run) return run(window, request, out, err);

    int result = exit_ran;
    if (options.preview) result = preview(window, request.settings, out, err);
    if (options.dry_run && result == exit_ran) {
        if (options.preview) out << line_end;
        // Without a converter the run reports that after its checks and starts nothing, so it
        // gives the same notices as pressing Run.
        result = request.converter ? dry_run(window, request, out, err)
                                   : run(window, request, out, err);
    }
    return result;
}
