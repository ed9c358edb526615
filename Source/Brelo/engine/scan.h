// The directory scan behind the two trees, as a plain value: the folders and files that the
// input tree and the output preview show, each file with its input and its output name.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/name_blocks.h"
#include "engine/output_marks.h"

struct RunSettings;
struct PatternSet;
struct RunShard;

// A file of the trees. Its names are views into the blocks of the trees that hold it.
struct PreviewFile {
    std::string_view name;              // as found in its folder
    std::string_view output_name;       // derived by the output pattern
    OutputMark mark = OutputMark::New;  // what Run would do with the output (mark_outputs)
};

// A folder that holds a match, directly or below. The trees show its sub-folders first, in the
// order the walk met them, then its files in the same order. Folders are known by their place
// in FileTrees::folders; FileTrees::sub_folders and files_of go through what a folder holds.
struct PreviewFolder {
    std::string_view name;       // the same in both trees; empty for the top level
    std::size_t parent = 0;      // the place of the folder it is in; 0 for the top level itself
    std::size_t end = 0;         // one past the last place below it: its next sibling's place
    std::size_t first_file = 0;  // its own files are FileTrees::files[first_file, end_file)
    std::size_t end_file = 0;
};

// The items between two pointers, for range-for.
template <typename Item>
struct ItemRange {
    const Item* first = nullptr;
    const Item* last = nullptr;
    const Item* begin() const { return first; }
    const Item* end() const { return last; }
    std::size_t size() const { return static_cast<std::size_t>(last - first); }
};

// The sub-folders of one folder, for range-for: each is followed in the list by the folders
// below it, which the iteration passes over.
class SubFolders {
public:
    class Iterator {
    public:
        Iterator(const PreviewFolder* folders, std::size_t place)
            : folders_(folders), place_(place) {}
        const PreviewFolder& operator*() const { return folders_[place_]; }
        Iterator& operator++() {
            place_ = folders_[place_].end;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return place_ != other.place_; }

    private:
        const PreviewFolder* folders_;
        std::size_t place_;
    };
    SubFolders(const PreviewFolder* folders, std::size_t first, std::size_t end)
        : folders_(folders), first_(first), end_(end) {}
    Iterator begin() const { return Iterator(folders_, first_); }
    Iterator end() const { return Iterator(folders_, end_); }

private:
    const PreviewFolder* folders_;
    std::size_t first_;
    std::size_t end_;
};

// Both trees: the roots show the input and the output directory, everything else hangs below.
// The folders and the files lie in one list each and their names in a few large blocks, so a
// tree of 100,000 files takes a few dozen allocations, not one or more per name. A copy keeps
// its own names; a move keeps the views, whose names stay where they are.
struct FileTrees {
    FileTrees();  // the top level alone
    FileTrees(const FileTrees& other);
    FileTrees& operator=(const FileTrees& other);
    FileTrees(FileTrees&&) noexcept = default;
    FileTrees& operator=(FileTrees&&) noexcept = default;

    std::string input_root;
    std::string output_root;
    // folders[0] is the top level; every folder is followed by the folders below it, in the
    // order the trees show them.
    std::vector<PreviewFolder> folders;
    // Each folder's files lie together, in the order the walk met them.
    std::vector<PreviewFile> files;
    NameBlocks names;         // the folders' and the files' names
    NameBlocks output_names;  // the files' output names, kept anew by every renaming

    const PreviewFolder& top() const { return folders.front(); }
    std::size_t place_of(const PreviewFolder& folder) const {
        return static_cast<std::size_t>(&folder - folders.data());
    }
    SubFolders sub_folders(const PreviewFolder& folder) const {
        return SubFolders(folders.data(), place_of(folder) + 1, folder.end);
    }
    ItemRange<PreviewFile> files_of(const PreviewFolder& folder) const {
        return {files.data() + folder.first_file, files.data() + folder.end_file};
    }
};

bool operator==(const PreviewFile& a, const PreviewFile& b);
bool operator==(const PreviewFolder& a, const PreviewFolder& b);
bool operator==(const FileTrees& a, const FileTrees& b);

// Hears of the trees while a scan builds them, in the order the trees show their items, so a
// view can print them as they come: a folder once its first match turns up (the top level
// before the walk starts), after the folders that hold it; a folder's files once nothing more
// comes from it, after the folders below it. depth is 0 for the top level. trees grows between
// the calls: hold on to places and names, not to references into its lists.
class ScanListener {
public:
    virtual ~ScanListener() = default;
    virtual void folder_added(const FileTrees& trees, std::size_t place, int depth) = 0;
    virtual void files_added(const FileTrees& trees, std::size_t place, int depth) = 0;
};

// What one scan met besides the trees: the folders that could not be listed.
struct ScanReport {
    int unreadable = 0;
    std::string first_unreadable;  // path of the first such folder
};

// The scan of the input directory of the settings by the walk's rules. Only folders that hold a
// match, directly or below, appear. A set superseded flag ends the scan early with what it has.
// listener, if any, hears of the trees as they grow. With a shard, only the shard's files and
// the folders that hold them (brelo-batch --preview --shard).
FileTrees scan_directory(const RunSettings& settings, const PatternSet& patterns,
                         ScanReport& report, const std::atomic<bool>* superseded = nullptr,
                         ScanListener* listener = nullptr, const RunShard* shard = nullptr);

// What a refresh of the input side leaves in the window.
struct InputRefresh {
    std::optional<FileTrees> trees;  // none when the input check failed: both trees are empty
    std::string log_text;            // what the log box shows: empty, or the notices
    bool superseded = false;         // a newer refresh took its place; show nothing of it
    bool checks_passed = false;      // check_input and check_output passed
    // The notice of the checks or of the scan alone, without the word on shared output names,
    // which follows the output names (see rename_refreshed_trees).
    std::string scan_notice;
};

// The input side's refresh: check_input, then (if it passed) check_output, whose notice may
// stay while the scan goes on regardless, or else the notice of unknown placeholders in the
// output-name pattern, then the scan. A folder that could not be listed is
// reported in a notice that names it and says how many more there were. When the preview gives
// one output name to more than one input, a notice says so, after the other one if there is one.
// listener, if any, hears of the scan's trees as they grow. The outputs are marked
// (mark_outputs), and when any is not new, the notice of the marks follows the others.
InputRefresh refresh_input_tree(const RunSettings& settings,
                                const std::atomic<bool>* superseded = nullptr,
                                ScanListener* listener = nullptr, const RunShard* shard = nullptr);

// The output fields changed while the refresh's scan ran: its trees take the output names of
// the settings, and its log text's word on shared output names and on the marks follows them;
// the scan's own notice stays as it was.
void rename_refreshed_trees(InputRefresh& refresh, const RunSettings& settings);

// The output side's refresh: check_output (its verdict does not matter; when it passed, the
// notice of unknown placeholders takes its place), then the preview of
// trees renamed for the settings: the output root shows the output directory, every file the
// name derived from its input name, marked anew. Returns what the log box shows: empty, or the
// notices: check_output's, the word on shared output names and the notice of the marks.
// trees may be null (the trees are empty) and is then left alone.
std::string refresh_output_tree(FileTrees* trees, const RunSettings& settings);

// How many output names of the preview more than one input has (each such name counts once),
// compared as the file system compares names.
std::size_t shared_output_names(const FileTrees& trees);

// The notice for that many shared output names (section "Output", key "File Patterns"); empty
// for none.
std::string shared_output_notice(std::size_t shared);

// One line of one side of the trees: the root at depth 0, then every item below it.
enum class TreeSide { Input, Output };
struct TreeLine {
    int depth;
    std::string_view text;    // the root's directory, a folder's name or a file's name
    const PreviewFile* file;  // null for the root and the folders
};

// Calls visit for each line of one side, in the order the trees show them: under each folder
// its sub-folders, each followed by what it holds, then its files.
void visit_tree_lines(const FileTrees& trees, TreeSide side,
                      const std::function<void(const TreeLine&)>& visit);

// One side of the trees as text: one line per item, each ended by line_end, indented by two
// blanks per level below the root. With marks, each output name is followed by its mark's
// suffix (output_mark_suffix).
std::string render_tree(const FileTrees& trees, TreeSide side, const std::string& line_end,
                        bool marks = false);
