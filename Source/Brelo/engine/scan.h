// The directory scan that fills the input tree and the output preview, and the renaming of the
// preview when only the output settings change.
#pragma once

#include <string>

#include "engine/window_parts.h"

struct CurrentSettings;
struct PatternSet;

// Captures the settings, empties both trees and, if check_input passes, runs check_output
// (whose notice may stay; the scan goes on regardless) and fills both trees from the input
// directory. Only folders that hold a match, directly or below, get items; sub-folders come
// before files whatever order the disk delivers; both roots end up selected and expanded. With
// Include Subfolders on, the output directory's subtree is left out when it lies inside the
// input tree. A name the patterns are too complex for is taken as not matching and reported in
// a notice.
void refresh_input_tree(MainWindow& window);

// Captures the settings, runs check_output (result ignored) and renames the preview from the
// input tree: the root shows the output directory, every file item the name derived from its
// partner's text. Adds and removes nothing; does nothing when the trees are empty.
void refresh_output_tree(MainWindow& window);

// What one scan met besides the trees: the names the patterns were too complex for.
struct ScanReport {
    int too_complex = 0;
    std::string first_too_complex;  // path of the first such name
};

// Fills both trees for the input directory of the settings: the two roots (input directory,
// output directory) at the top of the empty trees, then everything below, in one pass over
// each directory. Returns what it met.
ScanReport scan_directory(FileTree& input_tree, FileTree& output_tree,
                          const CurrentSettings& settings, const PatternSet& patterns);

// Whether the directory, or with Include Subfolders any directory below it (the output
// directory's subtree excepted), holds a file whose name matches. False when the directory
// cannot be listed. Stops at the first match.
bool contains_match(const std::string& directory, const PatternSet& patterns,
                    const CurrentSettings& settings);

// Inserts a folder or root item (folder image) and returns it.
TreeItem insert_folder_item(FileTree& tree, TreeItem parent, TreeItem after,
                            const std::string& text);

// Makes the two items each other's partner.
void link_items(FileTree& input_tree, FileTree& output_tree, TreeItem input_item,
                TreeItem output_item);

// True when the walk must not enter this sub-directory because it is the output directory:
// with Include Subfolders on and the output directory inside the input tree, a run would
// otherwise convert its own outputs again, one level deeper each time.
bool is_output_directory(const std::string& path, const CurrentSettings& settings);

// Whether two directory paths name the same place by their text: separators repeated or
// trailing, "." and ".." are resolved, and on Windows case and "/" versus "\" don't count.
// Links, short names and relative against absolute paths are not recognised.
bool same_directory_path(const std::string& a, const std::string& b);

// The path of an entry: directory, the platform's separator, name. Paths are never cut to the
// 259 characters of the Windows API's buffers: a cut path would name another file. A longer one is
// handed on whole, so a directory the system cannot list contributes nothing and a converter
// receives the full path and reports for itself what it cannot open.
std::string join_path(const std::string& directory, const std::string& name);
