// The command line of brelo-batch: which fields of the settings file it overrides and what it
// does instead of a run.
#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asked for. An option that is absent leaves the settings file's value.
struct BatchOptions {
    std::optional<std::string> ini;        // --ini FILE
    std::optional<std::string> input;      // --input DIR
    std::optional<std::string> patterns;   // --patterns TEXT
    std::optional<bool> subfolders;        // --subfolders / --no-subfolders
    std::optional<std::string> output;     // --output DIR
    std::optional<std::string> name;       // --name PATTERN
    std::optional<std::string> converter;  // --converter TITLE or 1-based position
    std::optional<std::string> jobs;       // --jobs N or -j N, checked when it is applied
    std::optional<std::string> time_limit;  // --time-limit S, checked when it is applied
    std::optional<bool> skip_up_to_date;   // --skip-up-to-date / --no-skip-up-to-date
    std::optional<bool> keep_times;        // --keep-times / --no-keep-times
    std::optional<bool> progress;          // --progress / --no-progress
    bool preview = false;                  // --preview
    bool marks = false;                    // --marks, with --preview
    bool dry_run = false;                  // --dry-run or -n
    bool help = false;                     // --help or -h
    bool version = false;                  // --version
    std::optional<std::string> joblog;     // --joblog FILE
    std::optional<std::string> shard;      // --shard K/N, checked when it is applied
    bool print_jobs = false;               // --print-jobs
    std::optional<std::string> retry_failed;  // --retry-failed FILE
    bool join_logs = false;                // --join-logs LOG...
    std::vector<std::string> logs;         // the LOGs: the arguments that are no option's
};

// The result of reading the arguments: the options, or the reason they cannot be used.
struct ParsedOptions {
    BatchOptions options;
    std::string error;  // empty when the arguments are usable
};

// Reads the arguments that follow the program's name. Arguments that are no option's are
// --join-logs's logs (an error without it). A value follows its option as the next argument or
// after "=" in the same one ("--input=D:\Data"); the short -j takes it as the next argument or
// joined to it ("-j2"); the later of two equal options wins. Unknown options, stray arguments and
// a missing value are errors, and so are --preview and --dry-run together (a plan of commands
// that can be pasted has no trees in it), and --marks without --preview. --help and --version make every other argument
// irrelevant, errors included; --help wins over --version.
ParsedOptions parse_options(const std::vector<std::string>& args);

// The short synopsis printed after a usage error.
std::string usage_text();
// The whole explanation printed by --help.
std::string help_text();
// The line printed by --version: the program's name and version.
std::string version_text();
