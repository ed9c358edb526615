// The snapshot of the main window's fields that checks, refreshes, runs and saves work on.
#pragma once

#include <string>

struct MainFields;

struct CurrentSettings {
    std::string input_directory;   // trailing backslashes removed
    std::string input_patterns;    // as typed
    bool include_subfolders = true;
    bool input_auto_refresh = true;
    std::string output_directory;  // trailing backslashes removed
    std::string output_pattern;    // as typed
    bool output_auto_refresh = true;
    int converter_position = -1;   // selected row of the converter box, -1 when none
};

// Reads every field of the window, in the window's order, into a new snapshot. Texts are cut to
// 259 characters; the two directories lose every trailing backslash.
CurrentSettings capture_settings(const MainFields& fields);
