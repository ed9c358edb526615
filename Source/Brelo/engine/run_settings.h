// The settings of one run, as the view (the window or brelo-batch) has them: what checks,
// refreshes and runs read.
#pragma once

#include <string>

struct RunSettings {
    std::string input_directory;  // trailing backslashes removed
    std::string input_patterns;   // as typed
    bool include_subfolders = true;
    std::string output_directory;  // trailing backslashes removed
    std::string output_pattern;    // as typed
    bool skip_up_to_date = false;  // a file whose output is not older than it is not converted
    bool keep_times = false;       // a converted file's output gets its input's modification time
};

// The settings as typed: texts cut to 259 characters, the two directories without
// any trailing backslash.
RunSettings capture_settings(RunSettings typed);
