// The dry run: the batch's walk, collecting command lines instead of starting them.
#include "batch/dry_run.h"

#include "engine/scan.h"
#include "platform/platform.h"

namespace {

struct Planner {
    const CurrentSettings& settings;
    const PatternSet& patterns;
    const PreparedCommand& command;
    std::vector<PlannedFile> plan;

    void walk(const std::string& input_directory, const std::string& output_directory) {
        std::vector<DirEntry> entries;
        if (!list_directory(input_directory, [&](const DirEntry& entry) {
                entries.push_back(entry);
                return true;
            })) {
            return;
        }
        for (const DirEntry& entry : entries) {
            const std::string path = join_path(input_directory, entry.name);
            if (entry.is_directory) {
                if (!settings.include_subfolders || entry.name == "." || entry.name == "..") {
                    continue;
                }
                if (is_output_directory(path, settings)) continue;
                walk(path, join_path(output_directory, entry.name));
                continue;
            }
            switch (match_name(patterns, entry.name)) {
            case NameMatch::NotMatched:
                break;
            case NameMatch::TooComplex:
                plan.push_back(
                    {path, {}, {}, too_complex_message(settings.input_patterns, entry.name)});
                break;
            case NameMatch::Matched: {
                const std::string output_path = join_path(
                    output_directory, derive_output_name(entry.name, settings.output_pattern));
                plan.push_back({path, output_path,
                                expand_command(command.command_template, path, output_path), {}});
                break;
            }
            }
        }
    }
};

}  // namespace

std::vector<PlannedFile> plan_batch(const CurrentSettings& settings, const PatternSet& patterns,
                                    const PreparedCommand& command) {
    Planner planner{settings, patterns, command, {}};
    planner.walk(settings.input_directory, settings.output_directory);
    return planner.plan;
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
