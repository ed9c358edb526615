// --print-jobs: the run's walk, writing a shell command per file instead of starting it.
#include "batch/print_jobs.h"

#include <set>

#include "batch/batch_program.h"
#include "batch/console_run_events.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/command_line.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

bool up_to_date(const std::string& input_path, const std::string& output_path) {
    long long input_time = 0;
    long long output_time = 0;
    return file_modified_time(output_path, output_time) &&
           file_modified_time(input_path, input_time) && output_time >= input_time;
}

#ifdef _WIN32
// cmd.exe reads the whole job, so every name in it passes the rules of a batch converter's line.
PreparedCommand for_cmd(PreparedCommand command) {
    command.batch_file = true;
    return command;
}

std::string job_of(const PreparedCommand& command, const std::string& command_line) {
    return "cd /d \"" + command.work_dir + "\" && " + command_line;
}

std::string ending_job(int code, const std::string&) { return "exit /b " + std::to_string(code); }
#else
PreparedCommand for_cmd(PreparedCommand command) { return command; }

// The program as the run would find it: a path with a slash is taken from the current directory
// (brelo-batch's folder), a bare name beside brelo-batch first, else along PATH by the shell.
std::string program_for_job(const std::string& name) {
    if (name.find('/') != std::string::npos) return absolute_path(name);
    const std::string beside = join_path(program_directory(), name);
    return path_exists(beside) && !is_directory(beside) ? beside : name;
}

std::string job_of(const PreparedCommand& command, const std::string& command_line) {
    std::vector<std::string> args = split_command_line(command_line);
    if (!args.empty()) args[0] = program_for_job(args[0]);
    return posix_job(command.work_dir, args);
}

std::string ending_job(int code, const std::string& message) {
    return "echo " + posix_quote(message) + " >&2; exit " + std::to_string(code);
}
#endif

class JobWriter : public WalkVisitor {
public:
    JobWriter(const RunSettings& typed, const RunSettings& settings,
              const PreparedCommand& command, const RunRequest& request, std::ostream& out,
              std::ostream& err)
        : typed_(typed), settings_(settings), command_(command), shard_(request.shard),
          done_earlier_(request.done_earlier), out_(out), err_(err) {}

    void folder_reached(const WalkFolder& folder) override {
        if (!path_exists(folder.output_path)) make_directory(folder.output_path);
    }

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        const int place = place_++;
        const std::string input_path = join_path(folder.input_path, name);
        const std::string output_path = output_path_of(folder, name, settings_.output_pattern);
        std::string refusal = file_refusal(command_, input_path, output_path, windows_file_names);
        // Each output is written once, by the first file that has its name, as in the run.
        if (refusal.empty() && !outputs_.insert(path_compare_key(output_path)).second) {
            refusal = "The output name is that of an earlier file.";
        }
        if (shard_ && !shard_->takes(place)) return;
        if (place < static_cast<int>(done_earlier_.size()) && done_earlier_[place]) {
            out_ << ending_job(0, "Skipped: done in the earlier run.") << '\0';
            return;
        }
        // Every matching file gets a job, so that a job runner numbers them as the walk does.
        if (!refusal.empty()) {
            const std::string line =
                shown(input_path, typed_.input_directory, settings_.input_directory) + ": " +
                refusal;
            err_ << line << line_end;
            out_ << ending_job(255, line) << '\0';
            failed_ = true;
            return;
        }
        if (settings_.skip_up_to_date && up_to_date(input_path, output_path)) {
            out_ << ending_job(0, "Skipped: the output is up to date.") << '\0';
            return;
        }
        out_ << job_of(command_, expand_command(command_, input_path, output_path)) << '\0';
    }

    void folder_unreadable(const WalkFolder& folder) override {
        err_ << shown(folder.input_path, typed_.input_directory, settings_.input_directory) << ": "
             << unreadable_folder_text << line_end;
        failed_ = true;
    }

    bool failed() const { return failed_; }

private:
    static std::string shown(const std::string& path, const std::string& typed,
                             const std::string& resolved) {
        std::string text = shown_path(path, typed, resolved);
        // A refusal's line is one line, whatever the name holds.
        for (char& c : text) {
            if (c == '\n' || c == '\r') c = '?';
        }
        return text;
    }

    const RunSettings& typed_;
    const RunSettings& settings_;
    const PreparedCommand& command_;
    const std::optional<RunShard>& shard_;
    const std::vector<bool>& done_earlier_;
    std::ostream& out_;
    std::ostream& err_;
    int place_ = 0;
    std::set<std::string> outputs_;
    bool failed_ = false;
};

}  // namespace

std::string posix_quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string posix_job(const std::string& work_dir, const std::vector<std::string>& args) {
    std::string job = "cd " + posix_quote(work_dir) + " && exec";
    for (const std::string& arg : args) job += " " + posix_quote(arg);
    return job;
}

int print_jobs(const RunRequest& request, std::ostream& out, std::ostream& err) {
    PatternSet patterns;
    CheckResult notice = check_input(request.settings, patterns);
    if (!notice) notice = check_output(request.settings);
    if (!notice && !request.converter) {
        notice = make_notice(converter_section, run_key, no_converter_message);
    }
    std::optional<PreparedCommand> command;
    if (!notice) {
        command = for_cmd(prepare_command(*request.converter));
        notice = check_prepared_command(*command);
        // The jobs start wherever the job runner is: the run's folders are made absolute.
        if (!command->work_dir.empty()) command->work_dir = absolute_path(command->work_dir);
    }
    if (!notice && !is_directory(command->work_dir)) {
        notice = "The converter's working directory \"" + command->work_dir + "\" is no folder.";
    }
#ifdef _WIN32
    if (!notice && cmd_unsafe_position(command->work_dir, CmdState{true, false}) != std::string::npos) {
        notice = "The converter's working directory cannot be handed to cmd.exe as it is.";
    }
#endif
    if (notice) {
        print_notice(err, *notice);
        return exit_check_failed;
    }
    const RunSettings resolved = resolved_settings(request.settings);
    JobWriter writer(request.settings, resolved, *command, request, out, err);
    walk_input(resolved, patterns, writer);
    out.flush();
    err.flush();
    return writer.failed() ? exit_files_failed : exit_ran;
}
