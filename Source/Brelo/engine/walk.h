// The one walk through the input tree. The scan, the run and the dry run each go through the
// input directory by the same rules, so each of them is a visitor of this walk.
#pragma once

#include <string>

struct RunSettings;
struct PatternSet;

// A folder the walk is in, and the folder mirroring it below the output directory.
struct WalkFolder {
    const WalkFolder* parent = nullptr;  // null for the input directory itself
    std::string name;                    // the folder's entry name; empty for the input directory
    std::string input_path;
    std::string output_path;
};

// What the walk reports. Everything is called on the walking thread, in walk order.
class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    // A folder is about to deliver its first matching file. Called once per folder, the input
    // directory included, outer folders before inner ones, so a folder without any match is
    // never reported.
    virtual void folder_reached(const WalkFolder& folder) { (void)folder; }
    // A reached folder is done with: nothing more comes from it or from below it. Folders are
    // left in the opposite order to the one they were reached in, also when the walk stops.
    virtual void folder_left(const WalkFolder& folder) { (void)folder; }
    // A file whose name matches the patterns.
    virtual void file_matched(const WalkFolder& folder, const std::string& name) = 0;
    // A folder (the input directory included) that could not be listed: nothing below it is
    // visited. Windows cannot list paths beyond 259 characters with the 8-bit calls.
    virtual void folder_unreadable(const WalkFolder& folder) { (void)folder; }
    // Asked before every entry; true ends the walk there.
    virtual bool stop_requested() { return false; }
};

// Walks the input directory of the settings: each level is listed whole before any of its
// entries is acted on (so files a converter writes into it meanwhile are not taken up), entries
// are visited in the order the file system lists them, "." and ".." are skipped, sub-folders are
// entered only with Include Subfolders and never the output directory (by its text or by its
// identity, whatever link leads there), and no folder is entered twice (links that lead back
// up the tree). A folder that cannot be listed is reported and contributes nothing else. False
// when the visitor stopped the walk.
bool walk_input(const RunSettings& settings, const PatternSet& patterns,
                WalkVisitor& visitor);

// The output path for a matching file of folder: the output folder joined with the name the
// output pattern derives from the file's name.
std::string output_path_of(const WalkFolder& folder, const std::string& name,
                           const std::string& output_pattern);

// The path of an entry: directory, the platform's separator, name. Paths are never cut to the
// 259 characters of the Windows API's buffers: a cut path would name another file. A longer one is
// handed on whole, so a directory the system cannot list contributes nothing and a converter
// receives the full path and reports for itself what it cannot open.
std::string join_path(const std::string& directory, const std::string& name);

// True when the walk must not enter this sub-directory because it is the output directory:
// with Include Subfolders on and the output directory inside the input tree, a run would
// otherwise convert its own outputs again, one level deeper each time.
bool is_output_directory(const std::string& path, const RunSettings& settings);

// Whether two directory paths name the same place by their text: separators repeated or
// trailing, "." and ".." are resolved, and on Windows case and "/" versus "\" don't count.
// Links, short names and relative against absolute paths are not recognised.
bool same_directory_path(const std::string& a, const std::string& b);
