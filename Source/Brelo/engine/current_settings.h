// The snapshot of the main window's fields that checks, refreshes and runs work on.
#pragma once

#include <string>

struct CurrentSettings {
    std::string input_directory;   // trailing backslashes removed
    std::string input_patterns;    // as typed
    bool include_subfolders = true;
    bool input_auto_refresh = true;
    std::string output_directory;  // trailing backslashes removed
    std::string output_pattern;    // as typed
    bool output_auto_refresh = true;
    int current_converter = -1;    // row of the converter box, -1 when none
    bool skip_up_to_date = false;  // a file whose output is not older than it is not converted
};

// The snapshot of fields as typed: texts cut to 259 characters, the two directories without
// any trailing backslash.
CurrentSettings capture_settings(CurrentSettings typed);
