// The dry run: the batch's own walk, collecting command lines instead of starting them.
#include "batch/dry_run.h"

#include <utility>

#include "engine/batch_run.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/platform.h"

namespace {

// Walks with the directories the run resolves for its converters, and shows the paths as the
// run's log does.
class Planner : public WalkVisitor {
public:
    Planner(const CurrentSettings& typed, const CurrentSettings& settings,
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

    const CurrentSettings& typed_;
    const CurrentSettings& settings_;
    const PreparedCommand& command_;
    std::vector<PlannedFile> plan_;
};

}  // namespace

std::vector<PlannedFile> plan_batch(const CurrentSettings& settings, const PatternSet& patterns,
                                    const PreparedCommand& command) {
    const CurrentSettings resolved = resolved_settings(settings);
    Planner planner(settings, resolved, command);
    walk_input(resolved, patterns, planner);
    return planner.take_plan();
}

std::string format_plan(const std::vector<PlannedFile>& plan, const std::string& work_dir,
                        const std::string& line_end) {
    std::string out;
    int commands = 0;
    for (const PlannedFile& file : plan) {
        if (!file.note.empty()) {
            out += file.input_path;
            if (!file.output_path.empty()) out += " -> " + file.output_path;
            out += line_end + "\t" + file.note + line_end;
            continue;
        }
        out += file.input_path + " -> " + file.output_path + line_end;
        out += "\tCommand: " + file.command_line + line_end;
        out += "\tDirectory: " + work_dir + line_end;
        ++commands;
    }
    out += line_end + "Total " + std::to_string(commands) + " Files would be converted." + line_end;
    return out;
}
