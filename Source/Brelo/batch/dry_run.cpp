// The dry run: the batch's own walk, collecting command lines instead of starting them.
#include "batch/dry_run.h"

#include <algorithm>
#include <utility>

#include "engine/batch_run.h"
#include "engine/walk.h"
#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

class PlanLister : public PlanVisitor {
public:
    explicit PlanLister(const CheckedRequest& checked) : checked_(checked) {}

    // A file the run would refuse gets its note instead of a command: a refused name, or an
    // output name an earlier file has (its command would write over that file's output). The
    // run's other reasons to pass a file over are not the plan's.
    void file_planned(FilePlan& plan) override {
        if (!plan.mine) return;
        if (!plan.refusal.empty()) {
            files.push_back({plan.input_shown, plan.output_shown, {}, plan.refusal});
            return;
        }
        if (plan.step == FileStep::SharedOutput) {
            files.push_back({plan.input_shown, plan.output_shown, {}, shared_output_note(plan)});
            return;
        }
        files.push_back({plan.input_shown, plan.output_shown, plan.record.command_line, {}});
    }

    void folder_unreadable(const WalkFolder& folder) override {
        files.push_back({shown_path(folder.input_path, checked_.request.settings.input_directory,
                                    checked_.walked.input_directory),
                         {}, {}, unreadable_folder_text});
    }

    std::vector<PlannedFile> files;

private:
    const CheckedRequest& checked_;
};

}  // namespace

std::vector<PlannedFile> plan_batch(const CheckedRequest& checked) {
    PlanLister lister(checked);
    walk_plans(checked, *checked.command, lister);
    return std::move(lister.files);
}

std::string shell_quote_word(const std::string& word, Shell shell) {
    if (shell == Shell::Cmd) return "\"" + word + "\"";
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string shell_command(const std::string& command_line, const PlanPlace& place, Shell shell) {
    std::string line;
    if (!place.work_dir.empty()) {
        line = (shell == Shell::Cmd ? "cd /d " : "cd ") + shell_quote_word(place.work_dir, shell) +
               " && ";
    }
    const auto program = [&](const std::string& word) {
        return shell_quote_word(place.program_for ? place.program_for(word) : word, shell);
    };
    if (shell == Shell::Cmd) {
        // The converter gets the rest of its command line as it stands; only the program is
        // rewritten, quoted, in front of it.
        std::size_t end = 0;
        std::string word;
        if (!command_line.empty() && command_line[0] == '"') {
            const std::size_t close = command_line.find('"', 1);
            end = close == std::string::npos ? command_line.size() : close + 1;
            word = command_line.substr(1, close == std::string::npos ? close : close - 1);
        } else {
            end = std::min(command_line.find_first_of(" \t"), command_line.size());
            word = command_line.substr(0, end);
        }
        return line + program(word) + command_line.substr(end);
    }
    const std::vector<std::string> args = split_command_line(command_line);
    for (std::size_t i = 0; i < args.size(); ++i) {
        line += i == 0 ? program(args[0]) : " " + shell_quote_word(args[i], shell);
    }
    return line;
}

std::string format_plan(const std::vector<PlannedFile>& plan, const PlanPlace& place, Shell shell,
                        const std::string& line_end) {
    const std::string comment = shell == Shell::Cmd ? "REM " : "# ";
    std::string out;
    int commands = 0;
    for (const PlannedFile& file : plan) {
        if (!file.note.empty()) {
            out += comment + file.input_path;
            if (!file.output_path.empty()) out += " -> " + file.output_path;
            out += line_end + comment + file.note + line_end;
            continue;
        }
        out += comment + file.input_path + " -> " + file.output_path + line_end;
        out += shell_command(file.command_line, place, shell) + line_end;
        ++commands;
    }
    out += line_end + comment + "Total " + std::to_string(commands) + " Files would be converted." +
           line_end;
    return out;
}
