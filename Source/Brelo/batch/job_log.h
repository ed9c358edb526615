// The job log of a run: one line per matching file, in the layout GNU parallel writes and reads
// with --joblog, with columns of Brelo's own after parallel's, and the joining of the job logs
// of a run's shards into the log the whole run would have printed.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/batch_run.h"

// The first line: parallel's column names, then Brelo's.
std::string job_log_header();

// A field with "%", tab, line feed and carriage return written as %25, %09, %0A and %0D, so
// that a line holds no tab but its separators and ends only at its line feed, and Windows paths
// keep their backslashes as they are; and back.
std::string escape_field(const std::string& text);
std::string unescape_field(const std::string& text);

// What every line of one run's job log repeats.
struct JobLogRun {
    RunShard shard;        // 1/1 for a run that is not sharded
    int whole_count = 0;   // the whole run's matching files, every shard's
    std::string header;    // the log's header, once the run has given it
};

// One file's line, "\n" included. Exitval: the converter's exit code; 0 for a skipped file; 255
// for a file that failed without a code of its own (refused, could not start, ended by Stop,
// wrote no output, ended by a signal, whose number goes to Signal); -1 for a file Stop kept
// from starting, which parallel --resume-failed runs again.
std::string job_log_line(const JobLogRun& run, const FileRecord& record,
                         std::size_t console_bytes, const std::string& entry_text);

// Passes every piece of the run on to next and writes one line per matching file to file,
// flushed at once, so a run that is killed leaves the lines of the files it finished. An entry
// keeps the first kept_console_text bytes of its console text, then a line saying how many more
// there were: memory stays bounded however much a converter prints.
class JobLogEvents : public RunEvents {
public:
    static constexpr std::size_t kept_console_text = 1024 * 1024;

    JobLogEvents(RunEvents& next, std::ostream& file, JobLogRun run);

    void notice(const std::string& text) override { next_.notice(text); }
    void header(const std::string& text) override;
    void file_started(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override;
    void console_text(const std::string& text) override;
    void file_ended(const std::string& text) override;
    void file_skipped(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override;
    void file_record(const FileRecord& record) override;
    void note(const std::string& text) override { next_.note(text); }
    void finished(int total, const std::string& text) override { next_.finished(total, text); }

private:
    RunEvents& next_;
    std::ostream& file_;
    JobLogRun run_;
    std::string entry_;           // the current entry's text
    std::size_t console_bytes_ = 0;
};

// Reads the job log of an earlier run for --retry-failed: done[place] tells whether the file at
// that place of files (matching_files of this run) ended with Exitval and Signal 0 on its last
// line (a line parallel appended counts too). Empty, or the reason the log cannot be used: a line
// that is no job log's, none of brelo-batch's own, or one whose input or command line differs
// from this run's at its place (other settings).
std::string read_earlier_run(const std::string& text, const std::vector<FileRecord>& files,
                             std::vector<bool>& done);

// The joined log of the job logs' texts, and the exit code the whole run would have had.
struct JoinedLog {
    std::string log;    // empty with an error
    int exit_code = 0;
    std::string error;  // a job log that cannot be read as one of this run
};

// Joins the job logs of the shards of one run: the header, every file's entry in walk order,
// the total with the lines on failed, skipped and not started files, and stamp as the time
// stamp. A file no log has a line for counts as not started. line_end ends the last line.
JoinedLog join_job_logs(const std::vector<std::string>& texts, const std::string& stamp,
                        const std::string& line_end);
