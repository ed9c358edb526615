// How brelo-batch sets up its batch: the settings file as the window shows it when it opens,
// then the command line's values on top, and the request that pressing Run would make of them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "engine/batch_run.h"
#include "engine/run_settings.h"
#include "engine/stored_settings.h"

// The settings file's contents, the fields the batch works on, and where they came from.
struct BatchSetup {
    StoredSettings stored;      // the file as loaded; the converters are taken from here
    RunSettings settings;   // the fields as the window would capture them, options applied
    std::string settings_path;  // the file that was read; empty when none could be named
    // The settings file was there to be read. Without --ini a missing one gives the window's
    // defaults, which name no converter: only a preview can do without it.
    bool settings_found = false;
    std::string error;          // a usage error: the options cannot be applied
    std::optional<int> jobs;    // --jobs, checked
    std::optional<RunShard> shard;  // --shard, checked
    std::optional<int> time_limit;  // --time-limit, checked
};

// Loads the settings file (--ini, else the BRELO.ini beside the program) and takes what the
// window shows when it opens, then applies the options: texts replace the fields, the switch
// replaces Include Subfolders, --converter selects a converter. Relative paths of the options are
// made absolute against the current directory. --ini naming no readable file, a value too long
// for its field and an unknown converter are usage errors, given in error; the rest of the
// result is then not to be run. A --converter is not looked for when the BRELO.ini beside the
// program is missing: that file's absence is the message.
BatchSetup set_up_batch(const BatchOptions& options);

// The index of the converter that --converter names: a title equal to the text (the first such
// one), else a 1-based position, else the one title equal to the text regardless of case.
// Nothing when none of these fits.
std::optional<int> find_converter_row(const std::vector<std::string>& titles,
                                      const std::string& text);

// The usage message for a --converter text that names no converter, listing those there are.
std::string unknown_converter_message(const std::vector<std::string>& titles,
                                      const std::string& text, const std::string& settings_path);

// The message for a run without a settings file: that none was found, and where it was looked for.
std::string no_settings_file_message(const std::string& settings_path);

// What Run would take: the fields and a copy of the current converter, if there is one.
RunRequest make_run_request(const BatchSetup& setup);
