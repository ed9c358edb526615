// The directory scan behind the two trees, as a plain value: the folders and files that the
// input tree and the output preview show, each file with its input and its output name.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "engine/output_marks.h"

struct RunSettings;
struct PatternSet;

struct PreviewFile {
    std::string name;         // as found in its folder
    std::string output_name;  // derived by the output pattern
    OutputMark mark = OutputMark::New;  // what Run would do with the output (mark_outputs)
};

// A folder that holds a match, directly or below. The trees show its sub-folders first, in the
// order the walk met them, then its files in the same order.
struct PreviewFolder {
    std::string name;  // the same in both trees; empty for the top level
    std::vector<PreviewFolder> folders;
    std::vector<PreviewFile> files;
};

// Both trees: the roots show the input and the output directory, everything else hangs below.
struct FileTrees {
    std::string input_root;
    std::string output_root;
    PreviewFolder top;
};

bool operator==(const PreviewFile& a, const PreviewFile& b);
bool operator==(const PreviewFolder& a, const PreviewFolder& b);
bool operator==(const FileTrees& a, const FileTrees& b);

// What one scan met besides the trees: the folders that could not be listed.
struct ScanReport {
    int unreadable = 0;
    std::string first_unreadable;   // path of the first such folder
};

// The scan of the input directory of the settings by the walk's rules. Only folders that hold a
// match, directly or below, appear. A set cancel flag ends the scan early with what it has.
FileTrees scan_directory(const RunSettings& settings, const PatternSet& patterns,
                         ScanReport& report, const std::atomic<bool>* cancel = nullptr);

// What a refresh of the input side leaves in the window.
struct InputRefresh {
    std::optional<FileTrees> trees;  // none when the input check failed: both trees are empty
    std::string log_text;            // what the log box shows: empty, or the notices
    bool cancelled = false;          // the cancel flag was set; show nothing of this refresh
    // The notice of the checks or of the scan alone, without the word on shared output names,
    // which follows the output names (see rename_refreshed_trees).
    std::string scan_notice;
};

// The input side's refresh: check_input, then (if it passed) check_output, whose notice may
// stay while the scan goes on regardless, or else the notice of unknown placeholders in the
// output-name pattern, then the scan. A folder that could not be listed is
// reported in a notice that names it and says how many more there were. When the preview gives
// one output name to more than one input, a notice says so, after the other one if there is one.
// The outputs are marked (mark_outputs), and when any is not new, the notice of the marks
// follows the others.
InputRefresh refresh_input_tree(const RunSettings& settings,
                                const std::atomic<bool>* cancel = nullptr);

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

// One side of the trees as text: one line per item, each ended by line_end, indented by two
// blanks per level below the root. With marks, each output name is followed by its mark's
// suffix (output_mark_suffix).
enum class TreeSide { Input, Output };
std::string render_tree(const FileTrees& trees, TreeSide side, const std::string& line_end,
                        bool marks = false);

// The number of files in the trees.
std::size_t file_count(const PreviewFolder& folder);
