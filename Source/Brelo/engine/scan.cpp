// The directory scan behind the two trees, and the renaming of the preview.
#include "engine/scan.h"

#include <unordered_map>

#include "engine/conversion_log.h"
#include "engine/run_settings.h"
#include "engine/pattern_set.h"
#include "engine/setting_names.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

// Builds the trees as the walk reports its folders: a folder gets its node when its first
// match turns up, so no folder without matches ever appears and nothing is pruned afterwards.
class TreeBuilder : public WalkVisitor {
public:
    TreeBuilder(const RunSettings& settings, PreviewFolder& top, ScanReport& report,
                const std::atomic<bool>* cancel)
        : settings_(settings), top_(top), report_(report), cancel_(cancel) {}

    // The nodes of the reached folders still being walked form a chain from the top: a new
    // folder hangs below the last of them. Only the last node's vectors grow, so the pointers
    // held to the nodes before it stay valid.
    void folder_reached(const WalkFolder& folder) override {
        if (!folder.parent) {
            open_.push_back(&top_);
            return;
        }
        PreviewFolder& parent = *open_.back();
        parent.folders.push_back(PreviewFolder{folder.name, {}, {}});
        open_.push_back(&parent.folders.back());
    }

    void folder_left(const WalkFolder&) override { open_.pop_back(); }

    void file_matched(const WalkFolder&, const std::string& name) override {
        open_.back()->files.push_back(
            PreviewFile{name, derive_output_name(name, settings_.output_pattern)});
    }

    void folder_unreadable(const WalkFolder& folder) override {
        if (report_.unreadable++ == 0) report_.first_unreadable = folder.input_path;
    }

    bool stop_requested() override { return cancel_ && cancel_->load(std::memory_order_relaxed); }

private:
    const RunSettings& settings_;
    PreviewFolder& top_;
    ScanReport& report_;
    const std::atomic<bool>* cancel_;
    std::vector<PreviewFolder*> open_;
};

void rename_files(PreviewFolder& folder, const std::string& output_pattern) {
    for (PreviewFolder& sub : folder.folders) rename_files(sub, output_pattern);
    for (PreviewFile& file : folder.files) {
        file.output_name = derive_output_name(file.name, output_pattern);
    }
}

void render_folder(const PreviewFolder& folder, TreeSide side, int depth,
                   const std::string& line_end, bool marks, std::string& out) {
    const std::string indent(2 * static_cast<std::size_t>(depth), ' ');
    for (const PreviewFolder& sub : folder.folders) {
        out += indent + sub.name + line_end;
        render_folder(sub, side, depth + 1, line_end, marks, out);
    }
    for (const PreviewFile& file : folder.files) {
        out += indent + (side == TreeSide::Input ? file.name : file.output_name);
        if (marks && side == TreeSide::Output) out += output_mark_suffix(file.mark);
        out += line_end;
    }
}

// Counts, by the file system's comparison, the inputs of every output path below folder.
void count_outputs(const PreviewFolder& folder, const std::string& path,
                   std::unordered_map<std::string, int>& inputs, std::size_t& shared) {
    for (const PreviewFolder& sub : folder.folders) {
        count_outputs(sub, path + sub.name + path_separator, inputs, shared);
    }
    for (const PreviewFile& file : folder.files) {
        if (++inputs[path_compare_key(path + file.output_name)] == 2) ++shared;
    }
}

// Notices one after the other, as the log box shows them.
std::string joined_notices(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + "\r\n\r\n" + second;
}

// The words that follow the notices of the checks and the scan: on shared output names, then
// on the marks, each when there is something to say.
std::string output_notices(const FileTrees& trees) {
    return joined_notices(shared_output_notice(shared_output_names(trees)),
                          output_marks_notice(count_output_marks(trees)));
}

}  // namespace

bool operator==(const PreviewFile& a, const PreviewFile& b) {
    return a.name == b.name && a.output_name == b.output_name && a.mark == b.mark;
}

bool operator==(const PreviewFolder& a, const PreviewFolder& b) {
    return a.name == b.name && a.folders == b.folders && a.files == b.files;
}

bool operator==(const FileTrees& a, const FileTrees& b) {
    return a.input_root == b.input_root && a.output_root == b.output_root && a.top == b.top;
}

FileTrees scan_directory(const RunSettings& settings, const PatternSet& patterns,
                         ScanReport& report, const std::atomic<bool>* cancel) {
    FileTrees trees;
    trees.input_root = settings.input_directory;
    trees.output_root = settings.output_directory;
    TreeBuilder builder(settings, trees.top, report, cancel);
    walk_input(settings, patterns, builder);
    return trees;
}

InputRefresh refresh_input_tree(const RunSettings& settings, const std::atomic<bool>* cancel) {
    InputRefresh refresh;
    PatternSet patterns;
    if (CheckResult notice = check_input(settings, patterns)) {
        refresh.log_text = std::move(*notice);
        return refresh;
    }
    if (CheckResult notice = check_output(settings)) {
        refresh.log_text = std::move(*notice);
    } else if (CheckResult notice = check_placeholders(settings)) {
        refresh.log_text = std::move(*notice);
    }
    ScanReport report;
    refresh.trees = scan_directory(settings, patterns, report, cancel);
    refresh.cancelled = cancel && cancel->load();
    if (report.unreadable > 0) {
        // The path goes last: a notice that is too long loses the end of its message.
        std::string message = "A folder could not be read";
        if (report.unreadable > 1) {
            message += " (and " + std::to_string(report.unreadable - 1) + " more)";
        }
        message += ": \"" + report.first_unreadable + "\"";
        refresh.log_text = make_notice(input_section, input_directory_key, message);
    }
    // A cancelled refresh is never shown: its outputs need not be looked at.
    if (!refresh.cancelled) mark_outputs(*refresh.trees, settings.skip_up_to_date);
    refresh.scan_notice = refresh.log_text;
    refresh.log_text = joined_notices(refresh.scan_notice, output_notices(*refresh.trees));
    return refresh;
}

void rename_refreshed_trees(InputRefresh& refresh, const RunSettings& settings) {
    if (!refresh.trees) return;
    refresh_output_tree(&*refresh.trees, settings);
    refresh.log_text = joined_notices(refresh.scan_notice, output_notices(*refresh.trees));
}

std::string refresh_output_tree(FileTrees* trees, const RunSettings& settings) {
    CheckResult notice = check_output(settings);
    if (!notice) notice = check_placeholders(settings);
    if (!trees) return notice ? *notice : std::string();
    trees->output_root = settings.output_directory;
    rename_files(trees->top, settings.output_pattern);
    mark_outputs(*trees, settings.skip_up_to_date);
    return joined_notices(notice ? *notice : std::string(), output_notices(*trees));
}

std::size_t shared_output_names(const FileTrees& trees) {
    std::unordered_map<std::string, int> inputs;
    std::size_t shared = 0;
    count_outputs(trees.top, std::string(), inputs, shared);
    return shared;
}

std::string shared_output_notice(std::size_t shared) {
    if (shared == 0) return std::string();
    const std::string message =
        std::to_string(shared) +
        (shared == 1 ? " output name is shared by more than one input."
                     : " output names are shared by more than one input.");
    return make_notice(output_section, output_pattern_key, message);
}

std::string render_tree(const FileTrees& trees, TreeSide side, const std::string& line_end,
                        bool marks) {
    std::string out = (side == TreeSide::Input ? trees.input_root : trees.output_root) + line_end;
    render_folder(trees.top, side, 1, line_end, marks, out);
    return out;
}

std::size_t file_count(const PreviewFolder& folder) {
    std::size_t count = folder.files.size();
    for (const PreviewFolder& sub : folder.folders) count += file_count(sub);
    return count;
}
