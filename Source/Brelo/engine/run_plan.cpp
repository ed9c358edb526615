// The checks a run makes once, and the plan of each matching file.
#include "engine/run_plan.h"

#include <unordered_map>
#include <utility>

#include "engine/file_conversion.h"
#include "engine/setting_names.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/platform.h"

namespace {

// Plans each file the walk matches and hands the plan to the view.
class Planner : public WalkVisitor {
public:
    Planner(const CheckedRequest& checked, const PreparedCommand& command, PlanVisitor& visitor)
        : checked_(checked), command_(command), visitor_(visitor) {}

    void folder_reached(const WalkFolder& folder) override {
        first_names_.emplace_back();
        visitor_.folder_reached(folder);
    }
    void folder_left(const WalkFolder&) override { first_names_.pop_back(); }

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        FilePlan plan = plan_file(folder, name);
        visitor_.file_planned(plan);
    }

    void folder_unreadable(const WalkFolder& folder) override {
        visitor_.folder_unreadable(folder);
    }
    bool stop_requested() override { return visitor_.stop_requested(); }

private:
    FilePlan plan_file(const WalkFolder& folder, const std::string& name) {
        const RunRequest& request = checked_.request;
        const RunSettings& walked = checked_.walked;
        FilePlan plan;
        FileRecord& record = plan.record;
        record.place = place_++;
        record.input_path = join_path(folder.input_path, name);
        record.output_path = output_path_of(folder, name, walked.output_pattern);
        record.command_line = expand_command(command_, record.input_path, record.output_path);
        plan.mine = !request.shard || request.shard->takes(record.place);
        plan.input_shown = shown_input(record.input_path);
        plan.output_shown = shown_path(record.output_path, request.settings.output_directory,
                                       walked.output_directory);
        plan.refusal =
            file_refusal(command_, record.input_path, record.output_path, windows_file_names);
        // One output per input: a later input whose output name an earlier one has is not
        // converted, so that no input's result is overwritten unnoticed. Files of other parts
        // of a sharded run claim their names too, so each part refuses what the whole would.
        // Only files of one folder can share an output path, as output folders mirror input
        // folders one for one.
        bool claimed = true;
        if (plan.refusal.empty()) {
            const auto first = first_names_.back().try_emplace(
                path_compare_key(record.output_path.substr(folder.output_path.size())), name);
            claimed = first.second;
            if (!claimed) {
                plan.first_input = shown_input(join_path(folder.input_path, first.first->second));
            }
        }
        const std::vector<bool>& done_earlier = request.done_earlier;
        if (record.place < static_cast<int>(done_earlier.size()) && done_earlier[record.place]) {
            plan.step = FileStep::DoneEarlier;
        } else if (!plan.refusal.empty()) {
            plan.step = FileStep::Refused;
        } else if (!claimed) {
            plan.step = FileStep::SharedOutput;
        }
        return plan;
    }

    std::string shown_input(const std::string& path) const {
        return shown_path(path, checked_.request.settings.input_directory,
                          checked_.walked.input_directory);
    }

    const CheckedRequest& checked_;
    const PreparedCommand& command_;
    PlanVisitor& visitor_;
    int place_ = 0;
    // For each folder being walked, the output names its files were given so far, by the file
    // system's comparison, each with the name of the first file that had it.
    std::vector<std::unordered_map<std::string, std::string>> first_names_;
};

class MatchCounter : public PlanVisitor {
public:
    explicit MatchCounter(Event* stop) : stop_(stop) {}
    void file_planned(FilePlan& plan) override {
        ++count.whole;
        if (plan.mine) ++count.mine;
    }
    // A Stop during the count ends it: the run that follows stops at once anyway.
    bool stop_requested() override { return stop_ && is_event_set(*stop_); }
    MatchCount count;

private:
    Event* stop_;
};

class RecordLister : public PlanVisitor {
public:
    void file_planned(FilePlan& plan) override { records.push_back(std::move(plan.record)); }
    std::vector<FileRecord> records;
};

}  // namespace

RunSettings resolved_settings(const RunSettings& typed) {
    const auto resolved = [](const std::string& directory) {
        return directory.empty() || is_absolute_path(directory) ? directory
                                                                : absolute_path(directory);
    };
    RunSettings settings = typed;
    settings.input_directory = resolved(typed.input_directory);
    settings.output_directory = resolved(typed.output_directory);
    return settings;
}

CheckedRequest check_request(const RunRequest& request) {
    CheckedRequest checked;
    checked.request = request;
    checked.walked = resolved_settings(request.settings);
    if (request.converter) checked.command = prepare_command(*request.converter);
    PatternSet patterns;
    checked.notice = check_input(request.settings, patterns);
    if (checked.notice) return checked;
    checked.patterns = std::move(patterns);
    checked.notice = check_output(request.settings);
    if (checked.notice) return checked;
    checked.settings_passed = true;
    checked.placeholder_notice = check_placeholders(request.settings);
    if (!checked.command) {
        checked.notice = make_notice(converter_section, run_key, no_converter_message);
        return checked;
    }
    checked.notice = check_prepared_command(*checked.command);
    return checked;
}

std::string shared_output_note(const FilePlan& plan) {
    return "The output name is also that of " + plan.first_input + ".";
}

bool output_up_to_date(const FilePlan& plan) {
    return output_up_to_date(plan.record.input_path, plan.record.output_path);
}

bool walk_plans(const CheckedRequest& checked, const PreparedCommand& command,
                PlanVisitor& visitor) {
    Planner planner(checked, command, visitor);
    return walk_input(checked.walked, *checked.patterns, planner);
}

MatchCount count_matching_files(const CheckedRequest& checked, Event* stop) {
    MatchCounter counter(stop);
    if (checked.patterns) walk_plans(checked, checked.command.value_or(PreparedCommand()), counter);
    return counter.count;
}

std::vector<FileRecord> matching_files(const CheckedRequest& checked) {
    if (!checked.patterns || !checked.command) return {};
    RecordLister lister;
    walk_plans(checked, *checked.command, lister);
    return std::move(lister.records);
}
