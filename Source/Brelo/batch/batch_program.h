// brelo-batch as a whole: options, settings, then the run, the preview or the dry run.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// The exit codes.
inline constexpr int exit_ran = 0;           // every file converted (or was previewed, planned)
inline constexpr int exit_usage_error = 1;   // options unusable; message and usage on err
inline constexpr int exit_check_failed = 2;  // a check failed; its notice on err
inline constexpr int exit_files_failed = 3;  // some file failed or a folder could not be read
inline constexpr int exit_stopped = 4;       // the run was stopped before its end

// Runs the program for the arguments after its name, writing the log, trees or commands to out
// and messages to err. Changes the process's current directory to the program's folder, as the
// window does at start, and while a run goes on Ctrl+C acts as Stop.
int run_batch_program(const std::vector<std::string>& args, std::ostream& out,
                      std::ostream& err);
