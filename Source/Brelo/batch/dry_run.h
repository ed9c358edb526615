// The commands a run would start, found by the run's own walk without starting any of them.
#pragma once

#include <string>
#include <vector>

#include "engine/run_plan.h"

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
// every matching file of the request's part with its output path and command line, and every
// folder that could not be listed. Relative directories are resolved for the command lines as
// the run resolves them; the paths shown stay as typed. Reads directories only: makes no folder
// and starts nothing. The request must have passed its checks.
std::vector<PlannedFile> plan_batch(const CheckedRequest& checked);

// The shells whose quoting the printed commands follow.
enum class Shell { Posix, Cmd };

// Where the converter's program and working directory are, as the run would find them, made
// absolute so that a command pasted anywhere reaches the same files.
struct PlanPlace {
    std::string work_dir;  // absolute; empty when the converter has none (it cannot start)
    // The program for the first word of a command line: absolute, or as written when the run
    // would search the system's path for it.
    std::string (*program_for)(const std::string& word) = nullptr;
};

// A single quoted word for the shell: POSIX single quotes, a quote inside written as '\'';
// cmd.exe double quotes (paths hold no double quote).
std::string shell_quote_word(const std::string& word, Shell shell);

// One file's command as a line the shell can run: a change to the working directory, then the
// converter with the arguments it would receive. POSIX: cd 'dir' && 'program' 'arg' ...,
// the command line cut into arguments by the rules the run uses. cmd.exe: cd /d "dir" &&
// "program" and the rest of the command line as the converter receives it.
std::string shell_command(const std::string& command_line, const PlanPlace& place, Shell shell);

// The plan as printed by --dry-run, a script of the shell: per file a comment line
// "input -> output" and the command (a folder that could not be read gets a comment with the
// run's note); then a comment with the number of commands. Comments start with "# " (POSIX) or
// "REM " (cmd.exe).
std::string format_plan(const std::vector<PlannedFile>& plan, const PlanPlace& place, Shell shell,
                        const std::string& line_end);
