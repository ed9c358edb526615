// One file's conversion: the converter's run and what its output file says about it. A
// converter that fails must not leave an output that a later run takes as done, and one that
// succeeds must have written its output.
#pragma once

#include <string>

#include "engine/console_process.h"
#include "engine/converter.h"

// The line of a converter that exited with 0 but left no output file although it was given one.
inline constexpr const char* no_output_text = "Converter wrote no output.\r\n";

// One converter to run for one file.
struct FileJob {
    std::string command_line;
    std::string work_dir;
    std::string input_path;
    std::string output_path;
    // The command line hands the converter its output path, so a converter that succeeds has
    // written that file.
    bool expects_output = true;
    // A converted file's output gets the input's modification time (Keep Times).
    bool keep_times = false;
};

// How one file's conversion ended.
struct FileEnd {
    ConverterEnd converter;
    bool wrote_no_output = false;  // it succeeded, but the output it was given does not exist
    double start_time = 0;  // when the converter was started, in seconds since 1970 (UTC)
    double run_time = 0;    // seconds from its start to the judgement of its output

    // Converted: the converter succeeded and its output exists (when it was given one).
    bool succeeded() const { return converter.succeeded() && !wrote_no_output; }
};

// How a matching file of the run ended.
enum class FileOutcome {
    Converted,   // its converter succeeded
    Failed,      // its converter ran (or failed to start) and did not succeed
    Refused,     // no converter was started: a name it must not get, or a shared output name
    Skipped,     // its output was up to date
    NotStarted,  // Stop came first
    DoneEarlier, // an earlier run converted it (brelo-batch --retry-failed)
};

// One matching file as the run saw it, for a record of the run beside its log.
struct FileRecord {
    int place = 0;  // its place among the whole walk's matching files, from 0
    FileOutcome outcome = FileOutcome::NotStarted;
    std::string input_path;    // as the converter gets it
    std::string output_path;   // as the converter gets it
    std::string command_line;  // the one it was (or would have been) started with
    FileEnd end;               // meaningful with Converted and Failed
    std::string refusal;       // with Refused: the line of its entry that says why
};

// Whether the command line hands the converter the output path.
bool command_passes_output(const PreparedCommand& command);

// Runs the converter as run_console_process does, handing its text to sink, and then judges the
// output file:
// - it succeeded and was given an output that does not exist: "Converter wrote no output."
//   follows its text, on a line of its own, and the file counts as failed;
// - it did not succeed (exit code, signal, Stop): an output it created or changed while it ran
//   (by existence, time or size, against the state taken just before it started) gets a
//   modification time 2 seconds before its input's, so that "Skip up-to-date files" converts
//   it again. The file stays where it is; an output it did not touch stays as it was.
// With keep_times, a file that converted gets its input's modification time on its output
// (keep_input_time).
FileEnd convert_file(const FileJob& job, const ConsoleSink& sink, ConverterWatch& watch);

// Up to date: the output exists and is not older than its input (both times read). The run's
// skipping and the preview's marks judge by this alone.
bool output_up_to_date(const std::string& input_path, const std::string& output_path);

// The output's modification time is set to the input's: an output not older than its input is
// up to date, so "Skip up-to-date files" passes over it. False when either time cannot be read
// or set; the output is then left as the converter wrote it.
bool keep_input_time(const std::string& input_path, const std::string& output_path);

// The output's modification time is set 2 seconds before the input's. False when either time
// cannot be read or set.
bool mark_output_outdated(const std::string& input_path, const std::string& output_path);
