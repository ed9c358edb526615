// How brelo-batch sets up its window: the settings file as the window loads it at start, then
// the command line's values on top, and the request that pressing Run would make from them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_options.h"
#include "batch/console_window.h"
#include "engine/batch_run.h"
#include "engine/converter.h"

// The window after start-up and options, the converters it knows, and where they came from.
struct BatchSetup {
    ConverterList converters;
    std::string settings_path;  // the file that was read; empty when none could be named
    std::string error;          // a usage error: the options cannot be applied
};

// Loads the settings file into the window (histories, switches, converter list and box, the
// current converter) as the main window does when it opens, then applies the options: texts
// replace the fields, --converter selects a row. Relative paths of the options are made
// absolute against the current directory. --ini naming no readable file, a value too long for
// its field and an unknown converter are usage errors; the window is then not to be run.
BatchSetup set_up_window(ConsoleWindow& window, const BatchOptions& options);

// The row of the converter box that --converter names: a title equal to the text (the first
// such row), else a 1-based position, else the one title equal to the text regardless of case.
// Nothing when none of these fits.
std::optional<int> find_converter_row(const std::vector<std::string>& titles,
                                      const std::string& text);

// The usage message for a --converter text that names no converter, listing those there are.
std::string unknown_converter_message(const std::vector<std::string>& titles,
                                      const std::string& text, const std::string& settings_path);

// What Run would take from the window now: the captured fields and a copy of the converter of
// the selected row, if any.
RunRequest make_run_request(ConsoleWindow& window, const ConverterList& converters);
