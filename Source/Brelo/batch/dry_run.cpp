// The dry run: the batch's own walk, collecting command lines instead of starting them.
#include "batch/dry_run.h"

#include <algorithm>
#include <utility>

#include "engine/batch_run.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

// Walks with the directories the run resolves for its converters, and shows the paths as the
// run's log does.
class Planner : public WalkVisitor {
public:
    Planner(const RunSettings& typed, const RunSettings& settings,
            const PreparedCommand& command)
        : typed_(typed), settings_(settings), command_(command) {}

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        const std::string input_path = join_path(folder.input_path, name);
        const std::string output_path = output_path_of(folder, name, settings_.output_pattern);
        const std::string output_shown =
            shown_path(output_path, typed_.output_directory, settings_.output_directory);
        std::string refusal = file_refusal(command_, input_path, output_path, windows_file_names);
        if (!refusal.empty()) {
            plan_.push_back({shown_input(input_path), output_shown, {}, std::move(refusal)});
            return;
        }
        plan_.push_back({shown_input(input_path), output_shown,
                         expand_command(command_, input_path, output_path), {}});
    }

    void folder_unreadable(const WalkFolder& folder) override {
        plan_.push_back({shown_input(folder.input_path), {}, {}, unreadable_folder_text});
    }

    std::vector<PlannedFile> take_plan() { return std::move(plan_); }

private:
    std::string shown_input(const std::string& path) const {
        return shown_path(path, typed_.input_directory, settings_.input_directory);
    }

    const RunSettings& typed_;
    const RunSettings& settings_;
    const PreparedCommand& command_;
    std::vector<PlannedFile> plan_;
};

}  // namespace

std::vector<PlannedFile> plan_batch(const RunSettings& settings, const PatternSet& patterns,
                                    const PreparedCommand& command) {
    const RunSettings resolved = resolved_settings(settings);
    Planner planner(settings, resolved, command);
    walk_input(resolved, patterns, planner);
    return planner.take_plan();
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
