// The dry run: the batch's own walk, collecting command lines instead of starting them.
#include "batch/dry_run.h"

#include <utility>

#include "engine/walk.h"

namespace {

class Planner : public WalkVisitor {
public:
    Planner(const CurrentSettings& settings, const PreparedCommand& command)
        : settings_(settings), command_(command) {}

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        const std::string input_path = join_path(folder.input_path, name);
        const std::string output_path = output_path_of(folder, name, settings_.output_pattern);
        plan_.push_back({input_path, output_path,
                         expand_command(command_.command_template, input_path, output_path),
                         {}});
    }

    void name_too_complex(const WalkFolder& folder, const std::string& name) override {
        plan_.push_back({join_path(folder.input_path, name),
                         {},
                         {},
                         too_complex_message(settings_.input_patterns, name)});
    }

    std::vector<PlannedFile> take_plan() { return std::move(plan_); }

private:
    const CurrentSettings& settings_;
    const PreparedCommand& command_;
    std::vector<PlannedFile> plan_;
};

}  // namespace

std::vector<PlannedFile> plan_batch(const CurrentSettings& settings, const PatternSet& patterns,
                                    const PreparedCommand& command) {
    Planner planner(settings, command);
    walk_input(settings, patterns, planner);
    return planner.take_plan();
}

std::string format_plan(const std::vector<PlannedFile>& plan, const std::string& work_dir,
                        const std::string& line_end) {
    std::string out;
    int commands = 0;
    for (const PlannedFile& file : plan) {
        if (!file.note.empty()) {
            out += file.input_path + line_end + "\t" + file.note + line_end;
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
