// One file's conversion and the judgement of its output.
#include "engine/file_conversion.h"

#include <chrono>

#include <algorithm>
#include <cstring>

#include "platform/platform.h"

namespace {

// Two seconds are the steps of the coarsest file times in use (FAT's), so the output stays
// older than its input on any disk.
constexpr long long outdated_by = 2 * file_time_units_per_second;

struct OutputBefore {
    bool exists = false;
    FileState state;
};

bool touched(const OutputBefore& before, const std::string& output_path) {
    FileState now;
    if (!file_state(output_path, now)) return false;
    return !before.exists || now.modified != before.state.modified ||
           now.size != before.state.size;
}

}  // namespace

bool command_passes_output(const PreparedCommand& command) {
    return std::any_of(command.parts.begin(), command.parts.end(), [](const CommandPart& part) {
        return part.slot == CommandPart::Slot::Outfile;
    });
}

bool output_up_to_date(const std::string& input_path, const std::string& output_path) {
    long long input_time = 0;
    long long output_time = 0;
    return file_modified_time(output_path, output_time) &&
           file_modified_time(input_path, input_time) && output_time >= input_time;
}

bool mark_output_outdated(const std::string& input_path, const std::string& output_path) {
    long long input_time = 0;
    if (!file_modified_time(input_path, input_time)) return false;
    return set_file_modified_time(output_path, input_time - outdated_by);
}

bool keep_input_time(const std::string& input_path, const std::string& output_path) {
    long long input_time = 0;
    if (!file_modified_time(input_path, input_time)) return false;
    return set_file_modified_time(output_path, input_time);
}

namespace {

double seconds_since_1970() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

FileEnd convert_and_judge(const FileJob& job, const ConsoleSink& sink, ConverterWatch& watch) {
    FileEnd end;
    OutputBefore before;
    before.exists = file_state(job.output_path, before.state);
    char last = '\n';
    end.converter = run_console_process(
        job.command_line, job.work_dir,
        [&sink, &last](const char* text, std::size_t length) {
            if (length > 0) last = text[length - 1];
            sink(text, length);
        },
        watch);
    if (end.converter.succeeded()) {
        FileState output;
        if (job.expects_output && !file_state(job.output_path, output)) {
            end.wrote_no_output = true;
            if (last != '\n') sink("\r\n", 2);
            sink(no_output_text, std::strlen(no_output_text));
        }
        return end;
    }
    // A converter that never started changed nothing.
    if (end.converter.outcome != ConverterOutcome::NotStarted && touched(before, job.output_path))
        mark_output_outdated(job.input_path, job.output_path);
    return end;
}

}  // namespace

FileEnd convert_file(const FileJob& job, const ConsoleSink& sink, ConverterWatch& watch) {
    const double start = seconds_since_1970();
    FileEnd end = convert_and_judge(job, sink, watch);
    // Set before the file counts as ended, so that no later entry of the run sees the
    // converter's own time on it.
    if (job.keep_times && end.succeeded()) keep_input_time(job.input_path, job.output_path);
    end.start_time = start;
    end.run_time = seconds_since_1970() - start;
    return end;
}
