// --print-jobs: the run's walk, writing a shell command per file instead of starting it.
#include "batch/print_jobs.h"

#include "batch/batch_program.h"
#include "batch/console_run_events.h"
#include "batch/dry_run.h"
#include "engine/run_plan.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/command_line.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

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
    return "echo " + shell_quote_word(message, Shell::Posix) + " >&2; exit " + std::to_string(code);
}
#endif

class JobWriter : public PlanVisitor {
public:
    JobWriter(const CheckedRequest& checked, const PreparedCommand& command, std::ostream& out,
              std::ostream& err)
        : checked_(checked), command_(command), out_(out), err_(err) {}

    void folder_reached(const WalkFolder& folder) override {
        if (!path_exists(folder.output_path)) make_directory(folder.output_path);
    }

    // Every matching file gets a job, so that a job runner numbers them as the walk does.
    void file_planned(FilePlan& plan) override {
        if (!plan.mine) return;
        switch (plan.step) {
        case FileStep::DoneEarlier:
            out_ << ending_job(0, "Skipped: done in the earlier run.") << '\0';
            return;
        case FileStep::Refused: refuse(plan.input_shown, plan.refusal); return;
        // Each output is written once, by the first file that has its name, as in the run.
        case FileStep::SharedOutput:
            refuse(plan.input_shown, "The output name is that of an earlier file.");
            return;
        case FileStep::Convert: break;
        }
        if (checked_.walked.skip_up_to_date && output_up_to_date(plan)) {
            out_ << ending_job(0, "Skipped: the output is up to date.") << '\0';
            return;
        }
        out_ << job_of(command_, plan.record.command_line) << '\0';
    }

    void folder_unreadable(const WalkFolder& folder) override {
        err_ << one_line(shown_path(folder.input_path, checked_.request.settings.input_directory,
                                    checked_.walked.input_directory))
             << ": " << unreadable_folder_text << line_end;
        failed_ = true;
    }

    bool failed() const { return failed_; }

private:
    void refuse(const std::string& input_shown, const std::string& why) {
        const std::string line = one_line(input_shown) + ": " + why;
        err_ << line << line_end;
        out_ << ending_job(255, line) << '\0';
        failed_ = true;
    }

    // A refusal's line is one line, whatever the name holds.
    static std::string one_line(std::string text) {
        for (char& c : text) {
            if (c == '\n' || c == '\r') c = '?';
        }
        return text;
    }

    const CheckedRequest& checked_;
    const PreparedCommand& command_;
    std::ostream& out_;
    std::ostream& err_;
    bool failed_ = false;
};

}  // namespace

std::string posix_job(const std::string& work_dir, const std::vector<std::string>& args) {
    std::string job = "cd " + shell_quote_word(work_dir, Shell::Posix) + " && exec";
    for (const std::string& arg : args) job += " " + shell_quote_word(arg, Shell::Posix);
    return job;
}

int print_jobs(const CheckedRequest& checked, std::ostream& out, std::ostream& err) {
    CheckResult notice = checked.notice;
    std::optional<PreparedCommand> command;
    if (!notice) {
        command = for_cmd(*checked.command);
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
    JobWriter writer(checked, *command, out, err);
    walk_plans(checked, *command, writer);
    out.flush();
    err.flush();
    return writer.failed() ? exit_files_failed : exit_ran;
}
