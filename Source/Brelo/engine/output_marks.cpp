// The preview's marks of what Run would do, and the marks of what a run did.
#include "engine/output_marks.h"

#include <unordered_set>
#include <vector>

#include "engine/conversion_log.h"
#include "engine/file_conversion.h"
#include "engine/scan.h"
#include "engine/setting_names.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

// Both folders are the same place: the walk never enters the output directory, so below the
// roots the input and output folders mirror each other and are the same as the roots are.
bool same_folder(const std::string& input, const std::string& output) {
    if (same_directory_path(input, output)) return true;
    FolderId a;
    FolderId b;
    return folder_identity(input, a) && folder_identity(output, b) && a == b;
}

// The names of the files in a folder, by the file system's comparison; empty when it cannot be
// listed. One listing per folder costs far less than a look at every output.
std::unordered_set<std::string> file_names(const std::string& folder) {
    std::unordered_set<std::string> names;
    list_directory(folder, [&names](const DirEntry& entry) {
        if (!entry.is_directory) names.insert(path_compare_key(entry.name));
        return true;
    });
    return names;
}

struct Marker {
    bool skip_up_to_date;
    bool same_folders;

    // The folders come after the folder they are in, so each one's paths are known from its
    // parent's before it is reached.
    void mark(FileTrees& trees) const {
        std::vector<std::string> inputs(trees.folders.size());
        std::vector<std::string> outputs(trees.folders.size());
        inputs[0] = trees.input_root;
        outputs[0] = trees.output_root;
        for (std::size_t place = 0; place < trees.folders.size(); ++place) {
            const PreviewFolder& folder = trees.folders[place];
            if (place > 0) {
                const std::string name(folder.name);
                inputs[place] = join_path(inputs[folder.parent], name);
                outputs[place] = join_path(outputs[folder.parent], name);
            }
            if (folder.first_file != folder.end_file)
                mark_files(trees, folder, inputs[place], outputs[place]);
        }
    }

    void mark_files(FileTrees& trees, const PreviewFolder& folder, const std::string& input,
                    const std::string& output) const {
        const std::unordered_set<std::string> existing = file_names(output);
        // Only files of one folder can share an output path, as output folders mirror input
        // folders one for one.
        std::unordered_set<std::string> claimed;
        for (std::size_t i = folder.first_file; i < folder.end_file; ++i) {
            PreviewFile& file = trees.files[i];
            const std::string output_name(file.output_name);
            const std::string key = path_compare_key(output_name);
            if (!claimed.insert(key).second) {
                file.mark = OutputMark::Shared;
            } else if (same_folders && key == path_compare_key(std::string(file.name))) {
                file.mark = OutputMark::SameAsInput;
            } else if (!existing.count(key)) {
                file.mark = OutputMark::New;
            } else {
                file.mark = old_output_mark(join_path(input, std::string(file.name)),
                                            join_path(output, output_name));
            }
        }
    }

    // By the run's rule for up to date.
    OutputMark old_output_mark(const std::string& input_path,
                               const std::string& output_path) const {
        return skip_up_to_date && output_up_to_date(input_path, output_path)
                   ? OutputMark::UpToDate
                   : OutputMark::Replace;
    }
};

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + (count == 1 ? one : many);
}

// The line without its line end.
std::string line_of(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string failure_reason(const FileEnd& end) {
    switch (end.converter.outcome) {
    case ConverterOutcome::NotStarted:       return "The converter could not be started.";
    case ConverterOutcome::EndedByStop:      return "Stop ended the converter.";
    case ConverterOutcome::EndedByTimeLimit: return "The converter ran past its time limit.";
    case ConverterOutcome::Exited:           break;
    }
    if (end.wrote_no_output) return line_of(no_output_text);
    return line_of(exit_line(end.converter.exit));
}

}  // namespace

void mark_outputs(FileTrees& trees, bool skip_up_to_date) {
    const Marker marker{skip_up_to_date, same_folder(trees.input_root, trees.output_root)};
    marker.mark(trees);
}

OutputMarkCounts count_output_marks(const FileTrees& trees) {
    OutputMarkCounts counts;
    for (const PreviewFile& file : trees.files) ++counts.counts[static_cast<int>(file.mark)];
    return counts;
}

std::string output_marks_notice(const OutputMarkCounts& counts) {
    std::vector<std::string> parts;
    if (std::size_t n = counts[OutputMark::Replace])
        parts.push_back(counted(n, " output will be replaced", " outputs will be replaced"));
    if (std::size_t n = counts[OutputMark::UpToDate])
        parts.push_back(counted(n, " output is up to date", " outputs are up to date"));
    if (std::size_t n = counts[OutputMark::SameAsInput])
        parts.push_back(counted(n, " output is its own input", " outputs are their own input"));
    if (parts.empty()) return std::string();
    std::string message;
    for (const std::string& part : parts) message += (message.empty() ? "" : ", ") + part;
    return make_notice(output_section, output_directory_key, message + ".");
}

const char* output_mark_suffix(OutputMark mark) {
    switch (mark) {
    case OutputMark::New:         return "";
    case OutputMark::Replace:     return " [replace]";
    case OutputMark::UpToDate:    return " [up to date]";
    case OutputMark::Shared:      return " [shared]";
    case OutputMark::SameAsInput: return " [same as input]";
    }
    return "";
}

std::string output_mark_tip(OutputMark mark) {
    switch (mark) {
    case OutputMark::New:      return std::string();
    case OutputMark::Replace:  return "Run will replace the file of this name.";
    case OutputMark::UpToDate: return "Run will skip it: the output is up to date.";
    case OutputMark::Shared:
        return "Run will refuse it: an earlier input has the same output name.";
    case OutputMark::SameAsInput:
        return "The output is the input itself: the converter would write over its input.";
    }
    return std::string();
}

FileRunMark run_mark_of(const FileRecord& record, const std::string& input_directory) {
    FileRunMark mark;
    const std::string& path = record.input_path;
    mark.relative_input =
        path.compare(0, input_directory.size(), input_directory) == 0
            ? path.substr(input_directory.size())
            : path;
    switch (record.outcome) {
    case FileOutcome::Converted:
        mark.mark = RunMark::Converted;
        mark.reason = "Converted.";
        break;
    case FileOutcome::Failed:
        mark.mark = record.end.converter.outcome == ConverterOutcome::EndedByStop
                        ? RunMark::Stopped
                        : RunMark::Failed;
        mark.reason = failure_reason(record.end);
        break;
    case FileOutcome::Refused:
        mark.mark = RunMark::Failed;
        mark.reason = line_of(record.refusal);
        break;
    case FileOutcome::Skipped:
        mark.mark = RunMark::Skipped;
        mark.reason = "The output was up to date.";
        break;
    case FileOutcome::DoneEarlier:
        mark.mark = RunMark::Skipped;
        mark.reason = "Done in the earlier run.";
        break;
    case FileOutcome::NotStarted:
        mark.mark = RunMark::NotStarted;
        mark.reason = "Stop came before it started.";
        break;
    }
    return mark;
}

std::string run_mark_tip(const FileRunMark& mark) {
    const char* word = "";
    switch (mark.mark) {
    case RunMark::None:       return std::string();
    case RunMark::Converted:  return mark.reason;
    case RunMark::Failed:     word = "Failed: "; break;
    case RunMark::Skipped:    word = "Skipped: "; break;
    case RunMark::Stopped:    word = "Stopped: "; break;
    case RunMark::NotStarted: word = "Not started: "; break;
    }
    return word + mark.reason;
}
