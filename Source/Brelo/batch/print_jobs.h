// --print-jobs: the run as a list of shell commands, one per matching file, for a job runner
// such as GNU parallel to start.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/run_plan.h"

// The job of one file for a POSIX shell: change to work_dir, then start the program with the
// arguments, every word quoted.
std::string posix_job(const std::string& work_dir, const std::vector<std::string>& args);

// Walks as the run does and writes to out, each ended by a NUL, the job of every matching file
// the run would start (the request's shard only; with Skip Up To Date not those whose output is
// up to date). On POSIX a job changes to the converter's working directory and starts its program
// with the arguments the run would give it; on Windows it is a cmd.exe line, and every name
// cmd.exe would not pass on as it is is refused. The output folders the run would make are made
// first, each before the first job that writes into it. Every matching file gets a job, so a job
// runner numbers them in walk order: a file the run would refuse (a name that cannot pass, an
// output name an earlier file has) gets one that exits with 255 (on POSIX after printing why on
// its standard error), and also a line on err; a file skipped as up to date or done in the
// earlier run (--retry-failed) one that exits with 0. A folder that cannot be read gets a line on err. The exit code: exit_check_failed when a check failed (its notice on err),
// exit_files_failed when some file was refused or a folder could not be read, else exit_ran.
int print_jobs(const CheckedRequest& checked, std::ostream& out, std::ostream& err);
