// The directory scan behind the two trees, and the renaming of the preview.
#include "engine/scan.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "engine/conversion_log.h"
#include "engine/pattern_set.h"
#include "engine/run_settings.h"
#include "engine/run_shard.h"
#include "engine/setting_names.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

// Builds the trees as the walk reports its folders: a folder gets its place when its first
// match turns up, so no folder without matches ever appears and nothing is pruned afterwards.
// A folder's files wait until it is left and then join the list together, so each folder's
// files lie side by side however the walk mixes them with its sub-folders'.
class TreeBuilder : public WalkVisitor {
public:
    TreeBuilder(const RunSettings& settings, FileTrees& trees, ScanReport& report,
                const std::atomic<bool>* superseded, ScanListener* listener)
        : settings_(settings),
          trees_(trees),
          report_(report),
          superseded_(superseded),
          listener_(listener) {}

    // The places of the reached folders still being walked form a chain from the top: a new
    // folder hangs below the last of them.
    void folder_reached(const WalkFolder& folder) override {
        if (!folder.parent) {
            open_.assign(1, 0);
            return;
        }
        PreviewFolder added;
        added.name = trees_.names.keep(folder.name);
        added.parent = open_.back();
        open_.push_back(trees_.folders.size());
        trees_.folders.push_back(added);
        if (listener_) listener_->folder_added(trees_, open_.back(), depth());
    }

    void folder_left(const WalkFolder&) override {
        std::vector<PreviewFile>& waiting = waiting_files();
        PreviewFolder& folder = trees_.folders[open_.back()];
        folder.end = trees_.folders.size();
        folder.first_file = trees_.files.size();
        trees_.files.insert(trees_.files.end(), waiting.begin(), waiting.end());
        folder.end_file = trees_.files.size();
        waiting.clear();  // keeps its room for the next folder at this depth
        if (listener_) listener_->files_added(trees_, open_.back(), depth());
        open_.pop_back();
    }

    void file_matched(const WalkFolder&, const std::string& name) override {
        waiting_files().push_back(PreviewFile{
            trees_.names.keep(name),
            trees_.output_names.keep(derive_output_name(name, settings_.output_pattern))});
    }

    void folder_unreadable(const WalkFolder& folder) override {
        if (report_.unreadable++ == 0) report_.first_unreadable = folder.input_path;
    }

    bool stop_requested() override {
        return superseded_ && superseded_->load(std::memory_order_relaxed);
    }

private:
    int depth() const { return static_cast<int>(open_.size()) - 1; }

    // The files met so far in the last open folder, one list per depth.
    std::vector<PreviewFile>& waiting_files() {
        const std::size_t depth = open_.size() - 1;
        if (waiting_.size() <= depth) waiting_.resize(depth + 1);
        return waiting_[depth];
    }

    const RunSettings& settings_;
    FileTrees& trees_;
    ScanReport& report_;
    const std::atomic<bool>* superseded_;
    ScanListener* listener_;
    std::vector<std::size_t> open_;
    std::vector<std::vector<PreviewFile>> waiting_;
};

void rename_files(FileTrees& trees, const std::string& output_pattern) {
    trees.output_names.clear();
    for (PreviewFile& file : trees.files) {
        file.output_name =
            trees.output_names.keep(derive_output_name(std::string(file.name), output_pattern));
    }
}

void visit_folder(const FileTrees& trees, const PreviewFolder& folder, TreeSide side, int depth,
                  const std::function<void(const TreeLine&)>& visit) {
    for (const PreviewFolder& sub : trees.sub_folders(folder)) {
        visit(TreeLine{depth, sub.name, nullptr});
        visit_folder(trees, sub, side, depth + 1, visit);
    }
    for (const PreviewFile& file : trees.files_of(folder)) {
        visit(TreeLine{depth, side == TreeSide::Input ? file.name : file.output_name, &file});
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

FileTrees::FileTrees() : folders(1, PreviewFolder{{}, 0, 1, 0, 0}) {}

FileTrees::FileTrees(const FileTrees& other)
    : input_root(other.input_root),
      output_root(other.output_root),
      folders(other.folders),
      files(other.files) {
    for (PreviewFolder& folder : folders) folder.name = names.keep(folder.name);
    for (PreviewFile& file : files) {
        file.name = names.keep(file.name);
        file.output_name = output_names.keep(file.output_name);
    }
}

FileTrees& FileTrees::operator=(const FileTrees& other) {
    if (this != &other) *this = FileTrees(other);
    return *this;
}

bool operator==(const PreviewFile& a, const PreviewFile& b) {
    return a.name == b.name && a.output_name == b.output_name && a.mark == b.mark;
}

bool operator==(const PreviewFolder& a, const PreviewFolder& b) {
    return a.name == b.name && a.parent == b.parent && a.end == b.end &&
           a.first_file == b.first_file && a.end_file == b.end_file;
}

bool operator==(const FileTrees& a, const FileTrees& b) {
    return a.input_root == b.input_root && a.output_root == b.output_root &&
           a.folders == b.folders && a.files == b.files;
}

FileTrees scan_directory(const RunSettings& settings, const PatternSet& patterns,
                         ScanReport& report, const std::atomic<bool>* superseded,
                         ScanListener* listener, const RunShard* shard) {
    FileTrees trees;
    trees.input_root = settings.input_directory;
    trees.output_root = settings.output_directory;
    if (listener) listener->folder_added(trees, 0, 0);
    TreeBuilder builder(settings, trees, report, superseded, listener);
    if (shard) {
        ShardWalkFilter filter(*shard, builder);
        walk_input(settings, patterns, filter);
    } else {
        walk_input(settings, patterns, builder);
    }
    return trees;
}

InputRefresh refresh_input_tree(const RunSettings& settings, const std::atomic<bool>* superseded,
                                ScanListener* listener, const RunShard* shard) {
    InputRefresh refresh;
    PatternSet patterns;
    if (CheckResult notice = check_input(settings, patterns)) {
        refresh.log_text = std::move(*notice);
        return refresh;
    }
    if (CheckResult notice = check_output(settings)) {
        refresh.log_text = std::move(*notice);
    } else {
        refresh.checks_passed = true;
        if (CheckResult notice = check_placeholders(settings)) refresh.log_text = std::move(*notice);
    }
    ScanReport report;
    refresh.trees = scan_directory(settings, patterns, report, superseded, listener, shard);
    refresh.superseded = superseded && superseded->load();
    if (report.unreadable > 0) {
        // The path goes last: a notice that is too long loses the end of its message.
        std::string message = "A folder could not be read";
        if (report.unreadable > 1) {
            message += " (and " + std::to_string(report.unreadable - 1) + " more)";
        }
        message += ": \"" + report.first_unreadable + "\"";
        refresh.log_text = make_notice(input_section, input_directory_key, message);
    }
    // A superseded refresh is never shown: its outputs need not be looked at.
    if (!refresh.superseded) mark_outputs(*refresh.trees, settings.skip_up_to_date);
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
    rename_files(*trees, settings.output_pattern);
    mark_outputs(*trees, settings.skip_up_to_date);
    return joined_notices(notice ? *notice : std::string(), output_notices(*trees));
}

// The key of a path is the keys of its parts one after the other, so each folder's key is made
// once. The keys of all output paths lie in one text; sorted by their hash, equal keys meet.
std::size_t shared_output_names(const FileTrees& trees) {
    std::vector<std::string> folder_keys(trees.folders.size());
    std::string keys;
    std::vector<std::size_t> key_ends;
    key_ends.reserve(trees.files.size());
    for (std::size_t place = 0; place < trees.folders.size(); ++place) {
        const PreviewFolder& folder = trees.folders[place];
        if (place > 0) {
            folder_keys[place] = folder_keys[folder.parent] +
                                 path_compare_key(std::string(folder.name) + path_separator);
        }
        for (const PreviewFile& file : trees.files_of(folder)) {
            keys += folder_keys[place];
            keys += path_compare_key(std::string(file.output_name));
            key_ends.push_back(keys.size());
        }
    }
    std::vector<std::pair<std::size_t, std::string_view>> hashed;
    hashed.reserve(key_ends.size());
    std::size_t start = 0;
    for (std::size_t end : key_ends) {
        const std::string_view key(keys.data() + start, end - start);
        hashed.emplace_back(std::hash<std::string_view>()(key), key);
        start = end;
    }
    std::sort(hashed.begin(), hashed.end());
    std::size_t shared = 0;
    for (std::size_t first = 0; first < hashed.size();) {
        std::size_t last = first + 1;
        while (last < hashed.size() && hashed[last] == hashed[first]) ++last;
        if (last - first > 1) ++shared;
        first = last;
    }
    return shared;
}

std::string shared_output_notice(std::size_t shared) {
    if (shared == 0) return std::string();
    const std::string message =
        std::to_string(shared) + (shared == 1 ? " output name is shared by more than one input."
                                              : " output names are shared by more than one input.");
    return make_notice(output_section, output_pattern_key, message);
}

void visit_tree_lines(const FileTrees& trees, TreeSide side,
                      const std::function<void(const TreeLine&)>& visit) {
    visit(TreeLine{0, side == TreeSide::Input ? trees.input_root : trees.output_root, nullptr});
    visit_folder(trees, trees.top(), side, 1, visit);
}

std::string render_tree(const FileTrees& trees, TreeSide side, const std::string& line_end,
                        bool marks) {
    std::string out;
    visit_tree_lines(trees, side, [&](const TreeLine& line) {
        out.append(2 * static_cast<std::size_t>(line.depth), ' ');
        out += line.text;
        if (marks && line.file && side == TreeSide::Output)
            out += output_mark_suffix(line.file->mark);
        out += line_end;
    });
    return out;
}
