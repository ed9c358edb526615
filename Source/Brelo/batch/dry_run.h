// The commands a run would start, found by the run's own walk without starting any of them.
#pragma once

#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/current_settings.h"
#include "engine/pattern_set.h"

// One file of the walk, in the order the run would meet it.
struct PlannedFile {
    std::string input_path;
    std::string output_path;   // empty with the note of a folder
    std::string command_line;  // empty with a note
    // The run's log line for a folder that could not be listed, or for a file it would refuse
    // (file_refusal) before starting its converter.
    std::string note;
};

// Walks the input directory with the run's own walk (Include Subfolders, "." and "..", the output
// directory's subtree left out, entries in the order the file system gives them) and returns
// every matching file with its output path and command line. Relative directories are resolved
// for the command lines as the run resolves them; the paths shown stay as typed. Reads
// directories only: makes no folder and starts nothing.
std::vector<PlannedFile> plan_batch(const CurrentSettings& settings, const PatternSet& patterns,
                                    const PreparedCommand& command);

// The plan as printed by --dry-run: per file the line "input -> output", then the command line
// and the working directory, each on a tab-indented line; then the number of commands.
std::string format_plan(const std::vector<PlannedFile>& plan, const std::string& work_dir,
                        const std::string& line_end);
