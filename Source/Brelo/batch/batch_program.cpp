// brelo-batch's course: read the options and the settings file, then run, preview or plan.
#include "batch/batch_program.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/console_run_events.h"
#include "batch/dry_run.h"
#include "batch/job_log.h"
#include "batch/preview_print.h"
#include "batch/print_jobs.h"
#include "batch/progress_line.h"
#include "engine/batch_run.h"
#include "engine/pattern_set.h"
#include "engine/run_plan.h"
#include "engine/scan.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* program_name = "brelo-batch";

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

struct EventCloser {
    void operator()(Event* event) const { close_event(event); }
};
using EventHandle = std::unique_ptr<Event, EventCloser>;

// The notice of unknown placeholders in the output-name pattern, once the checks of the
// settings passed: the run goes on with the text as typed, and standard error tells why the names
// look as they do.
void print_placeholder_notice(const CheckedRequest& checked, std::ostream& err) {
    if (checked.placeholder_notice) print_notice(err, *checked.placeholder_notice);
}

// A run or plan that met no file says so, as the window's empty trees would; it is no failure.
void print_no_match(const RunSettings& settings, std::ostream& err) {
    err << "No file matches the patterns \"" << settings.input_patterns << "\" in \""
        << settings.input_directory << "\""
        << (settings.include_subfolders ? "" : " (its sub-folders left out)") << "."
        << line_end;
}

// The program a converter's first word names, as the run finds it: a path with a folder is
// taken from the current directory (the program's own folder by then), a bare name beside the
// program first; anything else is left to the system's path search, as written.
std::string program_for(const std::string& word) {
    if (word.empty()) return word;
#ifdef _WIN32
    const char* separators = "\\/";
    const char* extensions[] = {"", ".exe"};
#else
    const char* separators = "/";
    const char* extensions[] = {""};
#endif
    if (word.find_first_of(separators) != std::string::npos) return absolute_path(word);
    for (const char* extension : extensions) {
        const std::string beside = program_directory() + word + extension;
        if (file_kind(beside) == FileKind::Readable) return beside;
    }
    return word;
}

int preview(const RunRequest& request, bool marks, std::ostream& out, std::ostream& err) {
    // The refresh makes the checks, as the window's does: with a bad output side it still shows
    // both trees, under the output check's notice. The input tree is printed while it is walked.
    const RunShard* shard = request.shard ? &*request.shard : nullptr;
    PreviewPrinter printer(out, line_end);
    const InputRefresh refresh = refresh_input_tree(request.settings, nullptr, &printer, shard);
    if (refresh.trees) printer.print_output_tree(*refresh.trees, marks);
    print_notice(err, refresh.log_text);
    return refresh.checks_passed ? exit_ran : exit_check_failed;
}

int dry_run(const CheckedRequest& checked, std::ostream& out, std::ostream& err) {
    print_placeholder_notice(checked, err);
    if (checked.notice) {
        print_notice(err, *checked.notice);
        return exit_check_failed;
    }
    const std::vector<PlannedFile> plan = plan_batch(checked);
    PlanPlace place;
    if (!checked.command->work_dir.empty()) place.work_dir = absolute_path(checked.command->work_dir);
    place.program_for = program_for;
#ifdef _WIN32
    const Shell shell = Shell::Cmd;
#else
    const Shell shell = Shell::Posix;
#endif
    out << format_plan(plan, place, shell, line_end);
    out.flush();
    if (plan.empty()) print_no_match(checked.request.settings, err);
    // A folder the run could not read, or a file it would refuse, would make the run fail; the
    // plan says so too.
    for (const PlannedFile& file : plan) {
        if (!file.note.empty()) return exit_files_failed;
    }
    return exit_ran;
}

// A path given in UTF-8, as the file streams take it on every platform.
std::filesystem::path stream_path(const std::string& path) {
    return std::filesystem::u8path(path);
}

bool read_whole_file(const std::string& path, std::string& text) {
    std::ifstream file(stream_path(path), std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

int join_logs(const std::vector<std::string>& paths, std::ostream& out, std::ostream& err) {
    std::vector<std::string> texts(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!read_whole_file(paths[i], texts[i])) {
            return usage_error(err, "cannot read the job log " + paths[i]);
        }
    }
    const JoinedLog joined = join_job_logs(texts, time_stamp_now(), line_end);
    if (!joined.error.empty()) return usage_error(err, joined.error);
    out << joined.log;
    out.flush();
    return joined.exit_code;
}

int run(const CheckedRequest& checked, bool progress, const std::string& joblog,
        std::ostream& out, std::ostream& err) {
    const RunRequest& request = checked.request;
    print_placeholder_notice(checked, err);
    RunControl control;
    EventHandle stop(create_event());
    control.stop = stop.get();
    if (stop) stop_on_interrupt(*stop);
    ConsoleRunEvents log(out, err, stop.get());
    // The number of files comes from a walk of its own before the run.
    const MatchCount count = progress || !joblog.empty() ? count_matching_files(checked, control.stop)
                                                         : MatchCount();
    std::optional<ProgressEvents> shown_progress;
    if (progress) {
        shown_progress.emplace(log, err, count.mine, output_is_terminal() ? &out : nullptr);
    }
    RunEvents* events = shown_progress ? static_cast<RunEvents*>(&*shown_progress) : &log;
    std::ofstream joblog_file;
    std::optional<JobLogEvents> joblog_events;
    if (!joblog.empty()) {
        joblog_file.open(stream_path(joblog), std::ios::binary | std::ios::trunc);
        if (!joblog_file) {
            print_notice(err, "cannot write the job log " + joblog);
            return exit_usage_error;
        }
        JobLogRun run;
        if (request.shard) run.shard = *request.shard;
        run.whole_count = count.whole;
        joblog_events.emplace(*events, joblog_file, run);
        events = &*joblog_events;
    }
    const RunResult result = run_batch(checked, *events, control);
    if (!result.ran) return exit_check_failed;
    out << line_end;  // the log ends with its time stamp; the shell's prompt goes below it
    out.flush();
    // Nobody reads the log any more: the run was stopped for that, however far it got.
    if (result.stopped || log.output_lost() || !out) return exit_stopped;
    if (result.total == 0 && result.skipped == 0 && result.unreadable_folders == 0) {
        print_no_match(request.settings, err);
    }
    if (!result.all_converted()) return exit_files_failed;
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
    if (options.version) {
        out << with_line_ends(version_text());
        return exit_ran;
    }
    if (options.join_logs) return join_logs(options.logs, out, err);

    const BatchSetup setup = set_up_batch(options);
    if (!setup.error.empty()) return usage_error(err, setup.error);
    // The defaults name no converter, so only a preview can do without the file; to run without
    // one would end on "No converter is selected.", which hides the reason.
    if (!setup.settings_found && !options.preview) {
        err << program_name << ": " << no_settings_file_message(setup.settings_path) << line_end;
        return exit_check_failed;
    }

    // Taken from the current directory, before the program's own folder becomes it.
    const std::string joblog = options.joblog ? absolute_path(*options.joblog) : std::string();
    const std::string retry_log =
        options.retry_failed ? absolute_path(*options.retry_failed) : std::string();
    // The window works in its own folder, so relative paths in the settings file mean the same
    // here as there. The options' paths were made absolute before.
    const std::string directory = program_directory();
    if (!directory.empty()) change_directory(directory);

    // A preview is a refresh, which makes its own checks: nothing else is checked before it,
    // unless a job log to retry or --print-jobs comes with it.
    if (options.preview && retry_log.empty() && !options.print_jobs) {
        return preview(make_run_request(setup), options.marks, out, err);
    }
    CheckedRequest checked = check_request(make_run_request(setup));
    if (!retry_log.empty() && checked.request.converter) {
        std::string text;
        if (!read_whole_file(retry_log, text)) {
            return usage_error(err, "cannot read the job log " + retry_log);
        }
        const std::string problem =
            read_earlier_run(text, matching_files(checked), checked.request.done_earlier);
        if (!problem.empty()) {
            return usage_error(err, "the job log " + retry_log + " cannot be retried: " + problem);
        }
    }
    if (options.print_jobs) return print_jobs(checked, out, err);
    const bool progress = options.progress ? *options.progress : error_is_terminal();
    if (!options.preview && !options.dry_run) return run(checked, progress, joblog, out, err);

    if (options.preview) return preview(checked.request, options.marks, out, err);

    // Without a converter the run reports that after its checks and starts nothing, so it gives
    // the same notices as pressing Run.
    return checked.request.converter ? dry_run(checked, out, err)
                                     : run(checked, false, joblog, out, err);
}
